// The journal requests answered by the emulated meter and decoded as the pages decode them:
// a whole read fills every row of its view and brings its gauge to the end.
#include "emulator/meter_model.h"
#include "link/encodings.h"
#include "meter/event_sort.h"
#include "meter/journal_decoders.h"
#include "meter/journal_requests.h"
#include "meter_test_util.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::emulator;

using namespace ormix::meter;

namespace {

// 2011-03-15 14:07:09 wall time.
const qint64 kNow = QDateTime(QDate(2011, 3, 15), QTime(14, 7, 9), Qt::UTC).toMSecsSinceEpoch();

MeterModel Meter(int major) {
    MeterState s = DefaultMeterState(kNow);
    s.clockBaseMs = kNow;
    s.firmware = {major, 1};
    s.energy = {12'345'678, 4'000'000, 800'000};
    s.operatingHalfMinutes = 900'000;
    return MeterModel(s, [] { return kNow; });
}

TEST(JournalReadAgainstEmulator, YearlyJournalFillsAllTwelveMonths) {
    RuLocale ru;
    MeterModel meter = Meter(6);
    QList<QStringList> grid(13, QStringList(5));
    std::optional<int> gauge;
    for (const QByteArray &request : YearlyJournalRequests()) {
        const YearlyRecord r = DecodeYearlyRecord(meter.handle(request));
        ASSERT_TRUE(r.update && r.values) << request.toHex(' ').constData();
        for (int c = 0; c < r.update->cells.size(); ++c)
            grid[r.update->row][r.update->firstColumn + c] = r.update->cells[c];
        gauge = r.gaugePosition;
    }
    EXPECT_EQ(gauge, kYearlyGaugeMaximum);
    // March is the current month, so its record is last year's.
    EXPECT_EQ(grid[3][0], QStringLiteral("10 март"));
    EXPECT_EQ(grid[2][0], QStringLiteral("11 фев."));
    for (int row = 1; row <= 12; ++row)
        for (int c = 0; c < 5; ++c)
            EXPECT_FALSE(grid[row][c].isEmpty()) << row << "," << c;
}

TEST(JournalReadAgainstEmulator, ConsumptionJournalAppendsSeventyNineItems) {
    RuLocale ru;
    MeterModel meter = Meter(6);
    QList<QStringList> items;
    std::optional<int> gauge;
    for (const QByteArray &request : ConsumptionJournalRequests()) {
        const ConsumptionRecord r = DecodeConsumptionRecord(meter.handle(request), 2011);
        ASSERT_TRUE(r.item);
        items << *r.item;
        gauge = r.gaugePosition;
    }
    ASSERT_EQ(items.size(), kConsumptionRecordCount);
    EXPECT_EQ(gauge, kConsumptionGaugeMaximum);
    EXPECT_EQ(items[0][2], QStringLiteral("15.03 00:00"));
    EXPECT_EQ(items[78][0], QStringLiteral("78"));
}

TEST(JournalReadAgainstEmulator, OlderFirmwareFillsBothTables) {
    MeterModel meter = Meter(5);
    QList<QStringList> readings(12, QStringList(5)), events(12, QStringList(4));
    for (const QByteArray &request : OldJournalRequests()) {
        const QByteArray reply = meter.handle(request);
        const bool billing = ByteAt(request, 0) == 0x12;
        const OldJournalRecord r =
            billing ? DecodeBillingMonthRecord(reply) : DecodeNumberedRecord(reply);
        ASSERT_TRUE(r.update) << reply.toHex(' ').constData();
        QStringList &row = (billing ? readings : events)[r.update->row - 1];
        for (int c = 0; c < r.update->cells.size(); ++c)
            row[r.update->firstColumn + c] = r.update->cells[c];
        if (!billing) EXPECT_TRUE(SortEventRows(events));
    }
    for (int r = 0; r < 12; ++r) {
        EXPECT_FALSE(readings[r][4].isEmpty()) << r;
        EXPECT_EQ(EventRowKey(events[r][0]), r + 1);
    }
}

} // namespace
