#include "tools/ormix_cli/cli_journal.h"

#include "records/csv_writer.h"
#include "records/xlsx_writer.h"
#include "tools/ormix_cli/journal_session.h"

#include <QJsonDocument>

namespace ormix::cli {

QString JournalUsageLine() {
    return QStringLiteral("usage: ormix-cli [--port COMn|PATH] [--baud RATE] [--trace] journal "
                          "yearly|consumption|billing|records [--json|--csv|--xlsx FILE]");
}

QString JournalHelpText() {
    return QStringLiteral(
        "journal KIND [--json|--csv|--xlsx FILE]   reads one journal of the meter\n"
        "  KIND                 yearly, consumption (firmware 6 and later),\n"
        "                       billing, records (firmware below 6)\n"
        "  --json               one JSON object: columns and rows, numbers as numbers\n"
        "  --csv                CSV on standard output (UTF-8, the locale's separator)\n"
        "  --xlsx FILE          a workbook: the title row, then the table\n"
        "  While the records arrive, standard error shows how many of how many have been\n"
        "  answered and the time left, when it is a terminal.\n");
}

std::optional<JournalParseResult> ParseJournalCommand(const QStringList &args) {
    const qsizetype at = args.indexOf(QStringLiteral("journal"));
    if (at < 0) return std::nullopt;
    JournalParseResult r;
    // The options in front are those of every command: parsed as for a read.
    const CliParseResult common = ParseCliArguments(args.mid(0, at) << QStringLiteral("read"));
    if (!common.ok()) {
        r.error = common.error;
        return r;
    }
    r.options.common = common.options;
    r.helpAsked = common.options.command == CliCommand::Help;
    std::optional<JournalKind> kind;
    int formats = 0;
    const QStringList rest = args.mid(at + 1);
    for (qsizetype i = 0; i < rest.size() && r.error.isEmpty(); ++i) {
        const QString &arg = rest[i];
        if (arg == QStringLiteral("--help")) {
            r.helpAsked = true;
        } else if (arg == QStringLiteral("--json")) {
            r.options.format = JournalFormat::Json;
            ++formats;
        } else if (arg == QStringLiteral("--csv")) {
            r.options.format = JournalFormat::Csv;
            ++formats;
        } else if (arg == QStringLiteral("--xlsx") || arg.startsWith(QStringLiteral("--xlsx="))) {
            r.options.format = JournalFormat::Xlsx;
            ++formats;
            if (arg.startsWith(QStringLiteral("--xlsx=")))
                r.options.xlsxPath = arg.mid(7);
            else if (i + 1 < rest.size())
                r.options.xlsxPath = rest[++i];
            if (r.options.xlsxPath.isEmpty()) r.error = QStringLiteral("--xlsx needs a file name");
        } else if (arg.startsWith(QStringLiteral("--"))) {
            r.error = QStringLiteral("unknown option %1 of journal").arg(arg);
        } else if (kind) {
            r.error = QStringLiteral("unexpected argument \"%1\"").arg(arg);
        } else if (!(kind = JournalKindNamed(arg))) {
            r.error = QStringLiteral("unknown journal \"%1\" (yearly, consumption, billing or "
                                     "records)")
                          .arg(arg);
        }
    }
    if (r.error.isEmpty() && formats > 1)
        r.error = QStringLiteral("--json, --csv and --xlsx exclude one another");
    if (r.error.isEmpty() && !kind && !r.helpAsked)
        r.error = QStringLiteral("journal needs a kind: yearly, consumption, billing or records");
    if (kind) r.options.kind = *kind;
    return r;
}

int RunJournalCommand(const JournalOptions &options, const JournalOutput &output) {
    JournalSession session(options, output);
    const int code = session.Run();
    // What arrived before an error or a timeout is printed all the same: it was read.
    if (code != ExitDone && code != ExitMeter) return code;
    const JournalTable &table = session.Table();
    switch (options.format) {
    case JournalFormat::Text:
        for (const QString &line : JournalText(table))
            output.out((line + QLatin1Char('\n')).toUtf8());
        break;
    case JournalFormat::Json:
        output.out(QJsonDocument(JournalJson(table)).toJson(QJsonDocument::Indented));
        break;
    case JournalFormat::Csv:
        output.out(records::CsvBytes(table.Table(session.FactoryNumber())));
        break;
    case JournalFormat::Xlsx:
        if (const QString failure =
                records::WriteXlsx(table.Table(session.FactoryNumber()), options.xlsxPath);
            !failure.isEmpty()) {
            output.err(QStringLiteral("ormix-cli: ") + failure);
            return ExitUsage;
        }
        break;
    }
    return code;
}

} // namespace ormix::cli
