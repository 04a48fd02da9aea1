#include "link/link_log.h"

namespace ormix::link {

Q_LOGGING_CATEGORY(lcLink, "ormix.link", QtWarningMsg)

} // namespace ormix::link
