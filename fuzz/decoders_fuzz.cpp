// Every reply decoder on replies of any size and content, each in a buffer of exactly its
// bytes: no decoder reads past a reply, and each keeps the promises of its result.
//
// Input: a byte choosing the decoder (low five bits) and whether the reply is first made
// one the exchange engine lets through (bit 7: code, length byte and checksum set); a byte
// of context (low four bits the firmware's major version, high four the year from 2020);
// then the reply, or its data when it is made valid.
#include "fuzz/fuzz_main.h"
#include "fuzz/reply_decoding.h"
#include "link/frame.h"

using namespace ormix::fuzz;
using ormix::link::AppendCrc;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    StartQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    if (size < 2 || size > 2 + 253) return 0; // a length byte counts at most 255
    const std::uint8_t code = DecodedCodes()[(data[0] & 0x1F) % DecodedCodes().size()];
    const int firmwareMajor = data[1] & 0x0F;
    const int year = 2020 + (data[1] >> 4);
    QByteArray reply(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    if (data[0] & 0x80) {
        reply.prepend(char(reply.size() + 2));
        reply.prepend(char(code));
        AppendCrc(reply);
    }
    DecodeReplyChecked(code, ExactBytes(reply), firmwareMajor, year);
    return 0;
}
