#include "link/commands.h"
#include "link/encodings.h"
#include "meter/event_sort.h"
#include "meter/journal_decoders.h"
#include "meter/journal_requests.h"
#include "meter/journal_texts.h"
#include "meter/read_progress.h"
#include "meter_test_util.h"

#include <gtest/gtest.h>

using namespace ormix::link;

using namespace ormix::meter;

namespace {

QByteArray YearlyReply(int m, int yearBcd, std::array<std::uint32_t, 3> counts,
                       std::uint32_t halfMinutes) {
    QByteArray f = Bytes({0x18, 0x13, m, yearBcd});
    for (std::uint32_t c : counts)
        AppendLE32(f, c);
    AppendLE24(f, halfMinutes);
    return WithCrc(f);
}

QByteArray ConsumptionReply(int page, int record, int minute, int hour, int day, int month,
                            std::array<std::uint32_t, 3> counts, int status) {
    QByteArray f = Bytes({0x19, 0x15, page, record, minute, hour, day, month});
    for (std::uint32_t c : counts)
        AppendLE32(f, c);
    f.append(static_cast<char>(status));
    return WithCrc(f);
}

QByteArray BillingMonthReply(int m, QByteArray energies, std::uint32_t halfMinutes) {
    QByteArray f = Bytes({0x12, 0x0F, m}) + energies;
    AppendLE24(f, halfMinutes);
    return WithCrc(f);
}

QByteArray NumberedReply(int i, int number, int b4, int b5, int b6, int b7, int status) {
    return WithCrc(Bytes({0x13, 0x09, i, number, b4, b5, b6, b7, status}));
}

QStringList Texts(std::initializer_list<const char *> texts) {
    QStringList list;
    for (const char *t : texts)
        list << QString::fromUtf8(t);
    return list;
}

// Code and index byte of each frame; every frame is a three-byte request with its checksum.
QList<std::pair<int, int>> CodesAndIndices(const QList<QByteArray> &frames) {
    QList<std::pair<int, int>> out;
    for (const QByteArray &f : frames) {
        EXPECT_EQ(f.size(), 5);
        EXPECT_EQ(ByteAt(f, 1), 0x03);
        EXPECT_TRUE(CheckCrc(f));
        out << std::pair{int(ByteAt(f, 0)), int(ByteAt(f, 2))};
    }
    return out;
}

QList<std::pair<int, int>> Indexed(int code, int count) {
    QList<std::pair<int, int>> out;
    for (int i = 0; i < count; ++i)
        out << std::pair{code, i};
    return out;
}

TEST(JournalRequests, EachReadQueuesOneFramePerRecordInOrder) {
    EXPECT_EQ(CodesAndIndices(YearlyJournalRequests()), Indexed(0x18, 12));
    EXPECT_EQ(CodesAndIndices(ConsumptionJournalRequests()), Indexed(0x19, 79));
    EXPECT_EQ(CodesAndIndices(OldJournalRequests()), Indexed(0x12, 12) + Indexed(0x13, 12));
}

TEST(JournalTexts, ValueFormatsOfBothGenerations) {
    RuLocale ru;
    EXPECT_EQ(QuarterWattHoursText(0), QStringLiteral("0,00"));
    EXPECT_EQ(QuarterWattHoursText(4000), QStringLiteral("1,00"));
    EXPECT_EQ(QuarterWattHoursText(4294967295u), QStringLiteral("1073741,82"));
    EXPECT_EQ(Counter17Text(ReadCounter17(Bytes({0xFF, 0xFF, 0xFF}), 0)), QStringLiteral("131071"));
    {
        UsLocale us;
        EXPECT_EQ(QuarterWattHoursText(4294967295u), QStringLiteral("1073741.82"));
    }

    const struct {
        int year, month, day, hour, minute;
        const char *text;
    } moments[] = {
        {2023, 3, 5, 14, 7, "05.03 14:07"},
        {2024, 2, 29, 0, 0, "29.02 00:00"},
        {2023, 2, 29, 0, 0, ""},
        {2023, 13, 1, 0, 0, ""},
        {2023, 12, 31, 23, 59, "31.12 23:59"},
        {2023, 1, 1, 24, 0, ""},
        {2023, 1, 1, 0, 60, ""},
        {2023, 4, 31, 12, 0, ""},
    };
    for (const auto &m : moments)
        EXPECT_EQ(ConsumptionTimeText(m.year, m.month, m.day, m.hour, m.minute),
                  QString::fromLatin1(m.text))
            << m.year << "-" << m.month << "-" << m.day << " " << m.hour << ":" << m.minute;
}

TEST(JournalTexts, TitlesCarryTheMeterOnlyWhenItHasANumber) {
    EXPECT_EQ(YearlyJournalTitle(0), QStringLiteral("Годовой журнал "));
    EXPECT_EQ(YearlyJournalTitle(512), QStringLiteral("Годовой журнал Счетчик № 512, "));
    EXPECT_EQ(ConsumptionJournalTitle(0), QStringLiteral("Журнал потребления "));
    EXPECT_EQ(ConsumptionJournalTitle(16777215),
              QStringLiteral("Журнал потребления Счетчик № 16777215, "));
}

TEST(YearlyRecord, FullEmptyAndOutOfRangeMonths) {
    RuLocale ru;
    const struct {
        const char *name;
        QByteArray reply;
        std::optional<int> row;
        QStringList cells; // from column 0
        int gauge;
        const char *line;
    } cases[] = {
        {"January of 2007", YearlyReply(0, 0x07, {0, 4000, 4294967295u}, 125), 1,
         Texts({"07 янв.", "0,00", "1,00", "1073741,82", "1:2"}), 1, ""},
        {"December, operating time just under 60 hours",
         YearlyReply(11, 0x24, {12345678, 1, 2}, 7199), 12,
         Texts({"24 дек.", "3086,42", "0,00", "0,00", "59:59"}), 12, ""},
        {"no operating time yet", YearlyReply(5, 0x10, {0, 0, 0}, 0), 6,
         Texts({"10 июнь", "0,00", "0,00", "0,00", "0:0"}), 6, ""},
        // Another length byte is an empty record: the bare label, the rest left alone.
        {"empty record of March", WithCrc(Bytes({0x18, 0x03, 0x02})), 3, Texts({"март"}), 3, ""},
        {"month 12",
         YearlyReply(12, 0x07, {1, 2, 3}, 4),
         std::nullopt,
         {},
         12,
         "Некорректный месяц журнала"},
        {"empty record of month 200", WithCrc(Bytes({0x18, 0x03, 200})), std::nullopt, {}, 12, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const YearlyRecord r = DecodeYearlyRecord(c.reply);
        ASSERT_EQ(r.update.has_value(), c.row.has_value());
        if (r.update) {
            EXPECT_EQ(r.update->row, *c.row);
            EXPECT_EQ(r.update->firstColumn, 0);
            EXPECT_EQ(r.update->cells, c.cells);
        }
        EXPECT_EQ(r.gaugePosition, c.gauge);
        EXPECT_EQ(r.protocolLine, QString::fromUtf8(c.line));
    }

    const YearlyRecord jan = DecodeYearlyRecord(cases[0].reply);
    ASSERT_TRUE(jan.values);
    EXPECT_EQ(jan.values->year, 2007);
    EXPECT_EQ(jan.values->counts, (std::array<std::uint32_t, 3>{0, 4000, 4294967295u}));
    EXPECT_EQ(jan.values->operatingHalfMinutes, 125u);
    EXPECT_FALSE(DecodeYearlyRecord(cases[3].reply).values);
}

TEST(ConsumptionRecord, ItemTimeAndGauge) {
    RuLocale ru;
    const ConsumptionRecord full = DecodeConsumptionRecord(
        ConsumptionReply(5, 6, 0x07, 0x14, 0x05, 0x03, {4000, 0, 4294967295u}, 7), 2023);
    ASSERT_TRUE(full.item);
    EXPECT_EQ(*full.item, Texts({"5", "6", "05.03 14:07", "1,00", "0,00", "1073741,82", "7"}));
    EXPECT_EQ(full.gaugePosition, 5);
    ASSERT_TRUE(full.values && full.values->moment);
    EXPECT_EQ(*full.values->moment, QDateTime(QDate(2023, 3, 5), QTime(14, 7), Qt::UTC));

    // 29 February only exists in a leap year; the rest of the item is shown either way.
    const QByteArray leapDay = ConsumptionReply(78, 1, 0, 0, 0x29, 0x02, {1, 2, 3}, 0);
    const ConsumptionRecord in2023 = DecodeConsumptionRecord(leapDay, 2023);
    ASSERT_TRUE(in2023.item);
    EXPECT_EQ((*in2023.item)[2], QString());
    EXPECT_EQ((*in2023.item)[0], QStringLiteral("78"));
    EXPECT_FALSE(in2023.values->moment);
    EXPECT_EQ((*DecodeConsumptionRecord(leapDay, 2024).item)[2], QStringLiteral("29.02 00:00"));

    // Any other length: nothing appended, the gauge still moves, held within 0..78.
    const ConsumptionRecord empty = DecodeConsumptionRecord(WithCrc(Bytes({0x19, 0x03, 40})), 2023);
    EXPECT_FALSE(empty.item);
    EXPECT_EQ(empty.gaugePosition, 40);
    EXPECT_EQ(DecodeConsumptionRecord(WithCrc(Bytes({0x19, 0x03, 200})), 2023).gaugePosition, 78);
}

TEST(OldJournalRecords, BillingMonthRows) {
    const OldJournalRecord r = DecodeBillingMonthRecord(
        BillingMonthReply(0, Bytes({0xFF, 0xFF, 0xFF, 0x39, 0x30, 0x00, 0x00, 0x00, 0xFE}), 7322));
    ASSERT_TRUE(r.update);
    EXPECT_EQ(r.update->row, 1);
    EXPECT_EQ(r.update->firstColumn, 1);
    EXPECT_EQ(r.update->cells, Texts({"131071", "12345", "0", "61:1"}));
    EXPECT_TRUE(r.protocolLine.isEmpty());

    const OldJournalRecord bad =
        DecodeBillingMonthRecord(BillingMonthReply(12, QByteArray(9, 0), 0));
    EXPECT_FALSE(bad.update);
    EXPECT_EQ(bad.protocolLine, QStringLiteral("Некорректный месяц журнала"));

    // Only the length 0F is a record; another says nothing, even with a month out of range.
    const OldJournalRecord other = DecodeBillingMonthRecord(WithCrc(Bytes({0x12, 0x03, 40})));
    EXPECT_FALSE(other.update);
    EXPECT_TRUE(other.protocolLine.isEmpty());
}

TEST(OldJournalRecords, NumberedRowsShowBcdAsHexDigits) {
    const OldJournalRecord r = DecodeNumberedRecord(NumberedReply(2, 7, 0x05, 0x03, 0x14, 0x07, 9));
    ASSERT_TRUE(r.update);
    EXPECT_EQ(r.update->row, 3);
    EXPECT_EQ(r.update->firstColumn, 0);
    EXPECT_EQ(r.update->cells, Texts({"7", "05.03", "14:07", "9"}));

    EXPECT_EQ(DecodeNumberedRecord(NumberedReply(0, 255, 0x1A, 0x00, 0xFF, 0x0B, 0)).update->cells,
              Texts({"255", "1A.00", "FF:0B", "0"}));

    const OldJournalRecord bad = DecodeNumberedRecord(NumberedReply(12, 1, 1, 1, 1, 1, 1));
    EXPECT_FALSE(bad.update);
    EXPECT_EQ(bad.protocolLine, QStringLiteral("Некорректная строка журнала"));
    EXPECT_FALSE(DecodeNumberedRecord(WithCrc(Bytes({0x13, 0x03, 0}))).update);
}

// Every prefix of every full record, and every length byte, decodes without reading past
// the buffer (an AddressSanitizer report otherwise). A record cut short is an empty one.
TEST(JournalRecords, ShortRepliesAreNeverReadPast) {
    const QByteArray full[] = {
        YearlyReply(3, 0x07, {1, 2, 3}, 4),
        ConsumptionReply(1, 2, 0x30, 0x12, 0x15, 0x06, {1, 2, 3}, 4),
        BillingMonthReply(3, QByteArray(9, 1), 5),
        NumberedReply(3, 1, 2, 3, 4, 5, 6),
    };
    auto decodeAll = [](const QByteArray &b) {
        DecodeYearlyRecord(b);
        DecodeConsumptionRecord(b, 2024);
        DecodeBillingMonthRecord(b);
        DecodeNumberedRecord(b);
    };
    for (const QByteArray &reply : full) {
        for (qsizetype n = 0; n <= reply.size(); ++n) {
            const ExactBytes cut(reply.left(n));
            decodeAll(cut.view());
        }
        for (int length = 0; length < 256; ++length) {
            QByteArray relabelled = reply;
            relabelled[1] = static_cast<char>(length);
            const ExactBytes exact(relabelled);
            decodeAll(exact.view());
        }
    }
    // The record's length byte over a buffer that stops inside its fields.
    const ExactBytes cut(full[0].left(12));
    const YearlyRecord r = DecodeYearlyRecord(cut.view());
    ASSERT_TRUE(r.update);
    EXPECT_EQ(r.update->cells, Texts({"апр."}));
    const ExactBytes cutItem(full[1].left(20));
    EXPECT_FALSE(DecodeConsumptionRecord(cutItem.view(), 2024).item);
}

// GridEvent rows 1..12 as the page keeps them: each reply fills row i + 1, then the rows
// are sorted.
TEST(SortEventRows, RecordsArrivingOutOfOrderEndOnTopInOrder) {
    QList<QStringList> rows(12, QStringList(4));
    int i = 0;
    for (int number : {7, 3, 5}) {
        const OldJournalRecord r = DecodeNumberedRecord(NumberedReply(i++, number, 1, 1, 1, 1, 0));
        ASSERT_TRUE(r.update);
        rows[r.update->row - 1] = r.update->cells;
        EXPECT_TRUE(SortEventRows(rows));
    }
    EXPECT_EQ(rows[0][0], QStringLiteral("3"));
    EXPECT_EQ(rows[1][0], QStringLiteral("5"));
    EXPECT_EQ(rows[2][0], QStringLiteral("7"));
    for (int r = 3; r < 12; ++r)
        EXPECT_EQ(rows[r], QStringList(4)) << r;
}

TEST(SortEventRows, KeysAndPassLimit) {
    EXPECT_EQ(EventRowKey(QString()), 999);
    EXPECT_EQ(EventRowKey(QStringLiteral("abc")), 999);
    EXPECT_EQ(EventRowKey(QStringLiteral("1.5")), 999);
    EXPECT_EQ(EventRowKey(QStringLiteral("12")), 12);

    // Equal keys keep their order: a row that is not a number stays with the empty ones.
    QList<QStringList> rows = {{"x", "a"}, {"", "b"}, {"4", "c"}, {}};
    EXPECT_TRUE(SortEventRows(rows));
    EXPECT_EQ(rows, (QList<QStringList>{{"4", "c"}, {"x", "a"}, {"", "b"}, {}}));

    // Far more rows than a grid has, in reverse: the passes stop at the limit, each having
    // carried the largest remaining key to its place.
    QList<QStringList> many;
    for (int k = 150; k > 0; --k)
        many.append({QString::number(k)});
    EXPECT_FALSE(SortEventRows(many));
    for (int r = 150 - kEventSortPassLimit; r < 150; ++r)
        EXPECT_EQ(EventRowKey(many[r][0]), r + 1);
    EXPECT_NE(EventRowKey(many[0][0]), 1);
}

TEST(ReadProgress, AnsweredOfQueuedAndTimeLeft) {
    const struct {
        int answered, queued;
        qint64 elapsedMs;
        int percent;
        std::optional<qint64> remainingMs;
        const char *text;
    } cases[] = {
        {0, 79, 0, 0, std::nullopt, "0 из 79 (0 %)"},
        {1, 79, 300, 1, 23400, "1 из 79 (1 %), осталось 0:24"},
        {40, 79, 12000, 50, 11700, "40 из 79 (50 %), осталось 0:12"},
        {79, 79, 24000, 100, 0, "79 из 79 (100 %), осталось 0:00"},
        {90, 12, 1000, 100, 0, "12 из 12 (100 %), осталось 0:00"},
        {1, 12, 400000, 8, 4400000, "1 из 12 (8 %), осталось 1:13:20"},
        {0, 0, 0, 0, std::nullopt, "0 из 0 (0 %)"},
    };
    for (const auto &c : cases) {
        const ReadProgress p = EstimateProgress(c.answered, c.queued, c.elapsedMs);
        EXPECT_EQ(p.percent, c.percent) << c.text;
        EXPECT_EQ(p.remainingMs, c.remainingMs) << c.text;
        EXPECT_EQ(ProgressText(p), QString::fromUtf8(c.text));
    }
}

} // namespace
