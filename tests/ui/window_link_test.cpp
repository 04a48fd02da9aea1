// Connecting to an emulated meter: the poll cycle of each firmware generation, the controls
// it fills, the modified-mark rules, timeouts, disconnect and a port held elsewhere.
#include "link/vacomm.h"
#include "records/setting_log.h"
#include "ui_test_util.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>

using namespace ormix::link;
using namespace ormix::records;
using namespace ormix::platform;
using namespace ormix::emulator;
using namespace ormix::ui;

namespace {

struct FirmwareCase {
    const char *name;
    FirmwareVersion firmware;
    QList<int> cycle;
};

class PollCycle : public WindowTest, public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(PollCycle, ConnectReadsTheVersionTwiceThenFillsThePage) {
    const FirmwareCase &c = GetParam();
    EmulatorOptions o;
    o.firmware = c.firmware;
    o.number = 4321;
    o.status = 0x10;
    StartMeter(o);
    CreateForm();
    Connect();
    ASSERT_TRUE(WaitCycles(2, int(c.cycle.size())));
    TFormMain &f = *form;

    const QList<int> seen = SeenCodes();
    ASSERT_GE(seen.size(), 1 + 2 * c.cycle.size());
    EXPECT_EQ(seen[0], 0x00); // the connect's own request, then the cycle from index 0
    EXPECT_EQ(seen.mid(1, c.cycle.size()), c.cycle);
    EXPECT_EQ(seen.mid(1 + c.cycle.size(), c.cycle.size()), c.cycle);
    EXPECT_EQ(emu->parityViolations(), 0);

    EXPECT_EQ(Find<QLineEdit>("LabeledVersion")->text(),
              QString("%1.%2").arg(c.firmware.major).arg(c.firmware.minor));
    EXPECT_EQ(form->Shared().FirmwareMajor, c.firmware.major);
    EXPECT_EQ(form->Shared().MeterTypeId, c.firmware.major < 3 ? 1 : 6);
    EXPECT_EQ(Find<QSpinBox>("SpinEdit_Number")->value(), 4321);
    EXPECT_FALSE(
        Find<QSpinBox>("SpinEdit_Number")->isEnabled()); // a numbered meter keeps its number
    EXPECT_FALSE(Find<QPushButton>("BitBtn1")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("LabeledCurTime")->text().isEmpty());
    EXPECT_FALSE(Find<QLineEdit>("LabeledOff")->text().isEmpty());
    EXPECT_FALSE(Find<QLineEdit>("EditOff")->text().isEmpty());
    EXPECT_EQ(Find<QLineEdit>("LabeledNCorrect")->text(), "0");
    EXPECT_EQ(Find<QPlainTextEdit>("Memo1")->toPlainText(),
              "Фиксация нарушения режима потребления.");
    EXPECT_EQ(form->Shared().LastStatus, 0x10);
    EXPECT_TRUE(QRegularExpression(R"(^\d+\.\d\d$)")
                    .match(Find<QLineEdit>("EditTariff1")->text())
                    .hasMatch())
        << Find<QLineEdit>("EditTariff1")->text().toStdString();

