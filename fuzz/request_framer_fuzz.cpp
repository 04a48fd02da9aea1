// The emulator's request framer on any stream of bytes, with each byte's parity shown or
// not, in pieces and pauses of any length, and through the decoder of a real port's parity
// marking. Every event is a whole request as its length byte says (a right checksum for a
// request, a wrong one for a checksum fault) at a place in the stream it has received, and
// a request the workstation sends cleanly after a pause is always found.
//
// Input: steps, each a byte naming it (see Step) and its own bytes.
#include "emulator/request_framer.h"
#include "fuzz/fuzz_main.h"
#include "link/frame.h"

using namespace ormix::fuzz;
using namespace ormix::emulator;
using namespace ormix::link;

namespace {

enum Step : int {
    Push,         // count (1..16), bytes, their parity (see LineParity), pause (2 ms units)
    Marked,       // count (1..16), bytes as a port marking parity reads them, pause (ms)
    Pause,        // pause (2 ms units), then the line is looked at
    CleanRequest, // data count (0..20), data, code, parity shown (bit 0)
    kStepCount
};

using Events = std::vector<RequestFramer::Event>;

void Check(const RequestFramer &framer, const Events &events) {
    FUZZ_CHECK(framer.pendingOffset() <= framer.received());
    for (const auto &e : events) {
        const ObservedRequest &r = e.request;
        FUZZ_CHECK(!r.bytes.isEmpty() && r.parity.size() == size_t(r.bytes.size()));
        FUZZ_CHECK(r.offset >= 0 && r.offset + r.bytes.size() <= framer.received());
        const int whole = r.bytes.size() >= 2 ? std::uint8_t(r.bytes[1]) + 2 : -1;
        if (e.type == RequestFramer::Event::Request || e.type == RequestFramer::Event::Stray)
            FUZZ_CHECK(r.bytes.size() == whole && whole >= 4 && CheckCrc(r.bytes));
        if (e.type == RequestFramer::Event::BadChecksum)
            FUZZ_CHECK(r.bytes.size() == whole && !CheckCrc(r.bytes));
    }
}

bool Found(const Events &events, const QByteArray &frame) {
    for (const auto &e : events)
        if (e.type == RequestFramer::Event::Request && e.request.bytes == frame) return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    StartQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    InputReader in(data, size);
    RequestFramer framer;
    ParityMarkDecoder marking;
    qint64 now = 1000;
    for (int steps = 0; steps < 500 && !in.Empty(); ++steps) {
        Events events;
        const auto add = [&](Events more) {
            events.insert(events.end(), more.begin(), more.end());
        };
        switch (Step(in.Byte() % kStepCount)) {
        case Push: {
            const QByteArray bytes = in.Bytes(in.Int(1, 16));
            const auto parity = LineParity(in.Int(0, 3));
            now += 2 * in.Byte();
            add(framer.push(bytes, parity, now));
            break;
        }
        case Marked: { // a real port read with PARMRK: FF 00 b for a mark byte, FF FF for FF
            const QByteArray raw = in.Bytes(in.Int(1, 16));
            now += in.Byte();
            for (const auto &run : marking.feed(raw))
                add(framer.push(run.bytes, run.parity, now));
            break;
        }
        case Pause:
            now += 2 * in.Byte();
            add(framer.idle(now));
            break;
        case CleanRequest: {
            const QByteArray body = in.Bytes(in.Int(0, 20));
            const QByteArray frame = MakeFrame(in.Byte(), body);
            const bool shown = in.Bool(); // a real port shows parity, a pty does not
            now += kRequestGapMs + 1;
            add(framer.push(frame.left(1), shown ? LineParity::Mark : LineParity::Unknown, now));
            now += 10;
            add(framer.push(frame.mid(1), shown ? LineParity::Space : LineParity::Unknown, now));
            Check(framer, events);
            FUZZ_CHECK(Found(events, frame));
            continue;
        }
        case kStepCount:
            break;
        }
        Check(framer, events);
    }
    return 0;
}
