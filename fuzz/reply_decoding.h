#pragma once
// Every reply decoder of meter/, reached by the command code of the request as the
// window's dispatch reaches it, with what each promises of its result checked.
#include <QByteArray>
#include <cstdint>
#include <vector>

namespace ormix::fuzz {

// Decodes `reply` as the answer to a request of `code` (no decoder: nothing happens).
// `firmwareMajor` and `year` are the context some decoders take.
void DecodeReplyChecked(std::uint8_t code, const QByteArray &reply, int firmwareMajor, int year);

// The request codes that have a decoder, in ascending order.
const std::vector<std::uint8_t> &DecodedCodes();

} // namespace ormix::fuzz
