// ormix-cli: reads a meter, or writes its settings and logs the write, from the command
// line. Exit status: see CliExit.
#include "link/error_report.h"
#include "tools/ormix_cli/cli_messages.h"
#include "tools/ormix_cli/cli_options.h"
#include "tools/ormix_cli/cli_session.h"
#include "tools/ormix_cli/meter_snapshot.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdio>

using namespace ormix::cli;
using ormix::link::SetErrorReportHandler;

namespace {
void Print(std::FILE *to, const QString &line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), to);
    std::fflush(to);
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
    const CliParseResult parsed = ParseCliArguments(arguments.args);
    if (!parsed.ok()) {
        Print(stderr, QStringLiteral("ormix-cli: ") + parsed.error);
        Print(stderr, CliUsageLine());
        return ExitUsage;
    }
    if (parsed.options.command == CliCommand::Help) {
        std::fputs(CliHelpText().toUtf8().constData(), stdout);
        return ExitDone;
    }

    SetErrorReportHandler(
        [](const QString &message) { Print(stderr, QStringLiteral("ormix-cli: ") + message); });

    CliSession session(parsed.options);
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
    if (code == ExitDone && parsed.options.command == CliCommand::Write)
        Print(stdout, session.WriteReport());
    return code;
}
