// Writing settings from the window against the emulated meter, the log it leaves, the
// browse tab, "+", the password rules, the correction calculator and the status dialog.
#include "link/error_report.h"
#include "records/local_log.h"
#include "records/setting_log.h"
#include "ui/status_dialog.h"
#include "ui/tag.h"
#include "ui/widgets.h"
#include "ui_test_util.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

using namespace ormix::link;
using namespace ormix::records;
using namespace ormix::platform;
using namespace ormix::emulator;
using namespace ormix::ui;

namespace {

constexpr int kCycle6 = 10;

class WriteTest : public WindowTest {
protected:
    QList<SettingRow> LoggedToday() const {
        const auto rows =
            SettingLog(work.filePath("Setting.DBF")).QuerySelect(QDate::currentDate());
        return rows.ok() ? rows.value : QList<SettingRow>{};
    }
    // A row in the table before the window starts, as a write of `meter` and `choices` of
    // today would leave it.
    void LogBeforehand(ormix::meter::MeterShown meter, ormix::meter::WriteChoices choices) {
        choices.writtenAt = QDateTime::currentDateTime();
        const LogReport r =
            LocalLog(work.filePath("Setting.DBF")).LogCompletedWrite(meter, choices);
        ASSERT_TRUE(r.logged()) << r.text.toStdString();
    }
    void PressF12() {
        QApplication::setActiveWindow(form.get());
        QTest::keyClick(form.get(), Qt::Key_F12);
    }
    void Click(const char *box) {
        QTest::mouseClick(Find<QCheckBox>(box), Qt::LeftButton, {}, QPoint(5, 5));
    }
    // Connected, the write available and one poll cycle shown.
    void ConnectAndRead() {
        Connect();
        ASSERT_TRUE(WaitFor([&] { return Find<QAction>("ActionSetting")->isEnabled(); }));
        ASSERT_TRUE(WaitCycles(1, kCycle6));
    }
    QList<int> WriteCodesSeen() const {
        QList<int> written;
        for (int code : SeenCodes())
            if (code != 0x00 && code != 0x01 && code != 0x04 && code != 0x06 && code != 0x0A &&
                code != 0x0D && code != 0x17 && code != 0x11 && code != 0x15 && code != 0x22)
                written << code;
        return written;
    }
};

TEST_F(WriteTest, CompletedWriteLogsExactlyOneRowAndTheOpenLogShowsIt) {
    Settings()->setValue("Master", 1); // the clock is written too (CheckTime ticked)
    StartMeter();
    CreateForm({.indicatorMs = 300}); // the indicator is watched, not waited for
    int indicatorShown = 0;
    QObject watch;
    auto *indicator = Find<QAction>("Shape1Action");
    QObject::connect(indicator, &QAction::visibleChanged, &watch,
                     [&] { indicatorShown += indicator->isVisible(); });
    // The log is open on its page while the write goes out.
    Find<QAction>("ActionOpen")->trigger();
    auto *count = Find<QLabel>("StatusBar2Text");
    EXPECT_EQ(count->text(), " Записей: 0");
    ConnectAndRead();
    Click("CheckStatus");
    Click("CheckIndi");
    Click("CheckBox2"); // "На расч. день"
    Click("CheckBox4"); // "Время"
    Click("CheckReset");
    auto *pages = Find<QTabWidget>("PageControl1");
    pages->setCurrentWidget(Find<QWidget>("TabSheet4")); // the options count from any page
    emu->clearRequestsSeen();
    PressF12();

    ASSERT_TRUE(WaitFor([&] { return indicatorShown > 0; }));
    EXPECT_EQ(indicatorShown, 1);
    EXPECT_EQ(Find<TShape>("Shape1")->BrushColor(), QColor(0, 255, 0));
    EXPECT_FALSE(Find<QLineEdit>("LabeledPass2")->isEnabled());
    EXPECT_EQ(WriteCodesSeen(), (QList<int>{0x14, 0x05, 0x0B, 0x0E, 0x24}));
    EXPECT_EQ(emu->state().display, 0x0A);

    const QList<SettingRow> rows = LoggedToday();
    ASSERT_EQ(rows.size(), 1);
    const SettingRow &row = rows[0];
    EXPECT_EQ(row[SettingField::CNumber].toDouble(), 123456);
    EXPECT_EQ(row[SettingField::Version].toString(), "6.2");
    EXPECT_TRUE(row[SettingField::Reset].toBool());
    EXPECT_EQ(row[SettingField::Indicator].toInt(), 0x0A);
    EXPECT_EQ(row[SettingField::CDate].toDate(), QDate::currentDate());
    EXPECT_FALSE(row[SettingField::Pass].isValid()); // CheckPassword not ticked: NULL
    EXPECT_TRUE(row[SettingField::T1C].isValid());
    EXPECT_EQ(count->text(), " Записей: 1");
    EXPECT_EQ(Find<QTableView>("DBGrid1")->model()->rowCount(), 1);

    // The indicator goes out again; polling went on and nothing more is logged.
    ASSERT_TRUE(WaitFor([&] { return !indicator->isVisible(); }, 4000));
    EXPECT_EQ(indicatorShown, 1);
    ASSERT_TRUE(WaitCycles(1, kCycle6));
    EXPECT_EQ(LoggedToday().size(), 1);
    EXPECT_TRUE(boxes.empty());

    // Any change of the filter closes the table again; opening brings its page to the front.
    pages->setCurrentWidget(Find<QWidget>("TabSheet1"));
    Find<QDateEdit>("DTP1")->setDate(Find<QDateEdit>("DTP1")->date().addDays(-1));
    EXPECT_TRUE(count->text().isEmpty());
    EXPECT_TRUE(Find<QAction>("ActionOpen")->isEnabled());
    EXPECT_FALSE(Find<QAction>("ActionClose")->isEnabled());
    Find<QSpinBox>("SpinFilter")->setValue(99);
    Find<QAction>("ActionOpen")->trigger();
    EXPECT_EQ(count->text(), " Записей: 0");
    EXPECT_EQ(pages->currentWidget(), Find<QWidget>("TabSheet5"));

    // "+" proposes the next number after the largest logged, marked for writing.
    Find<QAction>("ActionDisconnect")->trigger();
    ASSERT_TRUE(Find<QPushButton>("BitBtn1")->isEnabled());
    QTest::mouseClick(Find<QPushButton>("BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(Find<QSpinBox>("SpinEdit_Number")->value(), 123457);
    EXPECT_EQ(Tag(Find<QSpinBox>("SpinEdit_Number")), 1);
}

// The page is read once, at the click: the log records what the frames carried, and the
// password acknowledgement follows the password that went out, whatever the operator
// changes while the write runs.
TEST_F(WriteTest, WhatWasSentIsWhatIsLoggedAndFollowed) {
    StartMeter();
    CreateForm();
    ConnectAndRead();
    Click("CheckStatus");
    Click("CheckIndi");
    Click("CheckBox1");
    Click("CheckPassword");
    Find<QLineEdit>("LabeledPass1")->setText("2222");
    emu->clearRequestsSeen();
    PressF12();
    // The frames are queued; the operator changes his mind before the meter has them all.
    Click("CheckStatus");
    Click("CheckIndi");
    Click("CheckPassword");
    Find<QLineEdit>("LabeledPass1")->setText("3333");

    ASSERT_TRUE(WaitFor([&] { return LoggedToday().size() == 1; }));
    EXPECT_EQ(WriteCodesSeen(), (QList<int>{0x14, 0x14, 0x0B, 0x0E}));
    EXPECT_EQ(emu->state().password, 2222);
    const SettingRow row = LoggedToday()[0];
    EXPECT_TRUE(row[SettingField::Reset].toBool());
    EXPECT_EQ(row[SettingField::Indicator].toInt(), 0x01);
    EXPECT_EQ(row[SettingField::Pass].toInt(), 2222);
    // The access field holds the meter's password now: the next write opens it.
    EXPECT_EQ(Find<QLineEdit>("LabeledPass2")->text(), "2222");
    EXPECT_EQ(form->Shared().AccessPassword, 2222);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WriteTest, PlusProposesNoNumberTheMeterCannotHold) {
    // The largest number a meter takes is already logged: "+" has nothing to offer.
    ormix::meter::MeterShown meter;
    meter.factoryNumber = 16777215;
    LogBeforehand(meter, {});
    Settings()->setValue("Master", 1);
    CreateForm();
    SetErrorReportHandler([this](const QString &m) { boxes.push_back({"report", m}); });
    QTest::mouseClick(Find<QPushButton>("BitBtn1"), Qt::LeftButton);
    SetErrorReportHandler(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("16777216")) << boxes[0].text.toStdString();
    EXPECT_EQ(Find<QSpinBox>("SpinEdit_Number")->value(), 0);
    EXPECT_EQ(Tag(Find<QSpinBox>("SpinEdit_Number")), 0);
}

TEST_F(WriteTest, FailedWriteShowsOneMessageAndLogsNothing) {
    const struct {
        const char *name;
        std::uint16_t meterPassword;
        std::optional<Fault> fault;
    } cases[] = {
        {"wrong password", 4321, std::nullopt},
        {"no reply to the status reset", 0, Fault{.kind = Fault::NoReply, .code = 0x0B}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EmulatorOptions o;
        o.password = c.meterPassword;
        o.status = 0x10;
        StartMeter(o);
        if (c.fault) emu->addFault(*c.fault);
        CreateForm(kQuickTimeouts);
        boxes.clear();
        Connect();
        ASSERT_TRUE(WaitFor([&] { return Find<QAction>("ActionSetting")->isEnabled(); }));
        Click("CheckStatus");
        PressF12();
        ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
        EXPECT_EQ(boxes[0].title, "Ошибка");
        EXPECT_EQ(boxes[0].text, TExchangeEngine::WriteFailureText);
        EXPECT_EQ(Find<TShape>("Shape1")->BrushColor(), QColor(255, 0, 0));
        ASSERT_TRUE(WaitCycles(1, kCycle6)); // polling resumes
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(LoggedToday().isEmpty());
        EXPECT_EQ(emu->state().status, 0x10); // the reset was not carried out
        form->close();
        form.reset();
        emu.reset();
    }
}

TEST_F(WriteTest, LogFailureIsReportedAndThePollGoesOn) {
    QDir().mkdir("Setting.DBF"); // a table that cannot be opened as a file
    StartMeter();
    CreateForm();
    boxes.clear();
    Connect();
    ASSERT_TRUE(WaitFor([&] { return Find<QAction>("ActionSetting")->isEnabled(); }));
    PressF12();
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].title, "Ошибка БД");
    EXPECT_TRUE(boxes[0].text.startsWith("Ошибка записи в БД: ")) << boxes[0].text.toStdString();
    EXPECT_EQ(Find<TShape>("Shape1")->BrushColor(), QColor(0, 255, 0)); // the meter took all
    ASSERT_TRUE(WaitCycles(1, kCycle6));
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(WriteTest, PasswordTextsGovernTheWriteAction) {
    StartMeter();
    CreateForm();
    Connect();
    auto *write = Find<QAction>("ActionSetting");
    auto *access = Find<QLineEdit>("LabeledPass2");
    ASSERT_TRUE(WaitFor([&] { return write->isEnabled(); }));

    QTest::keyClick(access, Qt::Key_End);
    QTest::keyClicks(access, "x");
    EXPECT_FALSE(write->isEnabled());
    ASSERT_TRUE(WaitCycles(1, kCycle6)); // replies do not enable it again
    EXPECT_FALSE(write->isEnabled());
    QTest::keyClick(access, Qt::Key_Backspace);
    EXPECT_TRUE(write->isEnabled());

    // A write password out of range matters only when it is to be written.
    Find<QLineEdit>("LabeledPass1")->setText("70000");
    EXPECT_TRUE(write->isEnabled());
    Click("CheckPassword");
    ASSERT_TRUE(WaitFor([&] { return !write->isEnabled(); }));
}

TEST_F(WriteTest, CorrectionCalculatorInMasterMode) {
    Settings()->setValue("Master", 1);
    CreateForm();
    QApplication::setActiveWindow(form.get());
    auto *pages = Find<QTabWidget>("PageControl1");
    pages->setCurrentWidget(Find<QWidget>("TabSheet4"));
    QTest::keyClick(form.get(), Qt::Key_F8);
    EXPECT_EQ(pages->currentWidget(), Find<QWidget>("TabSheet1"));
    auto *input = Find<QLineEdit>("EditCorrect");
    EXPECT_TRUE(input->hasFocus());
    auto *spin = Find<QSpinBox>("SpinClock");
    const struct {
        const char *text;
        bool available;
        int shown;
    } cases[] = {{"1300", true, 1},  {"1250", true, 0}, {"-500", true, -31}, {"1874", true, 16},
                 {"1875", false, 0}, {"", false, 0},    {"12a", false, 0}};
    for (const auto &c : cases) {
        input->setText(c.text);
        EXPECT_EQ(Find<QAction>("ActionCountCorrect")->isEnabled(), c.available) << c.text;
        EXPECT_EQ(Find<QPushButton>("BitBtn2")->isEnabled(), c.available) << c.text;
        if (!c.available) continue;
        spin->setValue(5);
        SetTag(spin, 0);
        QTest::keyClick(form.get(), Qt::Key_F9);
        EXPECT_EQ(spin->value(), c.shown) << c.text;
        EXPECT_EQ(Tag(spin), 1) << c.text;
    }
}

TEST_F(WriteTest, FocusCorrectDoesNothingInOperatorMode) {
    CreateForm();
    QApplication::setActiveWindow(form.get());
    Find<QLineEdit>("LabeledPass1")->setFocus();
    QTest::keyClick(form.get(), Qt::Key_F8);
    EXPECT_FALSE(Find<QLineEdit>("EditCorrect")->hasFocus());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WriteTest, StatusDialogDecodesTheTypedValue) {
    TFormStatus dialog;
    EXPECT_EQ(dialog.windowTitle(), "Расшифровка статуса");
    EXPECT_EQ(dialog.Memo1->toPlainText(), "Канал 0 вышел из класса (0<Ф=В).");
    dialog.SpinEdit1->setValue(255);
    EXPECT_EQ(dialog.Memo1->toPlainText(), "Счетчик выключен.");
    dialog.SpinEdit1->setValue(0x91);
    EXPECT_EQ(dialog.Memo1->toPlainText().split('\n').first(),
              "ДДМ не описан. (Для ORMIX-1: Разряд батареи таймера календаря.)");
}

TEST_F(WriteTest, PrefillTakesTheNewestLoggedWrite) {
    ormix::meter::MeterShown meter;
    meter.factoryNumber = 7;
    meter.currentReadingText = {"1.00", "1.00", "1.00"};
    ormix::meter::WriteChoices choices;
    choices.checkPassword = true;
    choices.newPassword = 70001; // logged reduced to 16 bits
    choices.checkIndi = true;
    choices.display = 0x0A;
    LogBeforehand(meter, choices);
    Settings()->setValue("Master", 1); // the logged password wins over the master default
    CreateForm();
    EXPECT_EQ(Find<QLineEdit>("LabeledPass1")->text(), QString::number(70001 & 0xFFFF));
    EXPECT_EQ(form->Shared().NewPassword, 70001 & 0xFFFF);
    EXPECT_FALSE(Find<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("CheckBox3")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("CheckBox4")->isChecked());
}

} // namespace
