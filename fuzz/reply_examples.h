#pragma once
// Replies as a meter gives them, from the layouts of the command set: for each request
// code a few variants (a typical one, the short and long forms, values at their limits,
// impossible dates), and a bare acknowledgement for every write. They take the fuzzers
// straight to the decoders and are the seeds of their corpora.
#include <QByteArray>
#include <cstdint>

namespace ormix::fuzz {

// A whole reply (checksum appended) to a request of `code`; `variant` picks one of its
// forms (any number: taken modulo their count).
QByteArray ExampleReply(std::uint8_t code, int variant);
// How many forms the reply to `code` has.
int ExampleReplyCount(std::uint8_t code);

} // namespace ormix::fuzz
