// Start-up: the configuration store and the marker file decide the modes, and the window
// takes the shape of each mode; values are saved again at exit.
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

bool tabShown(TFormMain &f, QWidget *page) {
    return f.PageControl1->isTabVisible(f.PageControl1->indexOf(page));
}

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
    TFormMain &f = *form;
    EXPECT_EQ(f.ModeFlags, c.modeFlags);
    EXPECT_EQ(f.SqlMode, c.sql);

    const bool master = c.modeFlags & 1;
    EXPECT_EQ(f.PageControl1->tabText(f.PageControl1->indexOf(f.TabSheet4)),
              master ? "Терминал" : "Протокол");
    EXPECT_EQ(f.BitBtn1->isVisibleTo(&f), master);
    EXPECT_EQ(f.SpinEdit_Number->isReadOnly(), !master);
    EXPECT_EQ(f.SpinClock->isReadOnly(), !master);
    EXPECT_EQ(f.CheckCorrect->isVisibleTo(&f), master);
    EXPECT_EQ(f.GroupBox3->isVisibleTo(&f), master);
    EXPECT_EQ(f.CheckTime->isChecked(), master);
    EXPECT_EQ(f.CheckBox_Terminal->isChecked(), !master);
    EXPECT_EQ(f.LabeledPass1->isReadOnly(), !(c.modeFlags & 2));
    if (master) {
        EXPECT_EQ(f.LabeledPass1->text(), "1111");
    }

    EXPECT_EQ(tabShown(f, f.TabSheet5), !c.sql);
    EXPECT_EQ(tabShown(f, f.TabSchedule), !c.sql);
    EXPECT_FALSE(tabShown(f, f.TabSheet2));
    EXPECT_TRUE(tabShown(f, f.TabSheet3));
    EXPECT_EQ(f.ActionSpoilage->isVisible(), c.sql);
    EXPECT_EQ(f.ActionFixDb->isVisible(), c.sql);
    EXPECT_EQ(f.CheckResetTariff->isVisibleTo(&f), c.sql);
    EXPECT_EQ(f.LabeledDelta->isVisibleTo(&f), c.sql);
    EXPECT_EQ(f.Panel5->isVisibleTo(&f), c.sql && !c.keys.contains("NoScaner"));

    EXPECT_TRUE(f.ActionConnect->isEnabled());
    EXPECT_FALSE(f.ActionDisconnect->isEnabled());
    EXPECT_FALSE(f.ActionSetting->isEnabled());
    EXPECT_EQ(f.PageControl1->currentWidget(), f.TabSheet1);
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
        auto *action = form->findChild<QAction *>(a.name);
        ASSERT_NE(action, nullptr) << a.name;
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
    EXPECT_EQ(form->NExit->text(), "В&ыход");
    EXPECT_EQ(form->NStatus->text(), "&Расшифровка статуса");
    EXPECT_EQ(form->windowTitle(), "Программирование ORMIX-2 и KASTOR-5");

    // A hint under the pointer leaves the status bar's panels in view.
    form->StatusPanel1->setText("DSR не установлен");
    QStatusTipEvent tip("Установить связь");
    QApplication::sendEvent(form.get(), &tip);
    EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());
    EXPECT_TRUE(form->StatusPanel1->isVisible());
}

TEST_F(WindowTest, NoScanerHidesTheScannerPanelInSqlMode) {
    Settings()->setValue("Sql", 1);
    Settings()->setValue("NoScaner", 1);
    Settings()->setValue("Scaner", 99);
    CreateForm();
    EXPECT_TRUE(form->SqlMode);
    EXPECT_FALSE(form->Panel5->isVisibleTo(form.get()));
}

TEST_F(WindowTest, ValuesOfTheWrongTypeFallBackToTheirDefaults) {
    {
        auto s = Settings();
        s->setValue("Port", "nine");
        s->setValue("Scaner", "x");
        s->setValue("DDM", "many");
    }
    form = std::make_unique<TFormMain>();
    EXPECT_EQ(form->SavedMeterPort, 1);
    EXPECT_EQ(form->SavedScanerPort, 2);
    EXPECT_EQ(form->SpinEditVDM->value(), 0);
    EXPECT_TRUE(form->ActionConnect->isEnabled());
}

