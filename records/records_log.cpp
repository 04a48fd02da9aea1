#include "records/records_log.h"

namespace ormix::records {

Q_LOGGING_CATEGORY(lcRecords, "ormix.records", QtWarningMsg)

} // namespace ormix::records
