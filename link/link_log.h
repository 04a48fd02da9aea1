#pragma once
// The folder's logging category, "ormix.link".
#include <QLoggingCategory>

namespace ormix::link {

// Silent by default; QT_LOGGING_RULES="ormix.link.debug=true" shows it.
Q_DECLARE_LOGGING_CATEGORY(lcLink)

} // namespace ormix::link
