// Desktop services: the desktop's handler for a link, and the system beep.
#include "platform/platform.h"

#include <QApplication>
#include <QDesktopServices>

bool Platform::OpenLink(const QUrl &url) {
    return QDesktopServices::openUrl(url);
}

void Platform::Beep() {
    QApplication::beep();
}