    EXPECT_EQ(Find<QSpinBox>("SpinEditVDM")->isEnabled(), c.firmware.major >= 3);
    EXPECT_EQ(Find<QCheckBox>("CheckVDM")->isEnabled(), c.firmware.major >= 3);
    if (c.firmware.major < 3) {
        EXPECT_EQ(Find<QSpinBox>("SpinEditVDM")->value(), 1);
    }
    EXPECT_EQ(Find<QSpinBox>("SpinEditVDM")->maximum() == 65535, c.firmware.major < 6);
    EXPECT_EQ(Find<QCheckBox>("CheckReset")->isVisibleTo(&f), c.firmware.major >= 6);
    // Below firmware 6 the billing day and hour are never sent: the box is not offered.
    EXPECT_EQ(Find<QCheckBox>("CheckShedule")->isEnabled(), c.firmware.major >= 6);
    EXPECT_EQ(
        Find<QTabWidget>("PageControl1")
            ->isTabVisible(Find<QTabWidget>("PageControl1")->indexOf(Find<QWidget>("TabSheet2"))),
        c.firmware.major < 6);
    EXPECT_EQ(
        Find<QTabWidget>("PageControl1")
            ->isTabVisible(Find<QTabWidget>("PageControl1")->indexOf(Find<QWidget>("TabSheet3"))),
        c.firmware.major >= 6);
    EXPECT_EQ(!Find<QWidget>("GroupCel")->isHidden(),
              c.firmware.major >= 10); // on a page not shown now
    EXPECT_EQ(!Find<QWidget>("GroupTransfer")->isHidden(), c.firmware.major >= 10);
    EXPECT_FALSE(Find<QLineEdit>("EditLastSeance")->isVisibleTo(&f));
    EXPECT_TRUE(Find<QAction>("ActionSetting")->isEnabled());
    EXPECT_NE(Find<QLabel>("StatusBar1Panel0")->text(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Firmware, PollCycle,
    ::testing::Values(
        FirmwareCase{"V1", {1, 2}, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x0F, 0x11}},
        FirmwareCase{"V5", {5, 3}, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x0F, 0x11, 0x15}},
        FirmwareCase{"V6", {6, 2}, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x17, 0x11, 0x15, 0x22}},
        FirmwareCase{
            "V10", {10, 1}, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x17, 0x11, 0x15, 0x22, 0x2A}}),
    [](const auto &info) { return std::string(info.param.name); });

constexpr int kCycle6 = 10;

