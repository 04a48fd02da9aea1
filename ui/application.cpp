#include "ui/application.h"

#include "ui/app_icon.h"

#include <QApplication>

namespace ormix::ui {

void SetUpApplication() {
    QApplication::setApplicationName("ormix");
    QApplication::setWindowIcon(ApplicationIcon());
    QGuiApplication::setDesktopFileName("ormix");
    QLocale::setDefault(WorkingLocale(QLocale::system()));
}

QLocale WorkingLocale(const QLocale &system) {
    if (system.language() == QLocale::C) return QLocale(QLocale::Russian, QLocale::Russia);
    return system;
}

} // namespace ormix::ui
