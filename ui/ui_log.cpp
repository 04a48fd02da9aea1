#include "ui/ui_log.h"

namespace ormix::ui {

Q_LOGGING_CATEGORY(lcUi, "ormix.ui", QtWarningMsg)

} // namespace ormix::ui
