// ormix-cli: reads a meter, or writes its settings and logs the write, from the command
// line. Exit status: see CliExit.
#include "link/error_report.h"
#include "meter/schedule_template.h"
#include "tools/ormix_cli/cli_db.h"
#include "tools/ormix_cli/cli_journal.h"
#include "tools/ormix_cli/cli_messages.h"
#include "tools/ormix_cli/cli_options.h"
#include "tools/ormix_cli/cli_schedule.h"
#include "tools/ormix_cli/cli_session.h"
#include "tools/ormix_cli/meter_snapshot.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdio>
#include <unistd.h>

using namespace ormix::cli;
using ormix::link::SetErrorReportHandler;

namespace {
void Print(std::FILE *to, const QString &line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), to);
    std::fflush(to);
}
// What schedule read and diff print; the exit status of the run.
int PrintSchedule(const CliOptions &options, const CliSession &session) {
    const ScheduleRun *run = session.Schedule();
    if (!run || run->IsWrite()) return ExitDone;
    const int major = session.Snapshot().FirmwareMajor();
    if (options.schedule.action == ScheduleAction::Diff) {
        const QStringList lines = ScheduleDiffLines(run->Read(), *options.schedule.fromFile, major);
        for (const QString &line : lines)
            Print(stdout, line);
        return lines.isEmpty() ? ExitDone : ExitDiffers;
    }
    if (options.json)
        std::fputs(ormix::meter::ScheduleToJson(run->Read()).constData(), stdout);
    else
        for (const QString &line : ScheduleText(run->Read(), major))
            Print(stdout, line);
    return ExitDone;
}

int RunJournal(const JournalParseResult &parsed) {
    if (!parsed.ok()) {
        Print(stderr, QStringLiteral("ormix-cli: ") + parsed.error);
        Print(stderr, JournalUsageLine());
        return ExitUsage;
    }
    if (parsed.helpAsked) {
        std::fputs(JournalHelpText().toUtf8().constData(), stdout);
        return ExitDone;
    }
    SetErrorReportHandler(
        [](const QString &message) { Print(stderr, QStringLiteral("ormix-cli: ") + message); });
    JournalOutput output;
    output.out = [](const QByteArray &bytes) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    };
    output.err = [](const QString &line) { Print(stderr, line); };
    // The line is rewritten in place, so only a terminal gets it.
    if (isatty(STDERR_FILENO)) {
        output.progress = [](const QString &text) {
            // Blanks past the end cover a longer line before; an empty text ends the line.
            const QString line = text.isEmpty() ? QStringLiteral("\n")
                                                : QStringLiteral("\r") + text.leftJustified(40);
            std::fputs(line.toUtf8().constData(), stderr);
            std::fflush(stderr);
        };
    }
    return RunJournalCommand(parsed.options, output);
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ormix-cli"));

    QList<QByteArray> raw;
    for (int i = 1; i < argc; ++i)
        raw.append(QByteArray(argv[i]));
    const CliArguments arguments = CliArgumentsFromBytes(raw);
    if (!arguments.error.isEmpty()) {
        Print(stderr, QStringLiteral("ormix-cli: ") + arguments.error);
        return ExitUsage;
    }
    const QStringList &args = arguments.args;
    if (const auto journal = ParseJournalCommand(args)) return RunJournal(*journal);
    if (IsDbCommand(args)) {
        return RunDbCommand(
            args.mid(1), [](const QString &line) { Print(stdout, line); },
            [](const QString &line) { Print(stderr, line); });
    }
    const CliParseResult parsed = ParseCliArguments(args);
    if (!parsed.ok()) {
        Print(stderr, QStringLiteral("ormix-cli: ") + parsed.error);
        Print(stderr, CliUsageLine());
        return ExitUsage;
    }
    if (parsed.options.command == CliCommand::Help) {
        std::fputs((CliHelpText() + QLatin1Char('\n') + JournalHelpText()).toUtf8().constData(),
                   stdout);
        return ExitDone;
    }

    SetErrorReportHandler(
        [](const QString &message) { Print(stderr, QStringLiteral("ormix-cli: ") + message); });

    CliOptions options = parsed.options;
    if (options.command == CliCommand::Schedule) {
        if (const QString error = LoadScheduleFile(options.schedule); !error.isEmpty()) {
            Print(stderr, QStringLiteral("ormix-cli: ") + error);
            return ExitUsage;
        }
    }

    CliSession session(options);
    session.ErrorLine = [](const QString &line) { Print(stderr, line); };
    const int code = session.Run();

    if (code == ExitDone && parsed.options.command == CliCommand::Read) {
        if (parsed.options.json) {
            std::fputs(QJsonDocument(SnapshotJson(session.Snapshot()))
                           .toJson(QJsonDocument::Indented)
                           .constData(),
                       stdout);
        } else {
            for (const QString &line : SnapshotText(session.Snapshot()))
                Print(stdout, line);
        }
    }
    if (code == ExitDone && options.command == CliCommand::Schedule)
        return PrintSchedule(options, session);
    if (code == ExitDone && options.command == CliCommand::Write)
        Print(stdout, session.WriteReport());
    return code;
}
