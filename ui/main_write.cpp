// Writing the settings: the page turned into a write sequence, the password acknowledgement,
// and the log of a completed write.
#include "meter/write_sequence.h"
#include "records/setting_log.h"
#include "ui/main.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTimeEdit>

using namespace ormix::link;
using namespace ormix::meter;
using namespace ormix::records;

namespace ormix::ui {

void TFormMain::ActionSettingExecute() {
    if (!Connected() || !ActionSetting->isEnabled()) return;
    if (SqlMode) SyncClockWithServer();

    WriteChoices c;
    c.accessPassword = AccessPassword;
    c.newPassword = NewPassword;
    c.checkPassword = CheckPassword->isChecked();
    c.checkTime = CheckTime->isChecked();
    c.date = DatePicker->date();
    c.time = TimePicker->time();
    c.summerTime = CheckBoxClock->isChecked();
    c.factoryNumber = SpinEdit_Number->value();
    c.factoryNumberMarked = Tag(SpinEdit_Number) == 1;
    c.checkCorrect = CheckCorrect->isChecked();
    c.correction = SpinClock->value();
    c.checkStatus = CheckStatus->isChecked();
    c.checkSchedule = CheckShedule->isChecked();
    c.billingDay = SpinDay->value();
    c.billingHour = SpinHour->value();
    c.checkIndi = CheckIndi->isChecked();
    c.display = {CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked(),
                 CheckBox4->isChecked()};
    c.checkDdm = CheckVDM->isChecked();
    c.ddmEnabled = CheckVDM->isEnabled();
    c.ddmNumber = SpinEditVDM->value();
    c.checkResetVisible = !CheckReset->isHidden(); // also when another page is in front
    c.checkReset = CheckReset->isChecked();
    c.checkResetTariff = CheckResetTariff->isChecked();
    c.firmwareMajor = FirmwareMajor;

    const WriteSequence seq = BuildWriteSequence(c);
    if (!seq.ok()) {
        QMessageBox::critical(this, "Ошибка", seq.error);
        return;
    }
    Engine->SetWritePending(true);
    for (const QByteArray &frame : seq.frames)
        Engine->Commands().Append(frame);
}

void TFormMain::ApplyPasswordAck() {
    if (PasswordAckSwitches(CheckPassword->isChecked(), NewPassword, AccessPassword)) {
        LabeledPass2->setText(LabeledPass1->text());
        AccessPassword = NewPassword;
    }
    LabeledPass2->setReadOnly(true);
}

void TFormMain::LogLocalRecord() {
    LocalLogInput in;
    in.factoryNumber = SpinEdit_Number->value();
    in.versionText = LabeledVersion->text();
    in.operatingTimeText = EditOff->text();
    in.lastStatus = LastStatus;
    in.correctionCountText = LabeledNCorrect->text();
    const QLineEdit *billing[] = {LabeledTariff1, LabeledTariff2, LabeledTariff3};
    const QLineEdit *current[] = {EditTariff1, EditTariff2, EditTariff3};
    for (int i = 0; i < 3; ++i) {
        in.billingReadingText[i] = billing[i]->text();
        in.currentReadingText[i] = current[i]->text();
    }
    in.statusReset = CheckStatus->isChecked();
    in.timeTicked = CheckTime->isChecked();
    in.clockDate = DatePicker->date();
    in.clockTime = TimePicker->time();
    in.summerTime = CheckBoxClock->isChecked();
    in.correctionTicked = CheckCorrect->isChecked();
    in.correction = SpinClock->value();
    in.passwordTicked = CheckPassword->isChecked();
    in.newPasswordText = LabeledPass1->text();
    in.indicatorTicked = CheckIndi->isChecked();
    in.indicatorMask = (CheckBox1->isChecked() ? 1 : 0) | (CheckBox2->isChecked() ? 2 : 0) |
                       (CheckBox3->isChecked() ? 4 : 0) | (CheckBox4->isChecked() ? 8 : 0);
    in.vdmTicked = CheckVDM->isChecked();
    in.vdmEnabled = CheckVDM->isEnabled();
    in.vdm = SpinEditVDM->value();
    in.scheduleTicked = CheckShedule->isChecked();
    in.firmwareMajor = FirmwareMajor;
    in.billingDay = SpinDay->value();
    in.billingHour = SpinHour->value();
    const QDateTime now = QDateTime::currentDateTime();
    in.today = now.date();
    in.now = now.time();

    const auto result = ::LogLocalRecord(SettingLog(LocalTablePath()), in);
    if (!result.ok())
        QMessageBox::critical(this, "Ошибка БД", "Ошибка записи в БД: " + result.error);
}

// The production database arrives later; until then a write in SQL mode is not recorded.
void TFormMain::LogProductionRecord() {}

// The server's clock is the production database's; nothing to follow until it is wired.
void TFormMain::SyncClockWithServer() {}

} // namespace ormix::ui
