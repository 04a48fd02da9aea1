#pragma once
// The desktop's default application for a kind of file, as the freedesktop.org
// specifications describe it: xdg-mime names a desktop entry, found in the XDG data
// folders, whose program must be there to start.
#include <QString>

namespace ormix::platform {

// The desktop entry id ("libreoffice-calc.desktop") xdg-mime gives as the default for
// `mimeType`; empty when it names none or xdg-mime is missing or does not answer in time.
QString DefaultApplicationId(const QString &mimeType);

// The file of desktop entry `id` in the XDG application folders ("foo-bar.desktop" may
// also be "foo/bar.desktop"); empty when there is none.
QString FindDesktopEntry(const QString &id);

// True when the desktop entry at `path` is an application that can start here: of type
// Application, not hidden, its TryExec program (when given) and its Exec program found.
bool DesktopEntryCanStart(const QString &path);

} // namespace ormix::platform
