#include "meter/schedule_editing.h"
#include "meter_test_util.h"

#include <gtest/gtest.h>

using namespace ormix::link;

using namespace ormix::meter;

namespace {
// Start times as "HH:mm" and tariffs, zone 0..5.
struct ZoneView {
    QStringList starts;
    QList<int> tariffs;
    bool operator==(const ZoneView &) const = default;
};
ZoneView View(const Zones &zones) {
    ZoneView v;
    for (const ZoneEntry &z : zones) {
        v.starts << z.start.toString(QStringLiteral("HH:mm"));
        v.tariffs << z.tariff;
    }
    return v;
}
void PrintTo(const ZoneView &v, std::ostream *os) {
    *os << v.starts.join(' ').toStdString() << " /";
    for (int t : v.tariffs)
        *os << ' ' << t;
}

TEST(ZonePush, LaterZonesStayBehindAMovedZone) {
    // Defaults: 1 00:00, 2 06:30, 3 08:30, 2 11:30, 3 17:30, 2 20:30.
    const struct {
        const char *name;
        int zone;
        QTime start;
        ZoneView expected;
    } cases[] = {
        {"zone 1 to 09:00 pushes zone 2 only",
         1,
         {9, 0},
         {{"00:00", "09:00", "09:01", "11:30", "17:30", "20:30"}, {1, 2, 2, 2, 3, 2}}},
        {"zone 4 to 23:59 cannot push zone 5 past midnight",
         4,
         {23, 59},
         {{"00:00", "06:30", "08:30", "11:30", "23:59", "20:30"}, {1, 2, 3, 2, 3, 2}}},
        {"zone 3 to 23:58: zone 4 fits, zone 5 would reach midnight",
         3,
         {23, 58},
         {{"00:00", "06:30", "08:30", "23:58", "23:59", "20:30"}, {1, 2, 3, 2, 2, 2}}},
        {"zone 0 to 12:00 pushes the three zones before noon, one minute each",
         0,
         {12, 0},
         {{"12:00", "12:01", "12:02", "12:03", "17:30", "20:30"}, {1, 1, 1, 1, 3, 2}}},
        {"a later zone at the same time is pushed too",
         2,
         {11, 30},
         {{"00:00", "06:30", "11:30", "11:31", "17:30", "20:30"}, {1, 2, 3, 3, 3, 2}}},
        {"moving earlier touches nothing after",
         2,
         {7, 0},
         {{"00:00", "06:30", "07:00", "11:30", "17:30", "20:30"}, {1, 2, 3, 2, 3, 2}}},
        {"the last zone has none after it",
         5,
         {0, 0},
         {{"00:00", "06:30", "08:30", "11:30", "17:30", "00:00"}, {1, 2, 3, 2, 3, 2}}},
        {"seconds do not count",
         1,
         {8, 30, 45},
         {{"00:00", "08:30", "08:31", "11:30", "17:30", "20:30"}, {1, 2, 2, 2, 3, 2}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(View(PushLaterZones(DefaultZones(), c.zone, c.start)), c.expected) << c.name;
    EXPECT_EQ(PushLaterZones(DefaultZones(), 1, QTime(8, 30, 45))[1].start, QTime(8, 30));
    EXPECT_EQ(PushLaterZones(DefaultZones(), 6, QTime(9, 0)), DefaultZones());
}

TEST(DayTypeMarks, AClickTogglesACellOfAZoneRow) {
    Masks m{};
    m.fill(kAllDayTypes);
    m = ToggleMarkAt(m, 1, 7); // zone 0, ПР
    EXPECT_EQ(m[0], 0x7F);
    EXPECT_FALSE(MarkAt(m, 1, 7));
    EXPECT_TRUE(MarkAt(m, 1, 6));
    m = ToggleMarkAt(m, 6, 0); // zone 5, ПН
    EXPECT_EQ(m[5], 0xFE);
    EXPECT_EQ(ToggleMarkAt(ToggleMarkAt(m, 3, 2), 3, 2), m);
    for (const auto &[row, column] : {std::pair{0, 0}, {7, 0}, {1, 8}, {1, -1}}) {
        EXPECT_EQ(ToggleMarkAt(m, row, column), m) << row << "," << column;
        EXPECT_FALSE(MarkAt(m, row, column));
    }
}

TEST(Holidays, DayLimitsOfTheMonths) {
    const int limits[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month) {
        EXPECT_EQ(DayLimit(month), limits[month - 1]) << month;
        EXPECT_TRUE(IsValidHoliday({limits[month - 1], month}));
        EXPECT_FALSE(IsValidHoliday({limits[month - 1] + 1, month}));
        EXPECT_FALSE(IsValidHoliday({0, month}));
    }
    EXPECT_FALSE(IsValidHoliday({1, 0}));
    EXPECT_FALSE(IsValidHoliday({1, 13}));
}

TEST(Holidays, InsertionKeepsMonthThenDayOrder) {
    const QList<Holiday> defaults = DefaultHolidays();
    ASSERT_EQ(defaults.size(), 12);
    EXPECT_EQ(defaults[8], (Holiday{1, 5}));
    const struct {
        const char *name;
        QList<Holiday> list;
        Holiday added;
        qsizetype position;
    } cases[] = {
        {"1 May again goes in front of 1 May", defaults, {1, 5}, 8},
        {"6 January between the 5th and the 7th", defaults, {6, 1}, 5},
        {"31 December at the end", defaults, {31, 12}, 12},
        {"1 January at the top", defaults, {1, 1}, 0},
        {"into an empty list", {}, {8, 3}, 0},
        // A list read from a meter stands in slot order; the walk stops at the first later
        // entry it meets.
        {"unsorted list", {{9, 5}, {1, 1}, {8, 3}}, {2, 2}, 0},
        {"unsorted list, past earlier months", {{1, 1}, {9, 5}, {8, 3}}, {2, 2}, 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(HolidayInsertPosition(c.list, c.added), c.position) << c.name;
}

TEST(Transfers, PickerNeverBeforeTodayAndInsertionByDate) {
    const QDate today(2025, 6, 10);
    EXPECT_EQ(TransferPickerDate(today.addDays(-1), today), today);
    EXPECT_EQ(TransferPickerDate(today.addDays(1), today), today.addDays(1));

    const QList<Transfer> list{{QDate(2025, 5, 2), 6}, {QDate(2025, 11, 3), 7}};
    EXPECT_EQ(TransferInsertPosition(list, QDate(2025, 1, 1)), 0);
    EXPECT_EQ(TransferInsertPosition(list, QDate(2025, 5, 2)), 0) << "equal date in front";
    EXPECT_EQ(TransferInsertPosition(list, QDate(2025, 5, 3)), 1);
    EXPECT_EQ(TransferInsertPosition(list, QDate(2026, 1, 1)), 2);
}

TEST(ScheduleNames, CaptionsMapBackToTheirNumbers) {
    EXPECT_EQ(MonthFromName(QStringLiteral("февраль")), 2);
    EXPECT_EQ(MonthFromName(QStringLiteral("декабрь")), 12);
    EXPECT_EQ(MonthFromName(QStringLiteral("Февраль")), std::nullopt);
    EXPECT_EQ(DayTypeFromText(QStringLiteral("праздник")), 8);
    EXPECT_EQ(DayTypeFromText(QStringLiteral("понедельник")), 1);
    EXPECT_EQ(DayTypeFromText(QString()), std::nullopt);
    EXPECT_EQ(DayTypeLabels().join(' '), QStringLiteral("ПН ВТ СР ЧТ ПТ СБ ВС ПР"));
    RuLocale ru;
    EXPECT_EQ(TransferDateText(QDate(2025, 5, 2)), QStringLiteral("02.05.2025"));
}
} // namespace