TEST_F(WindowTest, PortAndDdmAreSavedAtExitAndPreselectedNextTime) {
    StartMeter();
    Settings()->setValue("DDM", 77);
    form = std::make_unique<TFormMain>(); // no port given: the saved one, 1 when absent
    EXPECT_EQ(form->SpinEditVDM->value(), 77);
    EXPECT_NE(form->ComboPort->currentText(), "COM9");
    form->ComboPort->setCurrentIndex(form->ComboPort->findText("COM9"));
    form->ComboPortChange(form->ComboPort->currentIndex());
    QTest::keyClicks(form->SpinEditVDM, "5"); // CheckDdmRead is ticked: the number is kept
    const int ddm = form->SpinEditVDM->value();
    form->close();
    form.reset();
    EXPECT_EQ(Settings()->value("Port").toInt(), 9);
    EXPECT_EQ(Settings()->value("DDM").toInt(), ddm);
    EXPECT_FALSE(Settings()->contains("Scaner")); // only in SQL mode

    form = std::make_unique<TFormMain>();
    EXPECT_EQ(form->ComboPort->currentText(), "COM9");
    EXPECT_EQ(form->SpinEditVDM->value(), ddm);
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
    EXPECT_EQ(form->ComboPort->currentIndex(), -1);
    EXPECT_EQ(form->ComboScaner->currentIndex(), -1);
    form->close();
    form.reset();
    EXPECT_EQ(Settings()->value("Port").toInt(), 3);
    EXPECT_EQ(Settings()->value("Scaner").toInt(), 5);

    form = std::make_unique<TFormMain>();
    form->ComboPort->setCurrentIndex(form->ComboPort->findText("COM9"));
    form->ComboPortChange(form->ComboPort->currentIndex());
    form->close();
    form.reset();
    EXPECT_EQ(Settings()->value("Port").toInt(), 9);
    EXPECT_EQ(Settings()->value("Scaner").toInt(), 5);
}

TEST_F(WindowTest, DdmAboveSixteenBitsSurvivesAStartAndAnExit) {
    // A number only firmware 6 and later can carry; no meter has narrowed the range yet.
    Settings()->setValue("DDM", 100000);
    CreateForm();
    EXPECT_EQ(form->SpinEditVDM->value(), 100000);
    form->close();
    EXPECT_EQ(Settings()->value("DDM").toInt(), 100000);
}

TEST_F(WindowTest, DdmIsNotSavedWhenReadFromTheMeter) {
    Settings()->setValue("DDM", 12);
    CreateForm();
    form->CheckDdmRead->setChecked(false);
    form->SpinEditVDM->setValue(99);
    form->close();
    EXPECT_EQ(Settings()->value("DDM").toInt(), 12);
}

TEST_F(WindowTest, ZoneEditorFollowsSingleTariffAndDefaultHolidaysAreLoaded) {
    CreateForm();
    form->PageControl1->setCurrentWidget(form->TabSchedule);
    EXPECT_TRUE(form->CheckOneTarif->isChecked());
    EXPECT_FALSE(form->GroupBox6->isEnabled());
    EXPECT_EQ(form->ListCel->topLevelItemCount(), 12);
    QTest::mouseClick(form->CheckOneTarif, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(form->CheckOneTarif->isChecked());
    EXPECT_TRUE(form->GroupBox6->isEnabled());
    EXPECT_TRUE(form->GroupCel->isEnabled());
}

TEST_F(WindowTest, PickersFollowTheClockUntilTheOperatorEditsOne) {
    CreateForm();
    TFormMain &f = *form;
    f.Timer3Timer();
    EXPECT_EQ(Tag(f.DatePicker), 0); // the program's own setting is no edit
    EXPECT_EQ(Tag(f.TimePicker), 0);
    EXPECT_EQ(f.DatePicker->date(), QDate::currentDate());
    f.TimePicker->setFocus();
    QTest::keyClick(f.TimePicker, Qt::Key_Home); // the hour section
    QTest::keyClick(f.TimePicker, Qt::Key_Up);
    ASSERT_EQ(Tag(f.TimePicker), 1);
    const QTime edited = f.TimePicker->time();
    QTest::qWait(1200);
    EXPECT_EQ(f.TimePicker->time(), edited); // frozen at the edited value
    f.ActionReset->trigger();
    EXPECT_EQ(Tag(f.TimePicker), 0);
    ASSERT_TRUE(WaitFor([&] { return f.TimePicker->time() != edited; }, 1500));
    EXPECT_LE(std::abs(f.TimePicker->time().secsTo(QTime::currentTime())), 2);
}

TEST_F(WindowTest, DatePickerTakesOnlyYearsTheMeterCanHold) {
    CreateForm();
    EXPECT_EQ(form->DatePicker->minimumDate(), QDate(2000, 1, 1));
    EXPECT_EQ(form->DatePicker->maximumDate(), QDate(2099, 12, 31));
    form->DatePicker->setDate(QDate(2150, 5, 5));
    EXPECT_EQ(form->DatePicker->date().year(), 2099);
}

TEST_F(WindowTest, MainWindowFitsTheSmallScreen) {
    for (const char *key : {"", "Master"}) {
        if (*key) Settings()->setValue(key, 1);
        CreateForm();
        EXPECT_LE(form->frameGeometry().width(), 1366) << key;
        EXPECT_LE(form->frameGeometry().height(), 740) << key;
        EXPECT_EQ(form->minimumSize(), form->maximumSize()) << key; // fixed size
        form.reset();
    }
}

} // namespace
