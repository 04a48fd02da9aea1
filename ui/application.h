#pragma once
// The program's own settings of the application object, made once by the program entry
// before its windows exist.
#include <QLocale>

namespace ormix::ui {

// The name, the icon and the desktop entry; no display name, which the window system would
// append to every window's title. Then the locale of WorkingLocale.
void SetUpApplication();

// Under a C or POSIX locale (no language chosen, as on a fresh system) dates, times and
// numbers are shown the Russian way, like every text of the window; a real locale is used
// as it is.
QLocale WorkingLocale(const QLocale &system);

} // namespace ormix::ui
