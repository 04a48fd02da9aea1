#pragma once
// ormix-cli journal yearly|consumption|billing|records [--json|--csv|--xlsx FILE]: reads
// the meter's version, then one journal, record by record, and prints it. The options
// before the word "journal" (--port, --baud, --trace) are those of every command.
#include "tools/ormix_cli/cli_options.h"
#include "tools/ormix_cli/journal_table.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace ormix::cli {

enum class JournalFormat { Text, Json, Csv, Xlsx };

struct JournalOptions {
    CliOptions common; // port, speed, trace
    JournalKind kind = JournalKind::Yearly;
    JournalFormat format = JournalFormat::Text;
    QString xlsxPath; // --xlsx FILE
};

struct JournalParseResult {
    JournalOptions options;
    QString error;
    bool helpAsked = false;
    bool ok() const { return error.isEmpty(); }
};

// Nothing when `args` (without the program name) name no journal command.
std::optional<JournalParseResult> ParseJournalCommand(const QStringList &args);

QString JournalUsageLine();
QString JournalHelpText();

// Runs the command; the exit status of CliExit. `out` and `err` take standard output's and
// standard error's lines; `progress` (may be empty) the progress line, anew after each
// record, then an empty text when the read ends.
struct JournalOutput {
    std::function<void(const QByteArray &)> out;
    std::function<void(const QString &)> err;
    std::function<void(const QString &)> progress;
};
int RunJournalCommand(const JournalOptions &options, const JournalOutput &output);

} // namespace ormix::cli