TEST_F(WindowTest, OperatorEditsStandAgainstRepliesUntilThePageIsCleared) {
    Settings()->setValue("Master", 1); // SpinClock is editable in master mode only
    EmulatorOptions o;
    o.firmware = {6, 2};
    StartMeter(o);
    CreateForm();
    Find<QCheckBox>("CheckReadTarif")->setChecked(false);
    Find<QCheckBox>("CheckNoIndi")->setChecked(false);
    Connect();
    ASSERT_TRUE(WaitCycles(1, kCycle6));
    MeterState st = emu->state();
    ASSERT_EQ(Find<QSpinBox>("SpinDay")->value(), st.billingDay);
    ASSERT_EQ(st.display, 0x0F);
    ASSERT_TRUE(Find<QCheckBox>("CheckBox2")->isChecked());

    // The operator edits: SpinClock, SpinDay (not SpinHour), CheckBox3 ticked and unticked.
    QTest::keyClick(Find<QSpinBox>("SpinClock"), Qt::Key_Up);
    QTest::keyClick(Find<QSpinBox>("SpinDay"), Qt::Key_Up);
    QTest::mouseClick(Find<QCheckBox>("CheckBox3"), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(Find<QCheckBox>("CheckBox3"), Qt::LeftButton, {}, QPoint(5, 5));
    const int myClock = Find<QSpinBox>("SpinClock")->value();
    const int myDay = Find<QSpinBox>("SpinDay")->value();

    // The meter changes behind the operator's back.
    st = emu->state();
    st.correction = -7;
    st.billingDay = 20;
    st.billingHour = 13;
    st.display = 0x05;
    emu->setState(st);
    ASSERT_TRUE(WaitCycles(2, kCycle6));
    EXPECT_EQ(Find<QSpinBox>("SpinClock")->value(), myClock);
    EXPECT_EQ(Find<QSpinBox>("SpinDay")->value(), myDay);
    EXPECT_EQ(Find<QSpinBox>("SpinHour")->value(), 13); // unmarked: follows the meter
    // One marked box holds all four: the meter's new set (boxes 1 and 3) is not shown.
    EXPECT_TRUE(Find<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("CheckBox4")->isChecked());

    // Clearing the page: the marks go, the view empties, the next replies fill it again.
    Find<QAction>("ActionReset")->trigger();
    EXPECT_TRUE(Find<QLineEdit>("LabeledVersion")->text().isEmpty());
    EXPECT_EQ(form->Shared().LastStatus, 0);
    EXPECT_TRUE(Find<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
    EXPECT_EQ(Find<QSpinBox>("SpinEdit_Number")->value(), 0);
    ASSERT_TRUE(WaitCycles(2, kCycle6));
    EXPECT_EQ(Find<QSpinBox>("SpinClock")->value(), -7);
    EXPECT_EQ(Find<QSpinBox>("SpinDay")->value(), 20);
    EXPECT_TRUE(Find<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("CheckBox3")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("CheckBox4")->isChecked());
    EXPECT_FALSE(Find<QLineEdit>("LabeledVersion")->text().isEmpty());
}

TEST_F(WindowTest, NotReadBoxesKeepTheirControlsButThePollStillAsks) {
    StartMeter();
    CreateForm();
    Find<QSpinBox>("SpinDay")->setValue(5);
    Connect();
    ASSERT_TRUE(WaitCycles(1, kCycle6));
    EXPECT_EQ(Find<QSpinBox>("SpinDay")->value(), 5); // CheckReadTarif is ticked at start
    EXPECT_TRUE(SeenCodes().contains(0x22));
    EXPECT_TRUE(SeenCodes().contains(0x0D));
}

TEST_F(WindowTest, SixTimeoutsDisableWritingUntilTheMeterAnswersAgain) {
    StartMeter();
    CreateForm(kQuickTimeouts);
    Connect();
    ASSERT_TRUE(WaitFor([&] { return Find<QAction>("ActionSetting")->isEnabled(); }));
    // What each consecutive timeout left, recorded as it happens.
    int disabledAt = -1, blankedAt = -1;
    QObject watch; // the recording ends with this test, before the window closes
    QObject::connect(Find<QAction>("ActionSetting"), &QAction::changed, &watch, [&] {
        if (!Find<QAction>("ActionSetting")->isEnabled() && disabledAt < 0)
            disabledAt = form->Engine().MissedReplies();
    });
    QObject::connect(Find<QLineEdit>("LabeledVersion"), &QLineEdit::textChanged, &watch, [&] {
        if (Find<QLineEdit>("LabeledVersion")->text().isEmpty() && blankedAt < 0)
            blankedAt = form->Engine().MissedReplies();
    });
    Fault silent;
    silent.kind = Fault::NoReply;
    silent.frames = 8;
    emu->addFault(silent);
    ASSERT_TRUE(WaitFor([&] { return form->Engine().MissedReplies() >= 6; }));
    EXPECT_EQ(disabledAt, 6); // five are not yet too many
    EXPECT_EQ(blankedAt, 6);
    EXPECT_EQ(Find<QLabel>("StatusBar1Panel1")->text(),
              "Нет ответа счетчика"); // until a byte comes
    ASSERT_TRUE(WaitFor([&] { return Find<QAction>("ActionSetting")->isEnabled(); }));
    EXPECT_EQ(form->Engine().MissedReplies(), 0);
    EXPECT_EQ(Find<QLabel>("StatusBar1Panel1")->text(), ""); // a byte came
    EXPECT_TRUE(Find<QPlainTextEdit>("Memo_Terminal")->toPlainText().contains("Timeout."));
    EXPECT_GT(platform.beeps, 0); // operator mode: each protocol line sounds
}

// The adapter pulled out while connected: the other side of the pty closes.
TEST_F(WindowTest, ALostPortIsShownAndDisconnectStillWorks) {
    StartMeter();
    CreateForm(kQuickTimeouts);
    Connect();
    emu->stop();
    ASSERT_TRUE(
        WaitFor([&] { return Find<QLabel>("StatusBar1Panel1")->text() == "Порт недоступен"; }));
    ASSERT_TRUE(WaitFor([&] { return form->Engine().MissedReplies() >= 7; }, 10000));
    EXPECT_EQ(Find<QLabel>("StatusBar1Panel1")->text(), "Порт недоступен");
    EXPECT_FALSE(Find<QAction>("ActionSetting")->isEnabled());
    EXPECT_TRUE(Find<QPlainTextEdit>("Memo_Terminal")->toPlainText().contains("Timeout."));
    Find<QAction>("ActionDisconnect")->trigger();
    EXPECT_FALSE(form->Connected());
    EXPECT_TRUE(Find<QAction>("ActionConnect")->isEnabled());
    EXPECT_FALSE(Find<TVaComm>("VaComm1")->Active());
    EXPECT_TRUE(boxes.empty());
}

// The view keeps the last 1500 lines, as the protocol view it mirrors does.
TEST_F(WindowTest, TheProtocolViewHoldsFifteenHundredLines) {
    CreateForm();
    for (int i = 1; i <= 1600; ++i)
        form->Engine().Protocol().AddMessage(QString("строка %1").arg(i));
    const QStringList lines = Find<QPlainTextEdit>("Memo_Terminal")->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 1500);
    EXPECT_EQ(lines.first(), "строка 101");
    EXPECT_EQ(lines.last(), "строка 1600");
    EXPECT_EQ(form->Engine().Protocol().Lines(), lines);
}

TEST_F(WindowTest, MasterModeTraceShowsEveryFrameSilently) {
    Settings()->setValue("Master", 1);
    StartMeter();
    CreateForm();
    EXPECT_FALSE(Find<QCheckBox>("CheckBox_Terminal")->isChecked());
    Find<QCheckBox>("CheckBox_Terminal")->setChecked(true);
    Connect();
    ASSERT_TRUE(WaitCycles(1, kCycle6));
    const QStringList lines = Find<QPlainTextEdit>("Memo_Terminal")->toPlainText().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(QRegularExpression(R"(^\d\d:\d\d:\d\d\.\d{3} Send 00 02 80 71 $)")
                    .match(lines[0])
                    .hasMatch())
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(" Received: 00 ")) << lines[1].toStdString();
    EXPECT_EQ(platform.beeps, 0);
}

