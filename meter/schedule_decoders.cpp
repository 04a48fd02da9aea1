#include "meter/schedule_decoders.h"

#include "link/commands.h"
#include "link/encodings.h"
#include "meter/schedule_editing.h"

using namespace ormix::link;

namespace ormix::meter {

namespace {
int Length(const QByteArray &reply) {
    return reply.size() >= 2 ? ByteAt(reply, 1) : -1;
}

// Data ends at L (the checksum follows) or at the end of what was received.
bool Has(const QByteArray &reply, qsizetype offset, qsizetype count) {
    const qsizetype end = qMin<qsizetype>(Length(reply), reply.size());
    return offset >= 2 && offset + count <= end;
}

int BcdAt(const QByteArray &reply, qsizetype i) {
    return BcdToInt(ByteAt(reply, i));
}

constexpr int kZoneReplyLength = 2 + 3 * kZoneCount; // 0x14
constexpr int kMaskReplyLength = 2 + kZoneCount;     // 0x08
constexpr int kHolidayReplyLength = 5;
constexpr int kTransferReplyLength = 7;
} // namespace

ZoneReply DecodeZoneReply(const QByteArray &reply) {
    ZoneReply r;
    r.singleTariff = Length(reply) == 2;
    if (Length(reply) != kZoneReplyLength) return r;
    for (int z = 0; z < kZoneCount; ++z) {
        const qsizetype at = 2 + 3 * z;
        if (!Has(reply, at, 3)) break;
        r.tariffs[z] = ByteAt(reply, at);
        const int hour = BcdAt(reply, at + 1), minute = BcdAt(reply, at + 2);
        if (QTime::isValid(hour, minute, 0))
            r.starts[z] = QTime(hour, minute);
        else
            r.protocolLines << QStringLiteral("Некорректный тариф, зона %1").arg(z);
    }
    return r;
}

MaskReply DecodeMaskReply(const QByteArray &reply) {
    MaskReply r;
    if (Length(reply) != kMaskReplyLength) return r;
    for (int z = 0; z < kZoneCount; ++z)
        if (Has(reply, 2 + z, 1)) r.masks[z] = ByteAt(reply, 2 + z);
    return r;
}

std::optional<Holiday> DecodeHolidayReply(const QByteArray &reply) {
    if (Length(reply) != kHolidayReplyLength || !Has(reply, 3, 2)) return std::nullopt;
    const Holiday h{BcdAt(reply, 3), BcdAt(reply, 4)};
    if (!IsValidHoliday(h)) return std::nullopt;
    return h;
}

std::optional<Transfer> DecodeTransferReply(const QByteArray &reply) {
    if (Length(reply) != kTransferReplyLength || !Has(reply, 3, 4)) return std::nullopt;
    const int day = BcdAt(reply, 3), month = BcdAt(reply, 4), year = 2000 + BcdAt(reply, 5);
    const int dayType = ByteAt(reply, 6);
    if (!QDate::isValid(year, month, day) || dayType < 1 || dayType > kDayTypeCount)
        return std::nullopt;
    return Transfer{QDate(year, month, day), dayType};
}

std::optional<QStringList> ApplyScheduleReply(Schedule &s, const QByteArray &reply) {
    if (reply.isEmpty()) return std::nullopt;
    switch (ByteAt(reply, 0)) {
    case Cmd::ReadZones: {
        const ZoneReply r = DecodeZoneReply(reply);
        s.singleTariff = r.singleTariff;
        for (int z = 0; z < kZoneCount; ++z) {
            if (r.tariffs[z]) s.zones[z].tariff = *r.tariffs[z];
            if (r.starts[z]) s.zones[z].start = *r.starts[z];
        }
        return r.protocolLines;
    }
    case Cmd::ReadDayAttributes:
        s.masks = DecodeMaskReply(reply).masks;
        return QStringList{};
    case Cmd::ReadHoliday:
        // A meter has sixteen slots; a list already full takes no more.
        if (const auto h = DecodeHolidayReply(reply); h && CanAddHoliday(s.holidays.size()))
            s.holidays << *h;
        return QStringList{};
    case Cmd::ReadTransfer:
        if (const auto t = DecodeTransferReply(reply); t && CanAddTransfer(s.transfers.size()))
            s.transfers << *t;
        return QStringList{};
    default:
        return std::nullopt;
    }
}

} // namespace ormix::meter
