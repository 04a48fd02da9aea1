// Program entry: the application, its five windows in order, the general error report.
#include "link/error_report.h"
#include "ui/dialogs.h"
#include "ui/main.h"
#include "ui/screenshot.h"
#include "ui/status_dialog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <exception>
#include <functional>

namespace {
// A window whose creation fails is reported; the windows after it are still created.
template <class T> T *create(const std::function<T *()> &make) {
    try {
        return make();
    } catch (const std::exception &e) {
        ReportApplicationError(QString::fromUtf8(e.what()));
    }
    return nullptr;
}
} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("ormix");
    QApplication::setApplicationDisplayName("Программирование ORMIX-2 и KASTOR-5");
    SetErrorReportHandler([](const QString &message) {
        QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                              message);
    });

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption portOption("port", "Preselect the meter port (COMn).", "COMn");
    parser.addOption(portOption);
    parser.process(app);
    StartOptions options;
    options.port = parser.value(portOption);

    TFormMain *main = create<TFormMain>([&] { return new TFormMain(options); });
    if (!main) return 1;
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->AboutBox = create<TAboutBox>([&] { return new TAboutBox(main); });
    main->FormSpoilage = create<TFormSpoilage>([&] { return new TFormSpoilage(main); });
    main->FormStatus = create<TFormStatus>([&] { return new TFormStatus(main); });
    main->FormHelp = create<TFormHelp>([&] { return new TFormHelp(main); });
    main->show();
    ScheduleScreenshotFromEnvironment(main);
    return app.exec();
}
