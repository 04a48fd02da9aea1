// Program entry: the application, its five windows in order, the general error report.
#include "link/error_report.h"
#include "link/port_table.h"
#include "ui/about_box.h"
#include "ui/application.h"
#include "ui/spoilage_dialog.h"
#include "ui/help_window.h"
#include "ui/main.h"
#include "ui/rtf/rtf_reader.h"
#include "ui/screenshot.h"
#include "ui/status_dialog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QTextEdit>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>

using namespace ormix::ui;
using namespace ormix::link;

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

// Questions scripts/run asks before starting the window; answered without a display.
int answerPortQuestion(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const PortTable table = PortTable::Load();
    if (args.contains("--saved-port-ready")) {
        // A real meter port: a saved Port whose device is there.
        auto settings = TFormMain::OpenSettings();
        bool ok = false;
        const int port = settings->value("Port").toInt(&ok);
        if (!ok) return 1;
        const auto path = table.Resolve(QString("COM%1").arg(port));
        return path && QFileInfo::exists(*path) ? 0 : 1;
    }
    // --free-port: the first COMn from 9 on that names no port of this machine.
    for (int n = 9;; ++n)
        if (!table.Resolve(QString("COM%1").arg(n))) {
            std::printf("COM%d\n", n);
            return 0;
        }
}

// --help-check: the help document as the window found it at start-up, for the install
// test and for a service engineer: its path and first heading, exit 0 when it was read.
int printHelpCheck(const TFormHelp *help) {
    const QString heading = help ? ormix::ui::FirstHeading(*help->RichEdit1->document()) : "";
    std::printf("%s\n%s\n", qUtf8Printable(help ? help->DocumentPath() : ""),
                qUtf8Printable(heading));
    return heading.isEmpty() ? 1 : 0;
}

bool isPortQuestion(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--saved-port-ready") || !std::strcmp(argv[i], "--free-port"))
            return true;
    return false;
}
} // namespace

// Options answered without showing a window: they need no display (a service engineer
// may ask over ssh), so they run on the offscreen platform unless one is chosen.
void needNoDisplayFor(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"--help", "-h", "--help-check"})
            if (!std::strcmp(argv[i], option) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
}

int main(int argc, char **argv) {
    if (isPortQuestion(argc, argv)) return answerPortQuestion(argc, argv);
    needNoDisplayFor(argc, argv);
    QApplication app(argc, argv);
    SetUpApplication();

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption portOption("port", "Preselect the meter port (COMn) for this run.", "COMn");
    parser.addOption(portOption);
    QCommandLineOption helpCheckOption(
        "help-check", "Print where the help document was found and its first heading, then exit.");
    parser.addOption(helpCheckOption);
    parser.process(app);
    const bool helpCheck = parser.isSet(helpCheckOption);
    SetErrorReportHandler([helpCheck](const QString &message) {
        if (helpCheck)
            std::fprintf(stderr, "%s\n", qUtf8Printable(message));
        else
            QMessageBox::critical(QApplication::activeWindow(), kWindowTitle, message);
    });
    StartOptions options;
    options.port = parser.value(portOption);

    TFormMain *main = create<TFormMain>([&] { return new TFormMain(options); });
    if (!main) return 1;
    main->setAttribute(Qt::WA_DeleteOnClose);
    auto *about = create<TAboutBox>([&] { return new TAboutBox(main); });
    auto *spoilage = create<TFormSpoilage>([&] { return new TFormSpoilage(main); });
    auto *status = create<TFormStatus>([&] { return new TFormStatus(main); });
    auto *help = create<TFormHelp>([&] { return new TFormHelp(main); });
    main->AttachWindows(about, spoilage, status, help);
    if (helpCheck) {
        const int result = printHelpCheck(help);
        delete main;
        return result;
    }
    main->show();
    ScheduleScreenshotFromEnvironment(main);
    return app.exec();
}
