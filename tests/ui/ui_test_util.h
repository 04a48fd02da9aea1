#pragma once
// Fixture of the window tests: the configuration store and the working directory in
// temporary directories, a platform that never touches the machine, an emulated meter
// on a pseudo-terminal mapped to COM9, and a catcher for message boxes.
#include "emulator/meter_emulator.h"
#include "platform/platform.h"
#include "ui/main.h"
#include "ui/widgets.h"

#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtWidgets>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

using namespace ormix::link;
using namespace ormix::platform;
using namespace ormix::emulator;
using namespace ormix::ui;

class FakePlatform : public Platform {
public:
    int beeps = 0;
    int clockSets = 0;
    bool SetLocalClock(const QDateTime &) override {
        ++clockSets;
        return false;
    }
    MemoryStatus memory;
    QList<QUrl> linksOpened;
    void Beep() override { ++beeps; }
    bool OpenLink(const QUrl &url) override {
        linksOpened << url;
        return false;
    }
    MemoryStatus Memory() const override { return memory; }
    QString ComputerName() const override { return "TESTPC"; }
    // A desktop with a spreadsheet application that opens nothing: the workbooks stay
    // on disk for the test to read.
    bool hasSpreadsheet = true;
    QStringList filesOpened;
    bool HasApplicationFor(const QString &) const override { return hasSpreadsheet; }
    bool OpenFile(const QString &path) override {
        filesOpened << path;
        return true;
    }
    QString LoginName() const override { return "operator"; }
};

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class WindowTest : public ::testing::Test {
protected:
    static QTemporaryDir &ConfigDir() {
        static QTemporaryDir dir;
        return dir;
    }

    void SetUp() override {
        ASSERT_TRUE(ConfigDir().isValid());
        ASSERT_TRUE(work.isValid());
        qputenv("XDG_CONFIG_HOME", ConfigDir().path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, ConfigDir().path());
        Settings()->clear();
        oldDir = QDir::currentPath();
        QDir::setCurrent(work.path());
        qunsetenv("ORMIX_PORTS");
        SetPlatform(&platform);
        QLocale::setDefault(QLocale::c());
        // Message boxes run their own loop: record and close each one as it appears.
        boxCatcher.setInterval(20);
        QObject::connect(&boxCatcher, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes.push_back({box->windowTitle(), box->text(), box->icon()});
                box->done(QMessageBox::Ok);
            }
        });
        boxCatcher.start();
    }

    void TearDown() override {
        if (form) form->close();
        form.reset();
        emu.reset();
        boxCatcher.stop();
        SetPlatform(nullptr);
        QDir::setCurrent(oldDir);
        qunsetenv("ORMIX_PORTS");
        QLocale::setDefault(QLocale::c());
    }

    static std::unique_ptr<QSettings> Settings() { return TFormMain::OpenSettings(); }

    void StartMeter(EmulatorOptions options = {}) {
        options.replyDelayMs = 1;
        emu = std::make_unique<MeterEmulator>(options);
        ASSERT_TRUE(emu->start()) << emu->lastError().toStdString();
        qputenv("ORMIX_PORTS", ("COM9=" + emu->devicePath()).toUtf8());
    }

    // The program's timer intervals unless a test waits for a timeout of a silent meter.
    void CreateForm(const TExchangeTimings &timings = {}) {
        StartOptions options;
        options.port = "COM9";
        options.engine = timings;
        form = std::make_unique<TFormMain>(options);
        form->show();
    }
    static constexpr TExchangeTimings kQuickTimeouts{.replyTimeoutMs = 250};

    static bool WaitFor(const std::function<bool()> &condition, int ms = 5000) {
        return QTest::qWaitFor(condition, ms);
    }

    // Codes of the requests the meter has seen, in order.
    QList<int> SeenCodes() const {
        QList<int> codes;
        for (const ObservedRequest &r : emu->requestsSeen())
            if (!r.bytes.isEmpty()) codes << static_cast<std::uint8_t>(r.bytes[0]);
        return codes;
    }

    // Waits until the meter has answered `cycles` more whole poll cycles.
    bool WaitCycles(int cycles, int cycleLength) {
        const int target = int(emu->requestsSeen().size()) + cycles * cycleLength;
        return WaitFor([&] { return int(emu->requestsSeen().size()) >= target; },
                       2000 * cycles + 2000);
    }

    void Connect() {
        Find<QAction>("ActionConnect")->trigger();
        ASSERT_TRUE(form->Connected());
        ASSERT_TRUE(WaitFor([&] { return !Find<QLineEdit>("LabeledVersion")->text().isEmpty(); }));
    }

    // A control, action, timer or port of the window by its component name, as an operator
    // sees it; the test fails when there is none.
    template <class W = QWidget> W *Find(const char *name) const {
        W *w = form->findChild<W *>(QString::fromLatin1(name));
        if (!w) throw std::runtime_error(std::string("the window has no ") + name);
        return w;
    }
    bool TabShown(const char *page) const {
        auto *pages = Find<QTabWidget>("PageControl1");
        return pages->isTabVisible(pages->indexOf(Find<QWidget>(page)));
    }
    // What opening a port list's drop-down does.
    void OpenPortList() const {
        auto *ports = Find<TDropDown>("ComboPort");
        ports->showPopup();
        ports->hidePopup();
    }
    // The operator picks entry `index` of a drop-down list.
    void Pick(const char *combo, int index) const {
        auto *c = Find<QComboBox>(combo);
        c->setCurrentIndex(index);
        emit c->activated(index);
    }

    QTemporaryDir work;
    QString oldDir;
    FakePlatform platform;
    std::unique_ptr<MeterEmulator> emu;
    std::unique_ptr<TFormMain> form;
    QTimer boxCatcher;
    std::vector<SeenBox> boxes;
};
