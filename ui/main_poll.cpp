// The poll cycle on the window: the next request, and each decoded reply applied to its
// controls under the modified-mark rules (a control the operator changed is left alone).
#include "link/commands.h"
#include "meter/poll_cycle.h"
#include "meter/poll_decoders.h"
#include "meter/status_text.h"
#include "ui/main.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <limits>

using namespace ormix::link;
using namespace ormix::meter;
using namespace ormix::records;

namespace ormix::ui {

namespace {
// A value the program puts into an editable control is no operator edit.
void setUnmarked(QSpinBox *box, int value) {
    box->setValue(value);
    SetTag(box, 0);
}
} // namespace

QByteArray TFormMain::NextPollFrame() {
    const PollStep step = NextPollRequest(PollIndex, FirmwareMajor, SpinEditVDM->isEnabled());
    PollIndex = step.nextIndex;
    return step.frame;
}

void TFormMain::DecodeReply(const QByteArray &reply, const QByteArray &request) {
    if (request.isEmpty()) return;
    switch (static_cast<std::uint8_t>(request[0])) {
    case Cmd::ReadVersion:
        ApplyVersion(reply);
        break;
    case Cmd::ReadNumber:
        ApplyNumber(reply);
        break;
    case Cmd::ReadClock:
        ApplyClock(reply);
        break;
    case Cmd::ReadCorrection:
        if (Tag(SpinClock) == 0)
            if (const auto r = DecodeCorrectionReply(reply); r.correction)
                setUnmarked(SpinClock, *r.correction);
        break;
    case Cmd::ReadStatus:
        ApplyStatus(reply);
        break;
    case Cmd::ReadDisplay: {
        QCheckBox *boxes[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4};
        int marks = 0;
        for (QCheckBox *b : boxes)
            marks += Tag(b);
        if (CheckNoIndi->isChecked() || marks != 0) break;
        if (const auto r = DecodeDisplay(reply); r.boxes)
            for (int i = 0; i < 4; ++i) {
                boxes[i]->setChecked((*r.boxes)[i]);
                SetTag(boxes[i], 0);
            }
        break;
    }
    case Cmd::ReadEnergyOld:
    case Cmd::ReadEnergy: {
        const EnergyReply r = static_cast<std::uint8_t>(request[0]) == Cmd::ReadEnergy
                                  ? DecodeEnergy(reply)
                                  : DecodeEnergyOld(reply);
        QLineEdit *current[] = {EditTariff1, EditTariff2, EditTariff3};
        QLineEdit *billing[] = {LabeledTariff1, LabeledTariff2, LabeledTariff3};
        for (int i = 0; i < 3; ++i) {
            if (r.current[i]) current[i]->setText(*r.current[i]);
            billing[i]->setText(r.billing[i]);
        }
        break;
    }
    case Cmd::ReadOperatingTime: {
        const OperatingTimeReply r = DecodeOperatingTime(reply);
        if (r.rawText) EditOff->setText(*r.rawText);
        if (r.hoursText) LabeledOff->setText(*r.hoursText);
        if (r.correctionsText) LabeledNCorrect->setText(*r.correctionsText);
        break;
    }
    case Cmd::ReadDdm:
        if (!CheckDdmRead->isChecked() && Tag(SpinEditVDM) == 0)
            if (const auto r = DecodeDdm(reply); r.number)
                setUnmarked(SpinEditVDM, static_cast<int>(*r.number));
        break;
    case Cmd::ReadBilling:
        if (!CheckReadTarif->isChecked()) {
            const BillingReply r = DecodeBilling(reply);
            if (r.day && Tag(SpinDay) == 0) setUnmarked(SpinDay, *r.day);
            if (r.hour && Tag(SpinHour) == 0) setUnmarked(SpinHour, *r.hour);
        }
        break;
    case Cmd::ReadLastDdmSession:
        if (const auto r = DecodeLastSession(reply); r.text) EditLastSeance->setText(*r.text);
        break;
    case Cmd::Password:
        ApplyPasswordAck();
        break;
    default:
        break; // schedule and journal replies: their pages are not wired yet
    }
}

void TFormMain::ApplyVersion(const QByteArray &reply) {
    const VersionReply r = DecodeVersion(reply);
    if (r.text) LabeledVersion->setText(*r.text);
    if (!r.layout) return;
    const FirmwareLayout &l = *r.layout;
    FirmwareMajor = l.firmwareMajor;
    MeterTypeId = l.meterTypeId;
    Label2->setEnabled(l.ddmControlsEnabled);
    SpinEditVDM->setEnabled(l.ddmControlsEnabled);
    CheckVDM->setEnabled(l.ddmControlsEnabled);
    {
        // A narrower range may cut the shown value; that is no operator edit either.
        const int mark = Tag(SpinEditVDM);
        SpinEditVDM->setMaximum(l.ddmMaximum ? static_cast<int>(*l.ddmMaximum)
                                             : std::numeric_limits<int>::max());
        SetTag(SpinEditVDM, mark);
    }
    if (l.ddmValue) setUnmarked(SpinEditVDM, *l.ddmValue);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), l.oldJournalsVisible);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), l.newJournalsVisible);
    CheckReset->setVisible(l.checkResetVisible);
    StringAttrib->setVisible(l.scheduleExtrasVisible);
    GroupCel->setVisible(l.scheduleExtrasVisible);
    GroupTransfer->setVisible(l.scheduleExtrasVisible);
    EditLastSeance->hide();
    LabelLastSeance->hide();
}

void TFormMain::ApplyNumber(const QByteArray &reply) {
    if (Tag(SpinEdit_Number) != 0) return;
    const NumberReply r = DecodeNumber(reply);
    if (!r.number) return;
    SpinEdit_Number->setValue(static_cast<int>(*r.number));
    SpinEdit_Number->setEnabled(r.editable());
    BitBtn1->setEnabled(r.editable());
    SetTag(SpinEdit_Number, 0);
    // SQL mode looks up when this meter's clock was last set; that database is not
    // wired yet, so no drift figure is shown.
}

void TFormMain::ApplyClock(const QByteArray &reply) {
    LabeledDelta->clear();
    const ClockReply r = DecodeClock(reply);
    if (r.curTimeText) LabeledCurTime->setText(*r.curTimeText);
    for (const QString &line : r.protocolLines)
        AddProtocolLine(line);
    if (SqlMode && r.meterMoment) {
        const auto drift = UpdateDrift(*r.meterMoment, QDateTime::currentDateTime(),
                                       LastProgrammedAt, DriftState{DriftSum, DriftCount});
        if (drift) {
            DriftSum = drift->state.sum;
            DriftCount = drift->state.count;
            LabeledDelta->setText(drift->text);
        }
    }
    if (r.summerTime) CheckSummer->setChecked(*r.summerTime);
}

void TFormMain::ApplyStatus(const QByteArray &reply) {
    const StatusReply r = DecodeStatus(reply);
    if (!r.status) return;
    if (const auto lines = StatusUpdate(*r.status, LastStatus, FirmwareMajor)) {
        Memo1->clear();
        for (const QString &line : *lines)
            Memo1->appendPlainText(line);
    }
    LastStatus = *r.status;
}

} // namespace ormix::ui
