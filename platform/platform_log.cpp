#include "platform/platform_log.h"

namespace ormix::platform {

Q_LOGGING_CATEGORY(lcPlatform, "ormix.platform", QtWarningMsg)

} // namespace ormix::platform
