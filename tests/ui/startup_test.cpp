// Start-up: the configuration store and the marker file decide the modes, and the window
// takes the shape of each mode; the last logged write fills it in; values are saved again at
// exit; the window fits a small screen; the program's titles and locale.
#include "link/error_report.h"
#include "records/setting_log.h"
#include "ui/application.h"
#include "ui/tag.h"
#include "ui_test_util.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

using namespace ormix::link;
using namespace ormix::platform;
using namespace ormix::emulator;
using namespace ormix::ui;

namespace {

struct ModeCase {
    const char *name;
    QStringList keys; // present in the store
    bool marker;      // SettingSql.kastor in the working directory
    int modeFlags;
    bool sql;
};

class StartupModes : public WindowTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(StartupModes, WindowTakesTheShapeOfTheModes) {
    const ModeCase &c = GetParam();
    {
        auto s = Settings();
        for (const QString &key : c.keys)
            s->setValue(key, "");
        s->setValue("Scaner", 99); // SQL mode opens the scanner port: one that is not there
    }
    if (c.marker) {
        QFile marker("SettingSql.kastor");
        ASSERT_TRUE(marker.open(QIODevice::WriteOnly)); // empty: presence is what counts
    }
    CreateForm();
    EXPECT_EQ(form->Shared().ModeFlags, c.modeFlags);
    EXPECT_EQ(form->Shared().SqlMode, c.sql);

    const bool master = c.modeFlags & 1;
    auto *pages = Find<QTabWidget>("PageControl1");
    auto shown = [&](const char *name) { return Find<QWidget>(name)->isVisibleTo(form.get()); };
    EXPECT_EQ(pages->tabText(pages->indexOf(Find<QWidget>("TabSheet4"))),
              master ? "Терминал" : "Протокол");
    EXPECT_EQ(shown("BitBtn1"), master);
    EXPECT_EQ(Find<QSpinBox>("SpinEdit_Number")->isReadOnly(), !master);
    EXPECT_EQ(Find<QSpinBox>("SpinClock")->isReadOnly(), !master);
    EXPECT_EQ(shown("CheckCorrect"), master);
    EXPECT_EQ(shown("GroupBox3"), master);
    EXPECT_EQ(Find<QCheckBox>("CheckTime")->isChecked(), master);
    EXPECT_EQ(Find<QCheckBox>("CheckBox_Terminal")->isChecked(), !master);
    EXPECT_EQ(Find<QLineEdit>("LabeledPass1")->isReadOnly(), !(c.modeFlags & 2));
    if (master) {
        EXPECT_EQ(Find<QLineEdit>("LabeledPass1")->text(), "1111");
    }

    EXPECT_EQ(TabShown("TabSheet5"), !c.sql);
    EXPECT_EQ(TabShown("TabSchedule"), !c.sql);
    EXPECT_FALSE(TabShown("TabSheet2"));
    EXPECT_TRUE(TabShown("TabSheet3"));
    EXPECT_EQ(Find<QAction>("ActionSpoilage")->isVisible(), c.sql);
    EXPECT_EQ(Find<QAction>("ActionFixDb")->isVisible(), c.sql);
    EXPECT_EQ(shown("CheckResetTariff"), c.sql);
    EXPECT_EQ(shown("LabeledDelta"), c.sql);
    EXPECT_EQ(shown("Panel5"), c.sql && !c.keys.contains("NoScaner"));

