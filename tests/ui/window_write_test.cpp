// Writing settings from the window against the emulated meter, the log it leaves, the
// browse tab, "+", the password rules, the correction calculator and the status dialog.
#include "link/error_report.h"
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
    void PressF12() {
        QApplication::setActiveWindow(form.get());
        QTest::keyClick(form.get(), Qt::Key_F12);
    }
};

TEST_F(WriteTest, CompletedWriteLogsExactlyOneRowAndClearsThePage) {
    Settings()->setValue("Master", 1); // the clock is written too (CheckTime ticked)
    StartMeter();
    CreateForm({.indicatorMs = 300}); // the indicator is watched, not waited for
    TFormMain &f = *form;
    int indicatorShown = 0;
    QObject watch;
    QObject::connect(f.Shape1Action, &QAction::visibleChanged, &watch,
                     [&] { indicatorShown += f.Shape1Action->isVisible(); });
    Connect();
    ASSERT_TRUE(WaitFor([&] { return f.ActionSetting->isEnabled(); }));
    ASSERT_TRUE(WaitCycles(1, kCycle6));
    QTest::mouseClick(f.CheckStatus, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(f.CheckIndi, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(f.CheckBox2, Qt::LeftButton, {}, QPoint(5, 5)); // "На расч. день"
    QTest::mouseClick(f.CheckBox4, Qt::LeftButton, {}, QPoint(5, 5)); // "Время"
    QTest::mouseClick(f.CheckReset, Qt::LeftButton, {}, QPoint(5, 5));
    f.PageControl1->setCurrentWidget(f.TabSheet4); // the options count from any page
    emu->clearRequestsSeen();
    PressF12();

    ASSERT_TRUE(WaitFor([&] { return indicatorShown > 0; }));
    EXPECT_EQ(indicatorShown, 1);
    EXPECT_EQ(f.Shape1->BrushColor(), QColor(0, 255, 0));
    EXPECT_FALSE(f.LabeledPass2->isEnabled());
    QList<int> written;
    for (int code : SeenCodes())
        if (code == 0x14 || code == 0x05 || code == 0x0B || code == 0x0E || code == 0x24)
            written << code;
    EXPECT_EQ(written, (QList<int>{0x14, 0x05, 0x0B, 0x0E, 0x24}));
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

    // The indicator goes out again; polling went on and nothing more is logged.
    ASSERT_TRUE(WaitFor([&] { return !f.Shape1Action->isVisible(); }, 4000));
    EXPECT_EQ(indicatorShown, 1);
    ASSERT_TRUE(WaitCycles(1, kCycle6));
    EXPECT_EQ(LoggedToday().size(), 1);
    EXPECT_TRUE(boxes.empty());

    // The browse tab shows it; any change of the filter closes the table again.
    f.ActionOpen->trigger();
    EXPECT_EQ(f.StatusBar2Text->text(), " Записей: 1");
    EXPECT_EQ(f.PageControl1->currentWidget(), f.TabSheet5);
    EXPECT_FALSE(f.ActionOpen->isEnabled());
    EXPECT_TRUE(f.ActionClose->isEnabled());
    f.DTP1->setDate(f.DTP1->date().addDays(-1));
    EXPECT_TRUE(f.StatusBar2Text->text().isEmpty());
    EXPECT_TRUE(f.ActionOpen->isEnabled());
    f.SpinFilter->setValue(99);
    f.ActionOpen->trigger();
    EXPECT_EQ(f.StatusBar2Text->text(), " Записей: 0");

    // "+" proposes the next number after the largest logged, marked for writing.
    f.ActionDisconnect->trigger();
    ASSERT_TRUE(f.BitBtn1->isEnabled());
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(f.SpinEdit_Number->value(), 123457);
    EXPECT_EQ(Tag(f.SpinEdit_Number), 1);
}

TEST_F(WriteTest, PlusProposesNoNumberTheMeterCannotHold) {
    // The largest number a meter takes is already logged: "+" has nothing to offer.
    LocalLogInput in;
    in.factoryNumber = 16777215;
    in.today = QDate::currentDate();
    ASSERT_TRUE(LogLocalRecord(SettingLog(work.filePath("Setting.DBF")), in).ok());
    Settings()->setValue("Master", 1);
    CreateForm();
    SetErrorReportHandler([this](const QString &m) { boxes.push_back({"report", m}); });
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    SetErrorReportHandler(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("16777216")) << boxes[0].text.toStdString();
    EXPECT_EQ(form->SpinEdit_Number->value(), 0);
    EXPECT_EQ(Tag(form->SpinEdit_Number), 0);
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
        TFormMain &f = *form;
        Connect();
        ASSERT_TRUE(WaitFor([&] { return f.ActionSetting->isEnabled(); }));
        QTest::mouseClick(f.CheckStatus, Qt::LeftButton, {}, QPoint(5, 5));
        PressF12();
        ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
        EXPECT_EQ(boxes[0].title, "Ошибка");
        EXPECT_EQ(boxes[0].text, TExchangeEngine::WriteFailureText);
        EXPECT_EQ(f.Shape1->BrushColor(), QColor(255, 0, 0));
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
    TFormMain &f = *form;
    Connect();
    ASSERT_TRUE(WaitFor([&] { return f.ActionSetting->isEnabled(); }));
    PressF12();
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].title, "Ошибка БД");
    EXPECT_TRUE(boxes[0].text.startsWith("Ошибка записи в БД: ")) << boxes[0].text.toStdString();
    EXPECT_EQ(f.Shape1->BrushColor(), QColor(0, 255, 0)); // the meter took every frame
    ASSERT_TRUE(WaitCycles(1, kCycle6));
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(WriteTest, PasswordTextsGovernTheWriteAction) {
    StartMeter();
    CreateForm();
    TFormMain &f = *form;
    Connect();
    ASSERT_TRUE(WaitFor([&] { return f.ActionSetting->isEnabled(); }));

    QTest::keyClick(f.LabeledPass2, Qt::Key_End);
    QTest::keyClicks(f.LabeledPass2, "x");
    EXPECT_FALSE(f.ActionSetting->isEnabled());
    ASSERT_TRUE(WaitCycles(1, kCycle6)); // replies do not enable it again
    EXPECT_FALSE(f.ActionSetting->isEnabled());
    QTest::keyClick(f.LabeledPass2, Qt::Key_Backspace);
    EXPECT_TRUE(f.ActionSetting->isEnabled());

    // A write password out of range matters only when it is to be written.
    f.LabeledPass1->setText("70000");
    EXPECT_TRUE(f.ActionSetting->isEnabled());
    QTest::mouseClick(f.CheckPassword, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(WaitFor([&] { return !f.ActionSetting->isEnabled(); }));
}

TEST_F(WriteTest, CorrectionCalculatorInMasterMode) {
    Settings()->setValue("Master", 1);
    CreateForm();
    TFormMain &f = *form;
    QApplication::setActiveWindow(&f);
    f.PageControl1->setCurrentWidget(f.TabSheet4);
    QTest::keyClick(&f, Qt::Key_F8);
    EXPECT_EQ(f.PageControl1->currentWidget(), f.TabSheet1);
    EXPECT_TRUE(f.EditCorrect->hasFocus());
    const struct {
        const char *text;
        bool available;
        int shown;
    } cases[] = {{"1300", true, 1},  {"1250", true, 0}, {"-500", true, -31}, {"1874", true, 16},
                 {"1875", false, 0}, {"", false, 0},    {"12a", false, 0}};
    for (const auto &c : cases) {
        f.EditCorrect->setText(c.text);
        EXPECT_EQ(f.ActionCountCorrect->isEnabled(), c.available) << c.text;
        EXPECT_EQ(f.BitBtn2->isEnabled(), c.available) << c.text;
        if (!c.available) continue;
        f.SpinClock->setValue(5);
        SetTag(f.SpinClock, 0);
        QTest::keyClick(&f, Qt::Key_F9);
        EXPECT_EQ(f.SpinClock->value(), c.shown) << c.text;
        EXPECT_EQ(Tag(f.SpinClock), 1) << c.text;
    }
}

TEST_F(WriteTest, FocusCorrectDoesNothingInOperatorMode) {
    CreateForm();
    QApplication::setActiveWindow(form.get());
    form->LabeledPass1->setFocus();
    QTest::keyClick(form.get(), Qt::Key_F8);
    EXPECT_FALSE(form->EditCorrect->hasFocus());
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
    LocalLogInput in;
    in.factoryNumber = 7;
    in.currentReadingText[0] = in.currentReadingText[1] = in.currentReadingText[2] = "1.00";
    in.passwordTicked = true;
    in.newPasswordText = "70001"; // logged reduced to 16 bits
    in.indicatorTicked = true;
    in.indicatorMask = 0x0A;
    in.today = QDate::currentDate();
    in.now = QTime::currentTime();
    ASSERT_TRUE(LogLocalRecord(SettingLog(work.filePath("Setting.DBF")), in).ok());
    Settings()->setValue("Master", 1); // the logged password wins over the master default
    CreateForm();
    EXPECT_EQ(form->LabeledPass1->text(), QString::number(70001 & 0xFFFF));
    EXPECT_EQ(form->NewPassword, 70001 & 0xFFFF);
    EXPECT_FALSE(form->CheckBox1->isChecked());
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_FALSE(form->CheckBox3->isChecked());
    EXPECT_TRUE(form->CheckBox4->isChecked());
}

} // namespace
