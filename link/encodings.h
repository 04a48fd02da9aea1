#pragma once
// The number encodings of the meter protocol. Multi-byte integers are little-endian.
// Readers take a frame and an offset; the caller makes sure the bytes are there
// (HasBytes), so nothing here reads beyond a frame.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>

namespace ormix::link {

inline std::uint8_t ByteAt(const QByteArray &b, qsizetype i) {
    return static_cast<std::uint8_t>(b[i]);
}
inline bool HasBytes(const QByteArray &b, qsizetype offset, qsizetype count) {
    return offset >= 0 && count >= 0 && offset + count <= b.size();
}

// BCD: tens in the high nibble. Decoding does not check the nibbles (0x3A gives 40).
inline int BcdToInt(std::uint8_t b) {
    return (b >> 4) * 10 + (b & 0x0F);
}
inline std::uint8_t IntToBcd(int v) {
    return static_cast<std::uint8_t>((v / 10) * 16 + v % 10);
}

std::uint32_t ReadLE16(const QByteArray &b, qsizetype offset);
std::uint32_t ReadLE24(const QByteArray &b, qsizetype offset);
std::uint32_t ReadLE32(const QByteArray &b, qsizetype offset);
void AppendLE16(QByteArray &b, std::uint32_t v);
void AppendLE24(QByteArray &b, std::uint32_t v);
void AppendLE32(QByteArray &b, std::uint32_t v);

// 17-bit counter: b0 + b1*256 + (b2 & 1)*65536; the upper seven bits of b2 are ignored.
std::uint32_t ReadCounter17(const QByteArray &b, qsizetype offset);
void AppendCounter17(QByteArray &b, std::uint32_t v);

// Energy as a count of quarter-watt-hours (1/4000 kWh).
constexpr double kKwhPerCount = 0.00025;
inline double CountToKwh(std::uint32_t count) {
    return count * kKwhPerCount;
}

// Operating time in half-minutes shown as hours ":" minutes, no leading zeros (7322 -> "61:1").
QString OperatingTimeText(std::uint32_t halfMinutes);

// The eight-byte calendar block: ss mm hh wd DD MM YY flags (BCD but wd and flags).
struct CalendarBlock {
    int seconds = 0, minutes = 0, hours = 0;
    int weekday = 0;                  // 1 = Monday .. 7 = Sunday, a plain byte
    int day = 0, month = 0, year = 0; // year is 2000 + the BCD byte
    bool summerTime = false;          // bit 7 of the flag byte
};
constexpr int kCalendarBlockSize = 8;
CalendarBlock ReadCalendarBlock(const QByteArray &b, qsizetype offset);
// Encodes a date and time (years 2000..2099) with its day of the week.
QByteArray EncodeCalendarBlock(const QDate &date, const QTime &time, bool summerTime);

// Seconds since 2000-01-01 00:00:00, counted in whole days plus a time of day
// (no time zone, no daylight saving: the meter knows neither).
QDateTime SecondsSince2000ToDateTime(std::uint32_t seconds);
std::uint32_t DateTimeToSecondsSince2000(const QDateTime &moment);

// Signed correction byte: magnitude in bits 0..4, bit 5 set = positive or zero.
int DecodeCorrection(std::uint8_t b);
std::uint8_t EncodeCorrection(int v); // v in -31..31

} // namespace ormix::link
