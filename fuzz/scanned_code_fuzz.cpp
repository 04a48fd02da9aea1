// The scanner's bytes in any pieces: a code comes only with a carriage return, its value is
// 0..2147483647, and the buffer never holds more than its capacity; a line that arrives in
// one piece of its own gives what ScannedNumber gives for it.
//
// Input: a byte that seeds where the stream is cut, then the bytes the scanner sent.
#include "fuzz/fuzz_main.h"
#include "meter/scanned_code.h"

#include <QList>

#include <vector>

using namespace ormix::fuzz;
using ormix::meter::ScanBuffer;
using ormix::meter::ScannedNumber;

namespace {

std::vector<int> CodesOf(const QByteArray &stream, unsigned cutSeed) {
    ScanBuffer buffer;
    std::vector<int> codes;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype piece = 1 + qsizetype(cutSeed % 7);
        cutSeed = cutSeed * 1103515245u + 12345u;
        const QByteArray bytes = stream.mid(at, piece);
        at += bytes.size();
        const std::optional<int> code = buffer.Take(bytes);
        FUZZ_CHECK(buffer.Pending().size() <= ScanBuffer::kCapacity);
        if (code) {
            FUZZ_CHECK(bytes.contains('\r'));
            FUZZ_CHECK(*code >= 0);
            codes.push_back(*code);
        }
    }
    return codes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    StartQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    FUZZ_CHECK(ScannedNumber(stream) >= 0);
    CodesOf(stream, data[0]);
    // Each line on its own, as a scanner sends it: the field gets that line's value.
    ScanBuffer buffer;
    for (const QByteArray &line : stream.split('\r')) {
        if (line.size() > ScanBuffer::kCapacity) break; // dropped as noise, by design
        const std::optional<int> code = buffer.Take(line + '\r');
        FUZZ_CHECK(code && *code == ScannedNumber(line));
    }
    return 0;
}
