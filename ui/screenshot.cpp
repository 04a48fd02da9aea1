#include "ui/screenshot.h"

#include "ui/main.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QTimer>

void ScheduleScreenshotFromEnvironment(TFormMain *form) {
    const QString path = qEnvironmentVariable("ORMIX_SCREENSHOT");
    if (path.isEmpty()) return;
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("ORMIX_SCREENSHOT_DELAY", &ok);
    if (!ok) delay = 4000;
    QTimer::singleShot(300, form, [form] { form->ActionConnect->trigger(); });
    QTimer::singleShot(300 + delay, form, [form, path] {
        const bool saved = form->grab().save(path);
        QApplication::exit(saved ? 0 : 2);
    });
}
