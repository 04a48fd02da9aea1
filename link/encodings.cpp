#include "link/encodings.h"

namespace ormix::link {

std::uint32_t ReadLE16(const QByteArray &b, qsizetype o) {
    return ByteAt(b, o) | (ByteAt(b, o + 1) << 8);
}
std::uint32_t ReadLE24(const QByteArray &b, qsizetype o) {
    return ReadLE16(b, o) | (ByteAt(b, o + 2) << 16);
}
std::uint32_t ReadLE32(const QByteArray &b, qsizetype o) {
    return ReadLE24(b, o) | (static_cast<std::uint32_t>(ByteAt(b, o + 3)) << 24);
}

void AppendLE16(QByteArray &b, std::uint32_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>((v >> 8) & 0xFF));
}
void AppendLE24(QByteArray &b, std::uint32_t v) {
    AppendLE16(b, v);
    b.append(static_cast<char>((v >> 16) & 0xFF));
}
void AppendLE32(QByteArray &b, std::uint32_t v) {
    AppendLE24(b, v);
    b.append(static_cast<char>((v >> 24) & 0xFF));
}

std::uint32_t ReadCounter17(const QByteArray &b, qsizetype o) {
    return ByteAt(b, o) | (ByteAt(b, o + 1) << 8) | ((ByteAt(b, o + 2) & 1u) << 16);
}
void AppendCounter17(QByteArray &b, std::uint32_t v) {
    AppendLE24(b, v & 0x1FFFF);
}

QString OperatingTimeText(std::uint32_t halfMinutes) {
    return QStringLiteral("%1:%2").arg(halfMinutes / 120).arg((halfMinutes % 120) / 2);
}

CalendarBlock ReadCalendarBlock(const QByteArray &b, qsizetype o) {
    CalendarBlock c;
    c.seconds = BcdToInt(ByteAt(b, o));
    c.minutes = BcdToInt(ByteAt(b, o + 1));
    c.hours = BcdToInt(ByteAt(b, o + 2));
    c.weekday = ByteAt(b, o + 3);
    c.day = BcdToInt(ByteAt(b, o + 4));
    c.month = BcdToInt(ByteAt(b, o + 5));
    c.year = 2000 + BcdToInt(ByteAt(b, o + 6));
    c.summerTime = (ByteAt(b, o + 7) & 0x80) != 0;
    return c;
}

QByteArray EncodeCalendarBlock(const QDate &date, const QTime &time, bool summerTime) {
    QByteArray b;
    b.append(static_cast<char>(IntToBcd(time.second())));
    b.append(static_cast<char>(IntToBcd(time.minute())));
    b.append(static_cast<char>(IntToBcd(time.hour())));
    b.append(static_cast<char>(date.dayOfWeek())); // Qt counts Monday = 1 .. Sunday = 7 too
    b.append(static_cast<char>(IntToBcd(date.day())));
    b.append(static_cast<char>(IntToBcd(date.month())));
    b.append(static_cast<char>(IntToBcd(date.year() - 2000)));
    b.append(static_cast<char>(summerTime ? 0x80 : 0x00));
    return b;
}

QDateTime SecondsSince2000ToDateTime(std::uint32_t seconds) {
    const QDate date = QDate(2000, 1, 1).addDays(seconds / 86400);
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(seconds % 86400));
    return QDateTime(date, time, Qt::UTC);
}

std::uint32_t DateTimeToSecondsSince2000(const QDateTime &moment) {
    const qint64 days = QDate(2000, 1, 1).daysTo(moment.date());
    return static_cast<std::uint32_t>(days * 86400 + QTime(0, 0).secsTo(moment.time()));
}

int DecodeCorrection(std::uint8_t b) {
    const int magnitude = b & 0x1F;
    return (b & 0x20) ? magnitude : -magnitude;
}

std::uint8_t EncodeCorrection(int v) {
    return v < 0 ? static_cast<std::uint8_t>(-v) : static_cast<std::uint8_t>(v | 0x20);
}

} // namespace ormix::link
