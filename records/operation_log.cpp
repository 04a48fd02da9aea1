#include "records/operation_log.h"

namespace ormix::records {

OperationLog::~OperationLog() = default;

} // namespace ormix::records
