#include "ui/screenshot.h"

#include "ui/main.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

namespace ormix::ui {

void ScheduleScreenshotFromEnvironment(TFormMain *form) {
    const QString path = qEnvironmentVariable("ORMIX_SCREENSHOT");
    if (path.isEmpty()) return;
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("ORMIX_SCREENSHOT_DELAY", &ok);
    if (!ok) delay = 4000;
    QTimer::singleShot(300, form, [form] {
        if (auto *connect = form->findChild<QAction *>("ActionConnect")) connect->trigger();
    });
    // ORMIX_SCREENSHOT_PAGE: the object name of the page to show (default the settings page).
    const QString page = qEnvironmentVariable("ORMIX_SCREENSHOT_PAGE");
    QTimer::singleShot(300 + delay, form, [form, path, page] {
        auto *pages = form->findChild<QTabWidget *>("PageControl1");
        if (auto *w = pages->findChild<QWidget *>(page); w && !page.isEmpty())
            pages->setCurrentWidget(w);
        QApplication::processEvents();
        const bool saved = form->grab().save(path);
        QApplication::exit(saved ? 0 : 2);
    });
}

} // namespace ormix::ui
