#pragma once
// `ormix-cli schedule read|write|diff`: the words after "schedule" on the command line, the
// frames the session queues after its first poll cycle, the replies gathered into a
// schedule, and what is printed at the end.
#include "meter/schedule.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace ormix::cli {

enum class ScheduleAction { None, Read, Write, Diff };

struct CliScheduleOptions {
    ScheduleAction action = ScheduleAction::None;
    QString file;                            // the template of write and diff
    std::optional<meter::Schedule> fromFile; // loaded before the port is opened
};

// One positional argument after "schedule": the action, then the file of write and diff.
// Empty when taken, else the refusal.
QString TakeScheduleArgument(const QString &arg, CliScheduleOptions &s);
// The whole line once read: an action given, a file where one is needed, --password with
// write and nothing else of the settings write, --json only with read.
QString CheckScheduleLine(const CliScheduleOptions &s, const QStringList &writeOptionsSeen,
                          bool json);
// Loads the template of write and diff into `fromFile`; the loader's message otherwise.
QString LoadScheduleFile(CliScheduleOptions &s);

// What the session queues once it knows the firmware, and the schedule it gathers.
class ScheduleRun {
public:
    ScheduleRun(const CliScheduleOptions &options, int firmwareMajor, int password);
    // The frames to queue; for a write empty with `error` set when the page would refuse it.
    QList<QByteArray> Frames(QString &error) const;
    bool IsWrite() const { return options_.action == ScheduleAction::Write; }
    // A validated reply to one of the schedule reads; its protocol lines.
    QStringList Take(const QByteArray &reply);
    const meter::Schedule &Read() const { return read_; }

private:
    const CliScheduleOptions &options_;
    int firmwareMajor_;
    int password_;
    meter::Schedule read_;
};

// "name : value" lines of a schedule read from a meter of this firmware.
QStringList ScheduleText(const meter::Schedule &s, int firmwareMajor);
// The differences between the meter and the file; empty when they are equal.
QStringList ScheduleDiffLines(const meter::Schedule &meter, const meter::Schedule &file,
                              int firmwareMajor);

} // namespace ormix::cli
