// The window's side of the exchange engine: the next poll request, and each validated
// reply decoded by the table of meter/reply_decoders.h and handed to the page that shows
// it.
#include "meter/poll_cycle.h"
#include "meter/reply_decoders.h"
#include "platform/platform.h"
#include "ui/main.h"
#include "ui/pages/journal_page.h"
#include "ui/pages/old_journal_page.h"
#include "ui/pages/protocol_page.h"
#include "ui/pages/schedule_page.h"
#include "ui/pages/settings_page.h"
#include "ui/widgets.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>

namespace ormix::ui {

namespace {
template <class... F> struct Overloaded : F... { using F::operator()...; };
} // namespace

// What the engine asks of the window, each answered by the window or one of its pages.
class MainHost final : public link::TExchangeHost {
public:
    explicit MainHost(TFormMain &form) : f(form) {}

    bool IsConnected() const override { return f.Connected(); }
    QByteArray NextPollFrame() override { return f.NextPollFrame(); }
    void ResetPoll() override { f.PollIndex = 0; }
    void DecodeReply(const QByteArray &reply, const QByteArray &request) override {
        f.DecodeReply(reply, request);
    }
    bool PasswordConditionHolds() const override { return f.TabSheet1->PasswordConditionHolds(); }
    void SetActionSettingEnabled(bool on) override { f.ActionSetting->setEnabled(on); }
    void SetActionFixDbEnabled(bool on) override { f.ActionFixDb->setEnabled(on); }
    void ClearMeterView() override { f.ClearMeterView(); }
    void LogCompletedWrite() override { f.LogCompletedWrite(); }
    void DisableAccessPassword() override { f.TabSheet1->WriteCompleted(); }
    void ShowIndicator(link::TIndicator result) override {
        f.ShowResult(result == link::TIndicator::Success);
    }
    void HideIndicator() override { f.Shape1Action->setVisible(false); }
    void ActionReset() override { f.ActionResetExecute(); }
    void ShowWriteFailure(const QString &title, const QString &text) override {
        f.pendingWrite.reset();
        QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, &f);
        box.setObjectName("WriteFailureBox");
        box.exec();
    }
    void ShowSendCount(int n) override { f.StatusPanel0->setText(QString::number(n)); }
    // Called for every piece of a reply: an empty panel is left alone (clearing a label
    // lays out the status bar anew).
    void ClearLinePanel() override { f.ShowLineMessage({}); }
    void ShowLineMessage(const QString &text) override { f.ShowLineMessage(text); }
    void ProtocolLineAdded(const QString &line) override { f.TabSheet4->AddLine(line); }
    void ProtocolFirstLineRemoved() override { f.TabSheet4->RemoveFirstLine(); }
    void ProtocolCleared() override { f.TabSheet4->Clear(); }
    void Beep() override { platform::CurrentPlatform().Beep(); }

private:
    TFormMain &f;
};

std::unique_ptr<link::TExchangeHost> MakeMainHost(TFormMain &form) {
    return std::make_unique<MainHost>(form);
}

QByteArray TFormMain::NextPollFrame() {
    const meter::PollStep step =
        meter::NextPollRequest(PollIndex, shared.FirmwareMajor, TabSheet1->DdmReadable());
    PollIndex = step.nextIndex;
    return step.frame;
}

void TFormMain::DecodeReply(const QByteArray &reply, const QByteArray &request) {
    if (request.isEmpty()) return;
    const meter::ReplyContext context{QDate::currentDate().year()};
    const auto decoded = meter::DecodeReply(std::uint8_t(request[0]), reply, context);
    if (!decoded) return; // an acknowledged write: the engine lets the next frame go
    SettingsPage &s = *TabSheet1;
    std::visit(
        Overloaded{
            [&](const meter::VersionReply &r) {
                if (r.layout) {
                    shared.FirmwareMajor = r.layout->firmwareMajor;
                    shared.MeterTypeId = r.layout->meterTypeId;
                }
                s.ShowVersion(r);
                if (r.layout) ApplyFirmwareLayout(*r.layout);
            },
            [&](const meter::NumberReply &r) { s.ShowNumber(r); },
            [&](const meter::ClockReply &r) {
                s.ShowClock(r);
                for (const QString &line : r.protocolLines)
                    AddProtocolLine(line);
            },
            [&](const meter::CorrectionReply &r) { s.ShowCorrection(r); },
            [&](const meter::StatusReply &r) { s.ShowStatus(r); },
            [&](const meter::DisplayReply &r) { s.ShowDisplay(r); },
            [&](const meter::EnergyReply &r) { s.ShowEnergy(r); },
            [&](const meter::OperatingTimeReply &r) { s.ShowOperatingTime(r); },
            [&](const meter::DdmReply &r) { s.ShowDdm(r); },
            [&](const meter::BillingReply &r) { s.ShowBilling(r); },
            [&](const meter::LastSessionReply &r) { s.ShowLastSession(r); },
            [&](const meter::PasswordAck &) { s.ApplyPasswordAck(pendingWrite); },
            [&](const meter::ZoneReply &) { TabSchedule->ApplyScheduleReply(*decoded); },
            [&](const meter::MaskReply &) { TabSchedule->ApplyScheduleReply(*decoded); },
            [&](const meter::HolidayReply &) { TabSchedule->ApplyScheduleReply(*decoded); },
            [&](const meter::TransferReply &) { TabSchedule->ApplyScheduleReply(*decoded); },
            [&](const meter::YearlyRecord &) { TabSheet3->ApplyJournalReply(*decoded); },
            [&](const meter::ConsumptionRecord &) { TabSheet3->ApplyJournalReply(*decoded); },
            [&](const meter::BillingMonthReply &) { TabSheet2->ApplyJournalReply(*decoded); },
            [&](const meter::NumberedRecordReply &) { TabSheet2->ApplyJournalReply(*decoded); },
        },
        *decoded);
}

// The tabs and groups the firmware generation decides. The version is read every cycle; a tab is
// shown or hidden only when that changes, for each call lays the tab widget out anew and repaints
// the page.
void TFormMain::ApplyFirmwareLayout(const meter::FirmwareLayout &l) {
    const auto showTab = [this](QWidget *page, bool visible) {
        const int index = PageControl1->indexOf(page);
        if (PageControl1->isTabVisible(index) != visible)
            PageControl1->setTabVisible(index, visible);
    };
    showTab(TabSheet2, l.oldJournalsVisible);
    showTab(TabSheet3, l.newJournalsVisible);
    TabSchedule->ApplyFirmware(l);
}

// ---- MeterLine ----------------------------------------------------------------------------

bool TFormMain::Queued(std::uint8_t code) const {
    const link::TCommandQueue &commands = engine->Commands();
    for (int i = 0; i < commands.Count(); ++i)
        if (!commands.At(i).isEmpty() && std::uint8_t(commands.At(i)[0]) == code) return true;
    return false;
}

void TFormMain::Queue(const QList<QByteArray> &frames) {
    for (const QByteArray &frame : frames)
        engine->Commands().Append(frame);
}

void TFormMain::AddProtocolLine(const QString &line) {
    engine->Protocol().AddMessage(line);
}

} // namespace ormix::ui
