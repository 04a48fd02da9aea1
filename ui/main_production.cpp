// SQL mode in the window: the identification at each activation, "Зафиксировать в БД",
// the protocol line about a PC clock that could not be set, and the count of operations
// waiting for the server in panel 1 of StatusBar1.
#include "link/error_report.h"
#include "platform/platform.h"
#include "records/production_database.h"
#include "records/production_log.h"
#include "ui/main.h"
#include "ui/pages/settings_page.h"
#include "ui/widgets.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QTimer>

namespace ormix::ui {

records::ProductionLog *TFormMain::ProductionDatabase() {
    if (!production) return nullptr;
    const QString driver = production->Connection().Settings().driver;
    if (!QSqlDatabase::isDriverAvailable(driver)) return nullptr;
    return &production->Log();
}

// Each activation identifies the workstation, the operator and the installation where the
// log knows them (the production database); the program ends when one is not described.
// The activation that follows the closing of a box shown here is not one of the
// operator's: identifying again would show the same box again, without end, while the
// server is away.
void TFormMain::FormActivate() {
    if (!log || identifying || closing) return;
    if (skipNextActivation) {
        skipNextActivation = false;
        return;
    }
    identifying = true;
    const platform::Platform &system = platform::CurrentPlatform();
    const records::IdentityReport id = log->Identify(system.ComputerName(), system.LoginName());
    if (production) {
        // What the defect dialog and the scanner read; an engine failure leaves them as
        // they were.
        const records::Workstation &who = production->Log().Identity();
        shared.ComputerId = who.computerId;
        shared.PersonId = who.personId;
        shared.PlantId = who.plantId;
    }
    TellClockNotSet();
    ShowUnsentCount();
    bool boxShown = false;
    for (const QString &refusal : id.keptRefusals) {
        ShowBox(QString::fromUtf8(records::kTitleLogRefused), refusal);
        boxShown = true;
    }
    if (!id.text.isEmpty() && id.endsProgram) {
        closing = true; // nothing more is identified, logged or saved on the way out
        QMessageBox::warning(this, id.title, id.text);
        QTimer::singleShot(0, qApp, &QApplication::quit);
    } else if (!id.text.isEmpty()) {
        link::ReportApplicationError(id.text);
        boxShown = true;
    }
    identifying = false;
    skipNextActivation = boxShown;
}

// An operation of the meter as the page shows it, without writing; the indicator turns
// green as after a write whatever became of it, and a refusal or a failure says so.
void TFormMain::ActionFixDbExecute() {
    if (!shared.SqlMode || !ActionFixDb->isEnabled()) return;
    const records::LogReport report = log->FixInDatabase(TabSheet1->MeterShownNow(), log->Now());
    engine->ShowIndicatorAsAfterWrite(link::TIndicator::Success);
    if (!report.text.isEmpty()) ShowBox(report.title, report.text);
    for (const QString &refusal : report.keptRefusals)
        ShowBox(QString::fromUtf8(records::kTitleLogRefused), refusal);
    ShowUnsentCount();
}

void TFormMain::TellClockNotSet() {
    if (log->TakeClockNotice()) engine->Protocol().AddNotice(log->ClockNotice());
}

void TFormMain::ShowUnsentCount() {
    // Operations wait for the production server; local rows wait for Setting.DBF.
    const int waiting = log->UnsentCount();
    const QString text = shared.SqlMode ? QStringLiteral("Ждут отправки в БД: %1")
                                        : QStringLiteral("Не добавлено в журнал: %1");
    unsentMessage = waiting > 0 ? text.arg(waiting) : QString();
    ShowLineMessage(lineMessage);
}

// Both messages share panel 1; the label is set only when its text changes (setting it
// lays out the status bar anew, and the line clears it for every piece of a reply).
void TFormMain::ShowLineMessage(const QString &text) {
    lineMessage = text;
    QString shown = lineMessage;
    if (!unsentMessage.isEmpty())
        shown = shown.isEmpty() ? unsentMessage : shown + QStringLiteral(" · ") + unsentMessage;
    if (StatusPanel1->text() != shown) StatusPanel1->setText(shown);
}

} // namespace ormix::ui
