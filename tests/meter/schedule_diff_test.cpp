#include "meter/schedule_diff.h"
#include "meter_test_util.h"

#include <functional>
#include <gtest/gtest.h>

using namespace ormix::link;

using namespace ormix::meter;

namespace {
Schedule MultiTariff() {
    Schedule s;
    s.singleTariff = false;
    s.transfers = {{QDate(2025, 11, 1), 1}};
    return s;
}

TEST(ScheduleDiff, ZoneByZoneHolidayByHoliday) {
    const struct {
        const char *name;
        std::function<void(Schedule &meter, Schedule &file)> change;
        QStringList lines;
    } cases[] = {
        {"the same", [](Schedule &, Schedule &) {}, {}},
        {"holidays in another order are the same",
         [](Schedule &m, Schedule &) { std::reverse(m.holidays.begin(), m.holidays.end()); },
         {}},
        {"a single-tariff meter keeps no zones",
         [](Schedule &m, Schedule &f) {
             m.singleTariff = f.singleTariff = true;
             m.zones[2].tariff = 1;
             m.holidays.clear();
         },
         {}},
        {"the mode, and nothing else",
         [](Schedule &m, Schedule &) {
             m.singleTariff = true;
             m.holidays.clear();
         },
         {"Режим: в счётчике однотарифный, в файле многотарифный"}},
        {"a tariff and a start",
         [](Schedule &m, Schedule &f) {
             m.zones[2] = {3, QTime(8, 30)};
             f.zones[2] = {2, QTime(9, 0)};
             f.zones[5].tariff = 1;
         },
         {"Зона 2: в счётчике тариф 3 с 08:30, в файле тариф 2 с 09:00",
          "Зона 5: в счётчике тариф 2 с 20:30, в файле тариф 1 с 20:30"}},
        {"day types",
         [](Schedule &m, Schedule &f) {
             m.masks[1] = 0x1F;
             f.masks[1] = 0x00;
         },
         {"Зона 1, типы дней: в счётчике ПН ВТ СР ЧТ ПТ, в файле нет"}},
        {"holidays missing, extra and twice",
         [](Schedule &m, Schedule &f) {
             m.holidays.removeAll(Holiday{9, 5});
             m.holidays << Holiday{31, 12};
             f.holidays << Holiday{1, 5};
         },
         {"Праздник 1 мая: в счётчике есть, в файле есть 2 раза",
          "Праздник 9 мая: в счётчике нет, в файле есть",
          "Праздник 31 декабря: в счётчике есть, в файле нет"}},
        {"transfers by date",
         [](Schedule &m, Schedule &f) {
             m.transfers << Transfer{QDate(2025, 3, 8), 6};
             f.transfers = {{QDate(2025, 11, 1), 8}};
         },
         {"Перенос 08.03.2025: в счётчике по графику суббота, в файле нет",
          "Перенос 01.11.2025: в счётчике по графику понедельник, в файле по графику праздник"}},
    };
    for (const auto &c : cases) {
        Schedule meter = MultiTariff(), file = MultiTariff();
        c.change(meter, file);
        EXPECT_EQ(DiffSchedules(meter, file), c.lines) << c.name;
    }
}

TEST(ScheduleDiff, WithoutExtrasOnlyTheZonesCount) {
    Schedule meter = MultiTariff(), file = MultiTariff();
    meter.masks.fill(0);
    meter.holidays.clear();
    meter.transfers.clear();
    ScheduleDiffOptions below10;
    below10.withExtras = false;
    EXPECT_EQ(DiffSchedules(meter, file, below10), QStringList());
    meter.zones[0].start = QTime(0, 1);
    below10.leftName = QStringLiteral("в первом");
    below10.rightName = QStringLiteral("во втором");
    EXPECT_EQ(
        DiffSchedules(meter, file, below10),
        QStringList{QStringLiteral("Зона 0: в первом тариф 1 с 00:01, во втором тариф 1 с 00:00")});
}
} // namespace
