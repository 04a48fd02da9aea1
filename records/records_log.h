#pragma once
#include <QLoggingCategory>

namespace ormix::records {

// Silent by default; QT_LOGGING_RULES="ormix.records.debug=true" shows it.
Q_DECLARE_LOGGING_CATEGORY(lcRecords)

} // namespace ormix::records
