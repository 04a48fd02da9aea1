// The help window's RTF reader on any file: it reads it in one pass or refuses it (then
// the document stays empty), and never crashes, however the groups, control words and
// escapes are broken.
#include "fuzz/fuzz_main.h"
#include "ui/rtf/rtf_reader.h"

#include <QTextDocument>

using namespace ormix::fuzz;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    StartQt(argc, argv, AppKind::Gui);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    const QByteArray rtf =
        ExactBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    QTextDocument document;
    const bool read = ormix::ui::ReadRtf(rtf, document);
    FUZZ_CHECK(read || !rtf.startsWith("{\\rtf")); // leading blanks and a byte-order mark pass
    if (!read) FUZZ_CHECK(document.isEmpty());
    ormix::ui::FirstHeading(document);
    return 0;
}
