#pragma once
// Where the workstation logs: the local table Setting.DBF (local_log.h) or the production
// database of SQL mode (production_operation_log.h), chosen once at start-up. The window
// calls these and shows what comes back; it never asks which log it has.
#include "meter/meter_shown.h"
#include "meter/write_choices.h"
#include "records/answer.h"
#include "records/log_prefill.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace ormix::records {

// What became of a completed write or of "Зафиксировать в БД".
struct LogReport {
    enum class Outcome {
        Logged,  // the row is in the log
        Kept,    // the log could not be reached: the row waits in a file of unsent rows
        Refused, // the log will not take this meter (not described, in repair, ...)
        Failed,  // the row could not be written, nor kept
    };
    Outcome outcome = Outcome::Failed;
    QString title, text; // the box to show (error icon), when `text` is not empty
    // Boxes about rows kept earlier that the log refused when they were sent now.
    QStringList keptRefusals;
    bool logged() const { return outcome == Outcome::Logged; }
};

// The identification at each activation of the main window.
struct IdentityReport {
    bool endsProgram = false; // the box is shown with a warning icon, then the program ends
    QString title, text;      // a box to show, when `text` is not empty
    QStringList keptRefusals;
};

class OperationLog {
public:
    virtual ~OperationLog();

    // The end of a write sequence, settings or schedule: `meter` as the page shows it,
    // `choices` as they were written (with the moment the meter took them).
    virtual LogReport LogCompletedWrite(const meter::MeterShown &meter,
                                        const meter::WriteChoices &choices) = 0;
    // "+": the factory number to propose for a meter of this model; nothing when none is
    // left to give.
    virtual Answer<std::optional<qint64>> NextFactoryNumber(int meterTypeId) = 0;
    // Start-up: the values of the last logged operation.
    virtual Answer<LogPrefill> Prefill() = 0;

    // FormActivate: who logs (workstation, operator, installation).
    virtual IdentityReport Identify(const QString &computerName, const QString &loginName) = 0;
    // Before each write: the computer's clock from the log's own, where it keeps one.
    virtual Answer<bool> SyncClock() = 0;
    // QueryDelta: when a logged operation last set this meter's clock; the drift figure
    // counts from it. Nothing when never, or when the log keeps no such history.
    virtual Answer<std::optional<QDateTime>> LastClockSet(qint64 number, int meterTypeId) = 0;
    // "Зафиксировать в БД": an operation without settings, where the log records them.
    virtual LogReport FixInDatabase(const meter::MeterShown &meter, const QDateTime &at) = 0;

    // The time the window takes wherever it would take the PC's clock: the log's server
    // time when the PC's clock could not be set from it.
    virtual QDateTime Now() const { return QDateTime::currentDateTime(); }
    // True once, when the PC's clock was first found not set: the window says so in the
    // protocol view (the text is ClockNotice()).
    virtual bool TakeClockNotice() { return false; }
    virtual QString ClockNotice() const { return {}; }
    // Rows the meter took that wait in a file of unsent rows, to be sent when the log can
    // take them (status bar panel 1).
    virtual int UnsentCount() const { return 0; }
};

} // namespace ormix::records