TEST_F(WindowTest, DisconnectUnlocksThePortAndBlanksTheView) {
    StartMeter();
    CreateForm();
    Connect();
    EXPECT_FALSE(Find<QComboBox>("ComboPort")->isEnabled());
    EXPECT_FALSE(Find<QComboBox>("ComboBaud")->isEnabled());
    EXPECT_FALSE(Find<QMenu>("NPort")->isEnabled());
    Find<QAction>("ActionDisconnect")->trigger();
    EXPECT_TRUE(Find<QAction>("ActionConnect")->isEnabled());
    EXPECT_FALSE(Find<QAction>("ActionDisconnect")->isEnabled());
    EXPECT_FALSE(Find<QAction>("ActionSetting")->isEnabled());
    EXPECT_TRUE(Find<QComboBox>("ComboPort")->isEnabled());
    EXPECT_TRUE(Find<QComboBox>("ComboBaud")->isEnabled());
    EXPECT_TRUE(Find<QMenu>("NBaud")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("LabeledVersion")->text().isEmpty());
    EXPECT_FALSE(Find<QPushButton>("BtnReadSchedule")->isEnabled());
    const auto sent = emu->requestsSeen().size();
    QTest::qWait(300);
    EXPECT_EQ(emu->requestsSeen().size(), sent); // nothing goes out after a disconnect
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowTest, PortHeldByAnotherProgramLeavesTheWindowDisconnected) {
    StartMeter();
    CreateForm();
    TVaComm other;
    other.SetDeviceName(emu->devicePath());
    other.Open();
    Find<QAction>("ActionConnect")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Ошибка");
    EXPECT_EQ(boxes[0].text, "Ошибка открытия порта COM9");
    // The reason stays in view: panel 1 and the protocol view.
    const QString reason = "Can't open specified device COM9 (Error 16, Device or resource busy)";
    EXPECT_EQ(Find<QLabel>("StatusBar1Panel1")->text(), reason);
    EXPECT_TRUE(Find<QPlainTextEdit>("Memo_Terminal")->toPlainText().contains(reason));
    EXPECT_TRUE(Find<QAction>("ActionConnect")->isEnabled());
    EXPECT_FALSE(Find<QAction>("ActionDisconnect")->isEnabled());
    EXPECT_FALSE(Find<QTimer>("TimerStart")->isActive());
    EXPECT_TRUE(Find<QComboBox>("ComboPort")->isEnabled());
    other.Close();
}

