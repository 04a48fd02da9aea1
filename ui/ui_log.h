#pragma once
// The folder's logging category, "ormix.ui".
#include <QLoggingCategory>

namespace ormix::ui {

// Silent by default; QT_LOGGING_RULES="ormix.ui.debug=true" shows it.
Q_DECLARE_LOGGING_CATEGORY(lcUi)

} // namespace ormix::ui