    EXPECT_TRUE(Find<QAction>("ActionConnect")->isEnabled());
    EXPECT_FALSE(Find<QAction>("ActionDisconnect")->isEnabled());
    EXPECT_FALSE(Find<QAction>("ActionSetting")->isEnabled());
    EXPECT_EQ(pages->currentWidget(), Find<QWidget>("TabSheet1"));
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, StartupModes,
    ::testing::Values(ModeCase{"Nothing", {}, false, 2, false},
                      ModeCase{"Master", {"Master"}, false, 3, false},
                      ModeCase{"NoUser", {"NoUser"}, false, 0, false},
                      ModeCase{"MasterNoUser", {"Master", "NoUser"}, false, 1, false},
                      ModeCase{"MarkerAndMaster", {"Master"}, true, 3, true},
                      ModeCase{"Marker", {}, true, 3, true},
                      ModeCase{"Sql", {"Sql"}, false, 2, true},
                      ModeCase{"SqlNoScaner", {"Sql", "NoScaner"}, false, 2, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(WindowTest, ActionsCarryTheirCaptionsHintsAndShortcuts) {
    CreateForm();
    const struct {
        const char *name, *caption, *hint;
        QKeySequence shortcut;
        bool enabled;
    } actions[] = {
        {"ActionConnect", "&Установить", "Установить связь", {}, true},
        {"ActionDisconnect", "&Разорвать", "Разорвать связь", {}, false},
        {"ActionSetting", "&Записать", "Записать установки", Qt::Key_F12, false},
        {"ActionFixDb", "Зафиксировать в Б&Д", "Зафиксировать в БД", {}, false},
        {"ActionSpoilage", "&Брак", "Брак", Qt::Key_F4, true},
        {"ActionReset", "&Сброс изменений", "Сброс изменений", {}, true},
        {"ActionOpen", "&Открыть", "открыть таблицу", {}, true},
        {"ActionClose", "&Закрыть", "Закрыть таблицу", {}, false},
        {"ActionFocusCorrect", "", "", Qt::Key_F8, true},
        {"ActionCountCorrect", "", "Пересчет коррекции", Qt::Key_F9, false},
    };
    for (const auto &a : actions) {
        auto *action = Find<QAction>(a.name);
        EXPECT_EQ(action->text(), a.caption) << a.name;
        EXPECT_EQ(action->statusTip(), a.hint) << a.name;
        EXPECT_EQ(action->shortcut(), a.shortcut) << a.name;
        if (action->isVisible()) { // Qt takes a hidden action as disabled
            EXPECT_EQ(action->isEnabled(), a.enabled) << a.name;
        }
    }
    QStringList menus;
    for (QAction *m : form->menuBar()->actions())
        menus << m->text();
    EXPECT_EQ(menus, (QStringList{"&Связь", "&Установки", "&База данных", "&?"}));
    EXPECT_EQ(Find<QAction>("NExit")->text(), "В&ыход");
    EXPECT_EQ(Find<QAction>("NStatus")->text(), "&Расшифровка статуса");

    // A hint under the pointer leaves the status bar's panels in view.
    Find<QLabel>("StatusBar1Panel1")->setText("DSR не установлен");
    QStatusTipEvent tip("Установить связь");
    QApplication::sendEvent(form.get(), &tip);
    EXPECT_TRUE(Find<QStatusBar>("StatusBar1")->currentMessage().isEmpty());
    EXPECT_TRUE(Find<QLabel>("StatusBar1Panel1")->isVisible());
}

// The window system appends an application's display name to every title it shows; the
// program has none, so a box titled "Ошибка" reads "Ошибка".
TEST_F(WindowTest, TitlesAreTheProgramsOwnTexts) {
    const QString testName = QCoreApplication::applicationName();
    SetUpApplication();
    QLocale::setDefault(QLocale::c()); // as the fixture has it
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "ormix") << "no display name of its own";
    QCoreApplication::setApplicationName(testName);
    CreateForm();
    EXPECT_EQ(form->windowTitle(), "Программирование ORMIX-2 и KASTOR-5");
    EXPECT_EQ(form->windowHandle()->title(), "Программирование ORMIX-2 и KASTOR-5");
}

TEST(WorkingLocale, CAndPosixBecomeRussianARealLocaleStays) {
    EXPECT_EQ(WorkingLocale(QLocale::c()).name(), "ru_RU");
    EXPECT_EQ(WorkingLocale(QLocale("POSIX")).name(), "ru_RU");
    EXPECT_EQ(WorkingLocale(QLocale("de_DE")).name(), "de_DE");
    EXPECT_EQ(WorkingLocale(QLocale("en_US")).name(), "en_US");
}

// A fresh system without a language: the calendar and the readings read as in Russian.
TEST_F(WindowTest, UnderTheCLocaleTheWindowShowsRussianFormats) {
    QLocale::setDefault(WorkingLocale(QLocale::c()));
    CreateForm();
    auto *date = Find<QDateEdit>("DatePicker");
    date->setDate(QDate(2026, 12, 11));
    EXPECT_EQ(date->text(), "пт 11 декабря 2026");
}

TEST_F(WindowTest, NoScanerHidesTheScannerPanelInSqlMode) {
    Settings()->setValue("Sql", 1);
    Settings()->setValue("NoScaner", 1);
    Settings()->setValue("Scaner", 99);
    CreateForm();
    EXPECT_TRUE(form->Shared().SqlMode);
    EXPECT_FALSE(Find<QWidget>("Panel5")->isVisibleTo(form.get()));
}

TEST_F(WindowTest, ValuesOfTheWrongTypeFallBackToTheirDefaults) {
    StartMeter();
    qputenv("ORMIX_PORTS", ("COM1=" + emu->devicePath() + ";COM2=" + emu->devicePath()).toUtf8());
    {
        auto s = Settings();
        s->setValue("Port", "nine");
        s->setValue("Scaner", "x");
        s->setValue("DDM", "many");
    }
    form = std::make_unique<TFormMain>();
    EXPECT_EQ(Find<QComboBox>("ComboPort")->currentText(), "COM1");
    EXPECT_EQ(Find<QComboBox>("ComboScaner")->currentText(), "COM2");
    EXPECT_EQ(Find<QSpinBox>("SpinEditVDM")->value(), 0);
    EXPECT_TRUE(Find<QAction>("ActionConnect")->isEnabled());
}

TEST_F(WindowTest, PortAndDdmAreSavedAtExitAndPreselectedNextTime) {
    StartMeter();
    Settings()->setValue("DDM", 77);
    form = std::make_unique<TFormMain>(); // no port given: the saved one, 1 when absent
    EXPECT_EQ(Find<QSpinBox>("SpinEditVDM")->value(), 77);
    EXPECT_NE(Find<QComboBox>("ComboPort")->currentText(), "COM9");
    Pick("ComboPort", Find<QComboBox>("ComboPort")->findText("COM9"));
    QTest::keyClicks(Find<QSpinBox>("SpinEditVDM"), "5"); // CheckDdmRead is ticked: kept
    const int ddm = Find<QSpinBox>("SpinEditVDM")->value();
    form->close();
    form.reset();
    EXPECT_EQ(Settings()->value("Port").toInt(), 9);
    EXPECT_EQ(Settings()->value("DDM").toInt(), ddm);
    EXPECT_FALSE(Settings()->contains("Scaner")); // only in SQL mode

    form = std::make_unique<TFormMain>();
    EXPECT_EQ(Find<QComboBox>("ComboPort")->currentText(), "COM9");
    EXPECT_EQ(Find<QSpinBox>("SpinEditVDM")->value(), ddm);
}

// The adapters are unplugged at this start: nothing is selected, and the saved ports are
// still the saved ones at exit, until the operator picks another.
TEST_F(WindowTest, SavedPortsSurviveAStartWithoutTheirAdapters) {
    StartMeter(); // only COM9 is there
    {
        auto s = Settings();
        s->setValue("Sql", 1); // the scanner port is saved in SQL mode only
        s->setValue("Port", 3);
        s->setValue("Scaner", 5);
    }
    form = std::make_unique<TFormMain>();
    EXPECT_EQ(Find<QComboBox>("ComboPort")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>("ComboScaner")->currentIndex(), -1);
    form->close();
    form.reset();
    EXPECT_EQ(Settings()->value("Port").toInt(), 3);
    EXPECT_EQ(Settings()->value("Scaner").toInt(), 5);

    form = std::make_unique<TFormMain>();
    Pick("ComboPort", Find<QComboBox>("ComboPort")->findText("COM9"));
    form->close();
    form.reset();
    EXPECT_EQ(Settings()->value("Port").toInt(), 9);
    EXPECT_EQ(Settings()->value("Scaner").toInt(), 5);
}

TEST_F(WindowTest, DdmAboveSixteenBitsSurvivesAStartAndAnExit) {
    // A number only firmware 6 and later can carry; no meter has narrowed the range yet.
    Settings()->setValue("DDM", 100000);
    CreateForm();
    EXPECT_EQ(Find<QSpinBox>("SpinEditVDM")->value(), 100000);
    form->close();
    EXPECT_EQ(Settings()->value("DDM").toInt(), 100000);
}

TEST_F(WindowTest, DdmIsNotSavedWhenReadFromTheMeter) {
    Settings()->setValue("DDM", 12);
    CreateForm();
    Find<QCheckBox>("CheckDdmRead")->setChecked(false);
    Find<QSpinBox>("SpinEditVDM")->setValue(99);
    form->close();
    EXPECT_EQ(Settings()->value("DDM").toInt(), 12);
}

// A missing table is an empty log; one that cannot be read is reported, and the window
// comes up with its defaults all the same.
TEST_F(WindowTest, AnUnreadableTableAtStartUpReachesTheGeneralErrorReport) {
    QStringList reports;
    SetErrorReportHandler([&](const QString &m) { reports << m; });
    CreateForm();
    EXPECT_TRUE(reports.isEmpty()) << "no table yet";
    form.reset();

    QFile table("Setting.DBF");
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("not a dBase table at all");
    table.close();
    CreateForm();
    SetErrorReportHandler(nullptr);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains("Setting.DBF")) << reports[0].toStdString();
    EXPECT_EQ(Find<QLineEdit>("LabeledPass1")->text(), "0");
    EXPECT_TRUE(Find<QAction>("ActionConnect")->isEnabled());
}

TEST_F(WindowTest, ZoneEditorFollowsSingleTariffAndDefaultHolidaysAreLoaded) {
    CreateForm();
    Find<QTabWidget>("PageControl1")->setCurrentWidget(Find<QWidget>("TabSchedule"));
    EXPECT_TRUE(Find<QCheckBox>("CheckOneTarif")->isChecked());
    // The groups' controls go off, not the groups themselves.
    EXPECT_FALSE(Find<QWidget>("Picker_Zone0")->isEnabled());
    EXPECT_EQ(Find<QTreeWidget>("ListCel")->topLevelItemCount(), 12);
    QTest::mouseClick(Find<QCheckBox>("CheckOneTarif"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(Find<QCheckBox>("CheckOneTarif")->isChecked());
    EXPECT_TRUE(Find<QWidget>("Picker_Zone0")->isEnabled());
    EXPECT_TRUE(Find<QWidget>("ListCel")->isEnabled());
}

TEST_F(WindowTest, PickersFollowTheClockUntilTheOperatorEditsOne) {
    CreateForm();
    auto *date = Find<QDateEdit>("DatePicker");
    auto *time = Find<QTimeEdit>("TimePicker");
    EXPECT_EQ(Tag(date), 0); // the program's own setting is no edit
    EXPECT_EQ(Tag(time), 0);
    EXPECT_EQ(date->date(), QDate::currentDate());
    time->setFocus();
    QTest::keyClick(time, Qt::Key_Home); // the hour section
    QTest::keyClick(time, Qt::Key_Up);
    ASSERT_EQ(Tag(time), 1);
    const QTime edited = time->time();
    QTest::qWait(1200);
    EXPECT_EQ(time->time(), edited); // frozen at the edited value
    Find<QAction>("ActionReset")->trigger();
    EXPECT_EQ(Tag(time), 0);
    ASSERT_TRUE(WaitFor([&] { return time->time() != edited; }, 1500));
    EXPECT_LE(std::abs(time->time().secsTo(QTime::currentTime())), 2);
}

TEST_F(WindowTest, DatePickerTakesOnlyYearsTheMeterCanHold) {
    CreateForm();
    auto *date = Find<QDateEdit>("DatePicker");
    EXPECT_EQ(date->minimumDate(), QDate(2000, 1, 1));
    EXPECT_EQ(date->maximumDate(), QDate(2099, 12, 31));
    date->setDate(QDate(2150, 5, 5));
    EXPECT_EQ(date->date().year(), 2099);
}

// A 1024x768 screen with a task bar leaves 1024x720 for the window and its frame (a title
// bar of about 30 pixels, borders of 4): the window of every mode fits at the default font,
// a fixed-size frame as large as its largest page.
TEST_F(WindowTest, TheWindowFitsA1024By768Screen) {
    constexpr int kFrameWidth = 2 * 4, kFrameHeight = 30 + 4;
    for (const char *keys : {"", "Master", "Sql", "Master Sql"}) {
        Settings()->clear();
        for (const QString &key : QString(keys).split(' ', Qt::SkipEmptyParts))
            Settings()->setValue(key, 1);
        Settings()->setValue("Scaner", 99);
        CreateForm();
        EXPECT_LE(form->width() + kFrameWidth, 1024) << keys;
        EXPECT_LE(form->height() + kFrameHeight, 720) << keys;
        EXPECT_EQ(form->minimumSize(), form->maximumSize()) << keys; // fixed size
        // A tool bar wider than the window would hide its last buttons behind a menu.
        EXPECT_LE(Find<QToolBar>("ToolBar1")->sizeHint().width(), form->width()) << keys;
        form.reset();
    }
}

} // namespace
