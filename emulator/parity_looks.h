#pragma once
// Judging a request's parity on a pseudo-terminal.
//
// The pty shows the sender's settings (CMSPAR and PARODD) to this side, but only as they
// are at the moment of looking, never as they were when a byte was written: a thread that
// looks a little late sees a correct sender already switched to space and would take its
// mark byte for a space one. So a look counts only where it is pinned between two known
// bytes of the stream: the emulator reads the settings, then reads the line, and only when
// that read finds nothing (on a pty an empty read first waits for bytes still being handed
// over) was every byte written before the look already read, and none after it yet.
//
// Such a look tells what the sender had set at some moment between those two bytes, not
// what a byte went with; it becomes evidence only against what every sender following the
// protocol must show. Such a sender sets mark before the first byte and changes nothing
// until that byte is written, switches to space before the second byte, and changes
// nothing more until the last byte. So, counting only mark and space looks:
// - before the first byte, a space look after a mark look, and space the last one seen:
//   the switch to space came first, and the first byte went with space (a violation);
// - between the first and the second byte, a mark look after a space look: the sender
//   went back to mark before the rest (a violation);
// - between two later bytes, a mark look: a byte of the rest went with mark (a violation);
// - a mark look between the first and the second byte, and a space look after it there or
//   anywhere after the second byte: shown first byte mark, the rest space;
// - anything else, above all a request read in one piece after the sender had moved on,
//   is not observed. Looks after the last byte are no evidence against the request: a
//   sender that timed out may already have set mark for its next one. A sender with no
//   mark or space parity at all (a terminal program) gives no evidence either.
#include "emulator/request_framer.h"

#include <vector>

namespace ormix::emulator {

// What the sender had set, at a moment after `position` bytes of the stream had been
// written and before the next one.
struct LineLook {
    qint64 position = 0;
    LineParity parity = LineParity::Unknown;
    bool operator==(const LineLook &) const = default;
};

// Sets the request's verdict, the per-byte parity shown and, for a violation, what was
// shown, from the looks pinned inside it (the stream positions its offset and length span).
void JudgeByLooks(ObservedRequest &request, const std::vector<LineLook> &looks);

} // namespace ormix::emulator
