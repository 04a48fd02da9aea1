#pragma once
// The folder's logging category, "ormix.platform".
#include <QLoggingCategory>

namespace ormix::platform {

// Silent by default; QT_LOGGING_RULES="ormix.platform.debug=true" shows it.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

} // namespace ormix::platform
