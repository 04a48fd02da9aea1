#pragma once
// Frames of the meter protocol: code, length byte L (bytes before the checksum),
// data, CRC-16/MODBUS low byte first. A whole frame is L + 2 bytes.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace ormix::link {

std::uint16_t Crc16(const char *data, qsizetype size);
inline std::uint16_t Crc16(const QByteArray &bytes) {
    return Crc16(bytes.constData(), bytes.size());
}

// Appends the checksum of all bytes of `frame`, low byte first.
void AppendCrc(QByteArray &frame);

// True when the last two bytes of `rx` are the checksum of the bytes before them.
// `rx` holds at least two bytes.
bool CheckCrc(const QByteArray &rx);

// A request of `code` with `data`, length byte and checksum filled in.
QByteArray MakeFrame(std::uint8_t code, const QByteArray &data = {});

// An error reply is exactly five bytes: request code + 0x80, 3, error code, CRC.
bool IsErrorReply(const QByteArray &rx, const QByteArray &request);

// The text reported for an error code of an error reply.
QString ErrorReplyText(int code);

// Upper-case hexadecimal, each byte as two digits followed by one space ("00 02 80 71 ").
QString HexBytes(const QByteArray &bytes);

} // namespace ormix::link
