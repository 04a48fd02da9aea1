#pragma once
// Bounds of the fields of a validated reply: data ends at the length byte L (the checksum
// follows) or at the end of what was received, whichever comes first. Decoders ask before
// they read, so a short reply is never read past and its checksum never taken for data.
#include "link/encodings.h"

#include <QByteArray>

namespace ormix::meter {

// The reply's length byte, 0 when there is none.
inline int ReplyLength(const QByteArray &reply) {
    return reply.size() >= 2 ? link::ByteAt(reply, 1) : 0;
}

// True when `count` data bytes from `offset` lie below the end of the data.
inline bool ReplyHas(const QByteArray &reply, qsizetype offset, qsizetype count) {
    const qsizetype end = qMin<qsizetype>(ReplyLength(reply), reply.size());
    return offset >= 2 && count >= 0 && offset + count <= end;
}

} // namespace ormix::meter
