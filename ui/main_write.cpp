// The settings write: the page read once into the operator's choices, the frames queued, and
// the log of the write when the meter has taken it all; clearing the view, the indicator.
#include "link/error_report.h"
#include "meter/write_sequence.h"
#include "ui/main.h"
#include "ui/pages/database_page.h"
#include "ui/pages/old_journal_page.h"
#include "ui/pages/settings_page.h"
#include "ui/widgets.h"

#include <QAction>
#include <QMessageBox>
#include <QTabWidget>

namespace ormix::ui {

void TFormMain::ActionSettingExecute() {
    if (!Connected() || !ActionSetting->isEnabled()) return;
    // The production database's clock first; the time frame still takes the pickers.
    const auto clock = log->SyncClock();
    if (!clock.ok()) {
        link::ReportApplicationError(clock.error);
        return;
    }
    TellClockNotSet();
    const meter::WriteChoices choices = TabSheet1->ReadChoices();
    const meter::WriteSequence seq = meter::BuildWriteSequence(choices);
    if (!seq.ok()) {
        QMessageBox::critical(this, "Ошибка", seq.error);
        return;
    }
    // A second click while the first sequence runs queues a whole second one; the write
    // that completes last is the one logged.
    pendingWrite = choices;
    engine->SetWritePending(true);
    Queue(seq.frames);
}

// A schedule write is logged like a settings write, with the meter as the settings page
// shows it; the options ticked there were not written, so the row claims none of them.
void TFormMain::QueueScheduleWrite(const QList<QByteArray> &frames) {
    meter::WriteChoices logged = TabSheet1->ReadChoices();
    logged.checkPassword = logged.checkTime = logged.checkCorrect = logged.checkStatus = false;
    logged.checkSchedule = logged.checkIndi = logged.checkDdm = false;
    logged.checkReset = logged.checkResetTariff = false;
    pendingWrite = logged;
    engine->SetScheduleWritePending(true);
    Queue(frames);
}

// The queue ran empty with every frame taken.
void TFormMain::LogCompletedWrite() {
    meter::WriteChoices written = pendingWrite.value_or(TabSheet1->ReadChoices());
    pendingWrite.reset();
    written.writtenAt = log->Now();
    const records::LogReport report = log->LogCompletedWrite(TabSheet1->MeterShownNow(), written);
    if (report.logged()) TabSheet5->RowLogged();
    ShowUnsentCount(); // before the box, which waits for the operator
    if (!report.text.isEmpty()) ShowBox(report.title, report.text);
    for (const QString &refusal : report.keptRefusals)
        ShowBox(QStringLiteral("Ошибка записи в БД"), refusal);
}

void TFormMain::ClearMeterView() {
    TabSheet1->ClearMeterView(PageControl1->currentWidget() == TabSheet1);
    TabSheet2->ClearEvents();
}

void TFormMain::ActionResetExecute() {
    ClearMeterView();
    TabSheet1->ResetAccessPassword();
}

void TFormMain::ShowResult(bool success) {
    Shape1->SetBrushColor(success ? QColor(0, 255, 0) : QColor(255, 0, 0));
    Shape1Action->setVisible(true);
}

void TFormMain::ShowBox(const QString &title, const QString &text) {
    QMessageBox::critical(this, title, text);
}

} // namespace ormix::ui