TEST_F(WindowTest, PortAndSpeedListsAndMenusMoveTogether) {
    StartMeter();
    CreateForm();
    EXPECT_EQ(Find<QComboBox>("ComboPort")->currentText(), "COM9");
    EXPECT_EQ(Find<QComboBox>("ComboBaud")->currentText(), "4800");
    EXPECT_TRUE(Find<QAction>("N48001")->isChecked());
    Pick("ComboBaud", 3);
    EXPECT_TRUE(Find<QAction>("N96001")->isChecked());
    EXPECT_EQ(Find<TVaComm>("VaComm1")->Baudrate(), br9600);
    Find<QAction>("N24001")->trigger();
    EXPECT_EQ(Find<QComboBox>("ComboBaud")->currentText(), "2400");
    EXPECT_EQ(Find<TVaComm>("VaComm1")->Baudrate(), br2400);

    QAction *com9 = nullptr;
    for (QAction *a : Find<QMenu>("NPort")->actions())
        if (a->text() == "COM9") com9 = a;
    ASSERT_NE(com9, nullptr);
    EXPECT_TRUE(com9->isChecked());
    Find<QComboBox>("ComboPort")->setCurrentIndex(-1);
    com9->trigger();
    EXPECT_EQ(Find<QComboBox>("ComboPort")->currentText(), "COM9");
    EXPECT_EQ(Find<TVaComm>("VaComm1")->PortNum(), 9);
}

TEST_F(WindowTest, PortListFollowsAdaptersPluggedInAndOut) {
    StartMeter();
    CreateForm();
    EXPECT_EQ(Find<QComboBox>("ComboPort")->findText("COM12"), -1);
    MeterEmulator second;
    ASSERT_TRUE(second.start());
    qputenv("ORMIX_PORTS",
            ("COM9=" + emu->devicePath() + ";COM12=" + second.devicePath()).toUtf8());
    OpenPortList();
    EXPECT_NE(Find<QComboBox>("ComboPort")->findText("COM12"), -1);
    EXPECT_EQ(Find<QComboBox>("ComboPort")->currentText(), "COM9");
    qputenv("ORMIX_PORTS", ("COM12=" + second.devicePath()).toUtf8());
    OpenPortList();
    EXPECT_EQ(Find<QComboBox>("ComboPort")->findText("COM9"), -1);
    EXPECT_EQ(Find<QComboBox>("ComboPort")->currentIndex(), -1);
}

struct LocaleCase {
    const char *name;
    QLocale locale;
    const char *pattern;
};

class ReadingTexts : public WindowTest, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(ReadingTexts, FollowTheLocaleSeparator) {
    QLocale::setDefault(GetParam().locale);
    StartMeter();
    CreateForm();
    Connect();
    ASSERT_TRUE(WaitCycles(1, kCycle6));
    const QRegularExpression re(GetParam().pattern);
    for (QLineEdit *e : {Find<QLineEdit>("EditTariff1"), Find<QLineEdit>("EditTariff2"),
                         Find<QLineEdit>("EditTariff3"), Find<QLineEdit>("LabeledTariff1")})
        EXPECT_TRUE(re.match(e->text()).hasMatch()) << e->text().toStdString();
    // The log reads the same texts back as numbers.
    const double shown = QLocale().toDouble(Find<QLineEdit>("EditTariff1")->text());
    ASSERT_TRUE(WaitFor([&] { return Find<QAction>("ActionSetting")->isEnabled(); }));
    Find<QAction>("ActionSetting")->trigger();
    ASSERT_TRUE(WaitFor([&] { return QFile::exists("Setting.DBF"); }));
    const auto rows = SettingLog("Setting.DBF").QuerySelect(QDate::currentDate());
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows.value.size(), 1);
    EXPECT_NEAR(rows.value[0][SettingField::T1C].toDouble(), shown, 1.0);
    EXPECT_DOUBLE_EQ(rows.value[0][SettingField::T11].toDouble(),
                     QLocale().toDouble(Find<QLineEdit>("LabeledTariff1")->text()));
}

INSTANTIATE_TEST_SUITE_P(Locales, ReadingTexts,
                         ::testing::Values(LocaleCase{"Comma",
                                                      QLocale(QLocale::Russian, QLocale::Russia),
                                                      R"(^\d+,\d\d$)"},
                                           LocaleCase{"Point", QLocale::c(), R"(^\d+\.\d\d$)"}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
