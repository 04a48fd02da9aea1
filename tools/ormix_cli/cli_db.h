#pragma once
// ormix-cli in SQL mode: the production database of [Electrometer] as the window uses it
// (identification, the server's clock, the checks and the log of a write, "Зафиксировать
// в БД"), and the administrator's commands "db init", "db describe", "db meters" and
// "db show".
#include "meter/meter_shown.h"
#include "meter/write_choices.h"
#include "records/operation_log.h"
#include "records/production_database.h"
#include "records/production_operation_log.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace ormix::cli {

using Lines = std::function<void(const QString &)>;

// The workstation in SQL mode for one run.
class CliProduction {
public:
    CliProduction(); // the connection of the configuration, the user's unsent operations
    // Identification (which sets the clock from the server): false when the run must
    // stop; the messages go to `error`.
    bool Identify(const Lines &error);
    // SyncClockWithServer before a write; false with the message when it failed.
    bool SyncClock(const Lines &error);
    records::LogReport Log(const meter::MeterShown &meter, const meter::WriteChoices &written);
    records::LogReport Fix(const meter::MeterShown &meter);
    // Server time where the PC's clock could not be set from it.
    QDateTime Now() const { return log_.Now(); }
    // What the window shows in panel 1: operations waiting for the server.
    int UnsentWaiting() const { return log_.UnsentCount(); }

private:
    records::ProductionDatabase database_;
    records::ProductionOperationLog log_;
};

// The report of a log entry as lines for standard error; true when the run ends well
// (logged, or kept to be sent later).
bool TellLogReport(const records::LogReport &report, const Lines &error);

// "db ...": `args` after "db"; the exit status of CliExit.
int RunDbCommand(const QStringList &args, const Lines &out, const Lines &error);
// Whether the command line is a "db" command (it takes none of the meter's options).
bool IsDbCommand(const QStringList &args);

} // namespace ormix::cli
