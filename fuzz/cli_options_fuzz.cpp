// ormix-cli's command line on any arguments: each is taken or refused with a message that
// names it, and a line that is taken gives values inside their ranges, which the write
// builder turns into frames or refuses, for a meter of any firmware.
//
// Input: a byte of the firmware's major version, then the arguments separated by NUL bytes.
#include "fuzz/fuzz_main.h"
#include "link/frame.h"
#include "meter/write_sequence.h"
#include "tools/ormix_cli/cli_messages.h"
#include "tools/ormix_cli/cli_options.h"
#include "tools/ormix_cli/meter_snapshot.h"

using namespace ormix::fuzz;
using namespace ormix::cli;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    StartQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    const int firmwareMajor = data[0] % 12;
    const QList<QByteArray> raw =
        QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)).split('\0');
    const CliArguments arguments = CliArgumentsFromBytes(raw);
    FUZZ_CHECK(arguments.error.isEmpty() == (arguments.args.size() == raw.size()));
    if (!arguments.error.isEmpty()) return 0;

    const CliParseResult parsed = ParseCliArguments(arguments.args);
    if (!parsed.ok() || parsed.options.command != CliCommand::Write) return 0;
    const CliWriteOptions &w = parsed.options.write;
    FUZZ_CHECK(w.password >= 0 && w.password <= 0xFFFF);
    FUZZ_CHECK(!w.newPassword || (*w.newPassword >= 0 && *w.newPassword <= 0xFFFF));
    FUZZ_CHECK(!w.correction || (*w.correction >= -31 && *w.correction <= 31));
    FUZZ_CHECK(!w.display || (*w.display >= 0 && *w.display <= 15));
    FUZZ_CHECK(!(w.noLog && !w.logPath.isEmpty()));
    const QString version = QStringLiteral("%1.0").arg(firmwareMajor);
    if (!CheckWriteForFirmware(w, firmwareMajor, version).isEmpty()) return 0;
    const QDateTime clock(QDate(2026, 12, 10), QTime(14, 5));
    const ormix::meter::WriteSequence seq =
        ormix::meter::BuildWriteSequence(WriteChoicesOf(w, firmwareMajor, clock));
    if (seq.ok())
        for (const QByteArray &frame : seq.frames)
            FUZZ_CHECK(ormix::link::CheckCrc(frame)); // what goes out is a whole frame
    WrittenText(WriteChoicesOf(w, firmwareMajor, clock));
    return 0;
}
