// The poll replies on the page "Установка", applied under the modified-mark rules: a
// control the operator changed is left alone, and a value the page sets is no edit.
#include "link/error_report.h"
#include "meter/status_text.h"
#include "meter/write_sequence.h"
#include "ui/controls.h"
#include "ui/pages/settings_page.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <limits>

namespace ormix::ui {

namespace {
void SetUnmarked(QSpinBox *box, int value) {
    ShowValue(box, value);
    SetTag(box, 0);
}
} // namespace

void SettingsPage::ShowVersion(const meter::VersionReply &r) {
    if (r.text) ShowText(LabeledVersion, *r.text);
    if (!r.layout) return;
    const meter::FirmwareLayout &l = *r.layout;
    Label2->setEnabled(l.ddmControlsEnabled);
    SpinEditVDM->setEnabled(l.ddmControlsEnabled);
    CheckVDM->setEnabled(l.ddmControlsEnabled);
    {
        // A narrower range may cut the shown value; that is no operator edit either.
        // Set only when it changes: a new range lays the whole page out and repaints it,
        // and the version is read every cycle.
        const int maximum = l.ddmMaximum ? int(*l.ddmMaximum) : std::numeric_limits<int>::max();
        if (SpinEditVDM->maximum() != maximum) {
            const int mark = Tag(SpinEditVDM);
            SpinEditVDM->setMaximum(maximum);
            SetTag(SpinEditVDM, mark);
        }
    }
    if (l.ddmValue) SetUnmarked(SpinEditVDM, *l.ddmValue);
    CheckReset->setVisible(l.checkResetVisible);
    // Below firmware 6 the billing frame is never sent: the box would promise a write.
    CheckShedule->setEnabled(l.billingWritable);
    EditLastSeance->hide();
    LabelLastSeance->hide();
}

void SettingsPage::ShowNumber(const meter::NumberReply &r) {
    if (Tag(SpinEdit_Number) != 0 || !r.number) return;
    const int old = SpinEdit_Number->value();
    ShowValue(SpinEdit_Number, int(*r.number));
    SpinEdit_Number->setEnabled(r.editable());
    BitBtn1->setEnabled(r.editable());
    SetTag(SpinEdit_Number, 0);
    if (int(*r.number) == old) return;
    // The drift counts from the last time a logged operation set this meter's clock.
    const auto last = log.LastClockSet(*r.number, shared.MeterTypeId);
    if (!last.ok()) {
        link::ReportApplicationError(last.error);
        return;
    }
    LastProgrammedAt = last.value.value_or(QDateTime());
}

void SettingsPage::ShowClock(const meter::ClockReply &r) {
    if (r.curTimeText) ShowText(LabeledCurTime, *r.curTimeText);
    // Every clock reply empties the drift figure, and a new figure may fill it again.
    QString driftText;
    if (r.meterMoment) {
        const auto drift =
            meter::UpdateDrift(*r.meterMoment, log.Now(), LastProgrammedAt, {DriftSum, DriftCount});
        if (drift) {
            DriftSum = drift->state.sum;
            DriftCount = drift->state.count;
            driftText = drift->text;
        }
    }
    ShowText(LabeledDelta, driftText);
    if (r.summerTime) CheckSummer->setChecked(*r.summerTime);
}

void SettingsPage::ShowCorrection(const meter::CorrectionReply &r) {
    if (Tag(SpinClock) == 0 && r.correction) SetUnmarked(SpinClock, *r.correction);
}

void SettingsPage::ShowStatus(const meter::StatusReply &r) {
    if (!r.status) return;
    if (const auto lines =
            meter::StatusUpdate(*r.status, shared.LastStatus, shared.FirmwareMajor)) {
        Memo1->clear();
        for (const QString &line : *lines)
            Memo1->appendPlainText(line);
    }
    shared.LastStatus = *r.status;
}

void SettingsPage::ShowDisplay(const meter::DisplayReply &r) {
    QCheckBox *boxes[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4};
    int marks = 0;
    for (QCheckBox *b : boxes)
        marks += Tag(b);
    // One marked box holds all four.
    if (CheckNoIndi->isChecked() || marks != 0 || !r.boxes) return;
    for (int i = 0; i < 4; ++i) {
        boxes[i]->setChecked((*r.boxes)[i]);
        SetTag(boxes[i], 0);
    }
}

void SettingsPage::ShowEnergy(const meter::EnergyReply &r) {
    QLineEdit *current[] = {EditTariff1, EditTariff2, EditTariff3};
    QLineEdit *billing[] = {LabeledTariff1, LabeledTariff2, LabeledTariff3};
    for (int i = 0; i < 3; ++i) {
        if (r.current[i]) ShowText(current[i], *r.current[i]);
        ShowText(billing[i], r.billing[i]);
    }
}

void SettingsPage::ShowOperatingTime(const meter::OperatingTimeReply &r) {
    if (r.halfMinutes) {
        onTime = *r.halfMinutes;
        ShowText(EditOff, *r.rawText);
        ShowText(LabeledOff, *r.hoursText);
    }
    if (r.corrections) {
        correctionCount = *r.corrections;
        ShowText(LabeledNCorrect, *r.correctionsText);
    }
}

void SettingsPage::ShowDdm(const meter::DdmReply &r) {
    if (!CheckDdmRead->isChecked() && Tag(SpinEditVDM) == 0 && r.number)
        SetUnmarked(SpinEditVDM, int(*r.number));
}

void SettingsPage::ShowBilling(const meter::BillingReply &r) {
    if (CheckReadTarif->isChecked()) return;
    if (r.day && Tag(SpinDay) == 0) SetUnmarked(SpinDay, *r.day);
    if (r.hour && Tag(SpinHour) == 0) SetUnmarked(SpinHour, *r.hour);
}

void SettingsPage::ShowLastSession(const meter::LastSessionReply &r) {
    if (r.text) ShowText(EditLastSeance, *r.text);
}

// The switch follows the write that was sent, not the boxes as they are now: a new
// password that went out is the meter's password whatever the operator has ticked since.
void SettingsPage::ApplyPasswordAck(const std::optional<meter::WriteChoices> &written) {
    if (written && meter::PasswordAckSwitches(written->checkPassword, written->newPassword,
                                              written->accessPassword)) {
        LabeledPass2->setText(QString::number(written->newPassword));
        shared.AccessPassword = int(written->newPassword);
    }
    LabeledPass2->setReadOnly(true);
}

} // namespace ormix::ui
