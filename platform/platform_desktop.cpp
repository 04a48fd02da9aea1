// Desktop services: the desktop's handler for a link, and the system beep.
#include "platform/platform.h"

#include <QApplication>
#include <QDesktopServices>

namespace ormix::platform {

bool Platform::OpenLink(const QUrl &url) {
    return QDesktopServices::openUrl(url);
}

void Platform::Beep() {
    QApplication::beep();
}

} // namespace ormix::platform
