#include "meter/journal_decoders.h"

#include "link/encodings.h"
#include "meter/journal_requests.h"
#include "meter/journal_texts.h"
#include "meter/reply_fields.h"

using namespace ormix::link;

namespace ormix::meter {

namespace {
// Record lengths (the length byte L) and the data bytes each carries after the code and L.
constexpr int kYearlyLength = 0x13, kYearlyData = 17;
constexpr int kConsumptionLength = 0x15, kConsumptionData = 19;
constexpr int kBillingMonthLength = 0x0F, kBillingMonthData = 13;
constexpr int kNumberedLength = 0x09, kNumberedData = 7;

bool IsRecord(const QByteArray &reply, int length, int dataBytes) {
    return ReplyLength(reply) == length && ReplyHas(reply, 2, dataBytes);
}

QString HexByte(std::uint8_t b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}
} // namespace

QString BadJournalMonthLine() {
    return QStringLiteral("Некорректный месяц журнала");
}

QString BadJournalRowLine() {
    return QStringLiteral("Некорректная строка журнала");
}

YearlyRecord DecodeYearlyRecord(const QByteArray &reply) {
    YearlyRecord r;
    if (!ReplyHas(reply, 2, 1)) return r;
    const int m = ByteAt(reply, 2);
    r.gaugePosition = qMin(m + 1, kYearlyGaugeMaximum);
    const bool full = IsRecord(reply, kYearlyLength, kYearlyData);
    if (m >= kYearlyRecordCount) {
        if (full) r.protocolLine = BadJournalMonthLine();
        return r;
    }
    GridRowUpdate update{m + 1, 0, {MonthLabel(m)}};
    if (full) {
        YearlyValues v;
        v.month = m;
        v.year = 2000 + BcdToInt(ByteAt(reply, 3));
        update.cells[0] = HexByte(ByteAt(reply, 3)) + QLatin1Char(' ') + MonthLabel(m);
        for (int t = 0; t < 3; ++t) {
            v.counts[t] = ReadLE32(reply, 4 + 4 * t);
            update.cells << QuarterWattHoursText(v.counts[t]);
        }
        v.operatingHalfMinutes = ReadLE24(reply, 16);
        update.cells << OperatingTimeText(v.operatingHalfMinutes);
        r.values = v;
    }
    r.update = update;
    return r;
}

ConsumptionRecord DecodeConsumptionRecord(const QByteArray &reply, int currentYear) {
    ConsumptionRecord r;
    if (!ReplyHas(reply, 2, 1)) return r;
    r.gaugePosition = qMin<int>(ByteAt(reply, 2), kConsumptionGaugeMaximum);
    if (!IsRecord(reply, kConsumptionLength, kConsumptionData)) return r;

    ConsumptionValues v;
    v.page = ByteAt(reply, 2);
    v.record = ByteAt(reply, 3);
    const int minute = BcdToInt(ByteAt(reply, 4));
    const int hour = BcdToInt(ByteAt(reply, 5));
    const int day = BcdToInt(ByteAt(reply, 6));
    const int month = BcdToInt(ByteAt(reply, 7));
    const QString time = ConsumptionTimeText(currentYear, month, day, hour, minute);
    if (!time.isEmpty())
        v.moment = QDateTime(QDate(currentYear, month, day), QTime(hour, minute), Qt::UTC);
    QStringList item{QString::number(v.page), QString::number(v.record), time};
    for (int t = 0; t < 3; ++t) {
        v.counts[t] = ReadLE32(reply, 8 + 4 * t);
        item << QuarterWattHoursText(v.counts[t]);
    }
    v.status = ByteAt(reply, 20);
    item << QString::number(v.status);
    r.item = item;
    r.values = v;
    return r;
}

OldJournalRecord DecodeBillingMonthRecord(const QByteArray &reply) {
    OldJournalRecord r;
    if (!IsRecord(reply, kBillingMonthLength, kBillingMonthData)) return r;
    const int m = ByteAt(reply, 2);
    if (m >= kOldTableRows) {
        r.protocolLine = BadJournalMonthLine();
        return r;
    }
    GridRowUpdate update{m + 1, 1, {}};
    for (int t = 0; t < 3; ++t)
        update.cells << Counter17Text(ReadCounter17(reply, 3 + 3 * t));
    update.cells << OperatingTimeText(ReadLE24(reply, 12));
    r.update = update;
    return r;
}

OldJournalRecord DecodeNumberedRecord(const QByteArray &reply) {
    OldJournalRecord r;
    if (!IsRecord(reply, kNumberedLength, kNumberedData)) return r;
    const int i = ByteAt(reply, 2);
    if (i >= kOldTableRows) {
        r.protocolLine = BadJournalRowLine();
        return r;
    }
    r.update =
        GridRowUpdate{i + 1,
                      0,
                      {QString::number(ByteAt(reply, 3)),
                       HexByte(ByteAt(reply, 4)) + QLatin1Char('.') + HexByte(ByteAt(reply, 5)),
                       HexByte(ByteAt(reply, 6)) + QLatin1Char(':') + HexByte(ByteAt(reply, 7)),
                       QString::number(ByteAt(reply, 8))}};
    return r;
}

} // namespace ormix::meter
