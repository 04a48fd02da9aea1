#pragma once
// ormix-cli's command line: what it may say and the ranges of its values. Pure, so every
// refusal is known before the port is touched.
#include "meter/write_choices.h"
#include "tools/ormix_cli/cli_schedule.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace ormix::cli {

enum CliExit {
    ExitDone = 0,
    ExitMeter = 1,   // the meter refused or did not answer
    ExitUsage = 2,   // bad arguments
    ExitPort = 3,    // the port could not be opened
    ExitLog = 4,     // the meter took the write but the log row could not be made
    ExitDiffers = 5, // schedule diff: the meter holds another schedule than the file
};

enum class CliCommand { Help, Read, Write, Schedule, FixDb };

struct CliWriteOptions {
    int password = 0;
    bool timeNow = false;           // --time now: the PC's time when the frames are built
    std::optional<QDateTime> time;  // --time "YYYY-MM-DD hh:mm:ss"
    bool summer = false;            // --summer
    std::optional<int> newPassword; // --new-password
    std::optional<qint64> number;   // --number
    std::optional<int> correction;  // --correction
    bool statusReset = false;       // --status-reset
    std::optional<int> billingDay;  // --billing DAY HOUR
    std::optional<int> billingHour;
    std::optional<int> display; // --display, bits 0..3
    std::optional<qint64> ddm;  // --ddm
    bool resetBilling = false;  // --reset-billing
    bool resetSchedule = false; // --reset-schedule
    bool noLog = false;         // --no-log
    QString logPath;            // --log; empty: Setting.DBF in the working directory
    bool sql = false;           // --sql: the production database of [Electrometer]

    bool writesTime() const { return timeNow || time.has_value(); }
};

struct CliOptions {
    CliCommand command = CliCommand::Help;
    QString port; // --port as given; empty: the saved meter port
    int baud = 4800;
    bool trace = false;
    bool json = false; // read --json
    CliWriteOptions write;
    CliScheduleOptions schedule;
};

struct CliParseResult {
    CliOptions options;
    QString error; // names the wrong argument; empty when the line is good
    bool ok() const { return error.isEmpty(); }
};

// `args` without the program name.
CliParseResult ParseCliArguments(const QStringList &args);

QString CliUsageLine();
QString CliHelpText();

// What the connected meter's firmware cannot take of the options: the refusal text, or
// empty. The window leaves such a tick without effect; a command line that asked for it
// must not end as if it had been done.
QString CheckWriteForFirmware(const CliWriteOptions &w, int firmwareMajor,
                              const QString &versionText);

} // namespace ormix::cli
