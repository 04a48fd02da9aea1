#include "ui/screenshot.h"

#include "ui/main.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
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
    // ORMIX_SCREENSHOT_CLICK: buttons (object names, comma-separated) pressed a second after
    // the connect, a journal read for instance.
    const QStringList clicks =
        qEnvironmentVariable("ORMIX_SCREENSHOT_CLICK").split(',', Qt::SkipEmptyParts);
    QTimer::singleShot(1300, form, [form, clicks] {
        for (const QString &name : clicks)
            if (auto *button = form->findChild<QPushButton *>(name)) button->click();
    });
    // ORMIX_SCREENSHOT_PAGE: the object name of the page to show (default the settings page),
    // a page of a page control inside a page too.
    const QString page = qEnvironmentVariable("ORMIX_SCREENSHOT_PAGE");
    QTimer::singleShot(300 + delay, form, [form, path, page] {
        QWidget *w = page.isEmpty() ? nullptr : form->findChild<QWidget *>(page);
        for (QWidget *child = w; child && child->parentWidget(); child = child->parentWidget())
            if (auto *tabs = qobject_cast<QTabWidget *>(child->parentWidget()->parentWidget());
                tabs && qobject_cast<QStackedWidget *>(child->parentWidget()))
                tabs->setCurrentWidget(child);
        QApplication::processEvents();
        const bool saved = form->grab().save(path);
        QApplication::exit(saved ? 0 : 2);
    });
}

} // namespace ormix::ui
