#include "link/encodings.h"
#include "meter/schedule_frames.h"
#include "meter_test_util.h"

#include <functional>
#include <gtest/gtest.h>

using namespace ormix::link;

using namespace ormix::meter;

namespace {
const QByteArray kOpen = WithCrc(Bytes({0x14, 0x04, 0x34, 0x12}));

// The page after the operator unticked "Работа по одному тарифу": default zones, all marks,
// the twelve default holidays, no transfers.
Schedule MultiTariff() {
    Schedule s;
    s.singleTariff = false;
    return s;
}

ScheduleWriteChoices Choices(const Schedule &s, int firmware) {
    return {s, 0x1234, firmware};
}

QList<int> Codes(const QList<QByteArray> &frames) {
    QList<int> codes;
    for (const QByteArray &f : frames)
        codes << ByteAt(f, 0);
    return codes;
}

TEST(ScheduleRead, OneFrameBelowFirmwareTenAndThirtyFourFrom) {
    for (int fw : {0, 6, 9}) {
        EXPECT_EQ(ScheduleReadFrames(fw), QList<QByteArray>{WithCrc(Bytes({0x08, 0x02}))}) << fw;
        EXPECT_FALSE(ScheduleReadEmptiesLists(fw));
    }
    const QList<QByteArray> frames = ScheduleReadFrames(10);
    ASSERT_EQ(frames.size(), 34);
    EXPECT_TRUE(ScheduleReadEmptiesLists(10));
    EXPECT_EQ(frames[0], WithCrc(Bytes({0x08, 0x02})));
    EXPECT_EQ(frames[1], WithCrc(Bytes({0x2E, 0x02})));
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(frames[2 + s], WithCrc(Bytes({0x26, 0x03, s})));
        EXPECT_EQ(frames[18 + s], WithCrc(Bytes({0x28, 0x03, s})));
    }
}

TEST(ScheduleWrite, FrameCountsByFirmwareListsAndMode) {
    const auto withLists = [](int holidays, int transfers) {
        Schedule s = MultiTariff();
        s.holidays = DefaultHolidays().mid(0, holidays);
        for (int i = 0; i < transfers; ++i)
            s.transfers << Transfer{QDate(2030, 1, 1).addDays(i), 6};
        return s;
    };
    Schedule single = MultiTariff();
    single.singleTariff = true;
    const struct {
        const char *name;
        Schedule schedule;
        int firmware;
        QList<int> codes;
    } cases[] = {
        {"firmware 9, multi-tariff", MultiTariff(), 9, {0x14, 0x09}},
        {"firmware 10, default holidays, no transfers",
         MultiTariff(),
         10,
         {0x14, 0x09, 0x2F, 0x27, 0x27, 0x27, 0x27, 0x27, 0x27, 0x27, 0x27, 0x27, 0x27, 0x27, 0x27,
          0x27, 0x29}},
        {"firmware 10, empty lists still clear both tables",
         withLists(0, 0),
         10,
         {0x14, 0x09, 0x2F, 0x27, 0x29}},
        {"firmware 10, 3 holidays and 2 transfers",
         withLists(3, 2),
         10,
         {0x14, 0x09, 0x2F, 0x27, 0x27, 0x27, 0x27, 0x29, 0x29, 0x29}},
        {"firmware 9, single-tariff", single, 9, {0x14, 0x09}},
        {"firmware 10, single-tariff", single, 10, {0x14, 0x09}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ScheduleWriteSequence seq = BuildScheduleWrite(Choices(c.schedule, c.firmware));
        ASSERT_TRUE(seq.ok()) << seq.error.toStdString();
        EXPECT_EQ(Codes(seq.frames), c.codes);
        EXPECT_EQ(seq.frames.first(), kOpen);
        for (const QByteArray &f : seq.frames) {
            EXPECT_TRUE(CheckCrc(f));
            EXPECT_EQ(ByteAt(f, 1) + 2, f.size());
        }
    }
    EXPECT_EQ(BuildScheduleWrite(Choices(single, 10)).frames[1], WithCrc(Bytes({0x09, 0x02})));
}

TEST(ScheduleWrite, FramesCarryZonesMasksHolidaysAndTransfersInListOrder) {
    Schedule s = MultiTariff();
    s.zones = {{{1, QTime(0, 0)},
                {2, QTime(7, 5)},
                {3, QTime(7, 5)},
                {1, QTime(12, 0)},
                {2, QTime(19, 59)},
                {3, QTime(23, 59)}}};
    s.masks = {0xFF, 0x1F, 0x60, 0x80, 0x01, 0x7F};
    s.holidays = {{31, 12}, {8, 3}}; // list order, not date order, decides the slots
    s.transfers = {{QDate(2031, 5, 2), 6}, {QDate(2030, 11, 4), 8}};
    const ScheduleWriteSequence seq = BuildScheduleWrite({s, 54321, 10});
    ASSERT_TRUE(seq.ok());
    const QList<QByteArray> expected{
        WithCrc(Bytes({0x14, 0x04, 0x31, 0xD4})),
        WithCrc(Bytes({0x09, 0x14, 1,    0x00, 0x00, 2,    0x07, 0x05, 3,    0x07,
                       0x05, 1,    0x12, 0x00, 2,    0x19, 0x59, 3,    0x23, 0x59})),
        WithCrc(Bytes({0x2F, 0x08, 0xFF, 0x1F, 0x60, 0x80, 0x01, 0x7F})),
        WithCrc(Bytes({0x27, 0x02})),
        WithCrc(Bytes({0x27, 0x05, 0, 0x31, 0x12})),
        WithCrc(Bytes({0x27, 0x05, 1, 0x08, 0x03})),
        WithCrc(Bytes({0x29, 0x02})),
        WithCrc(Bytes({0x29, 0x07, 0, 0x02, 0x05, 0x31, 6})),
        WithCrc(Bytes({0x29, 0x07, 1, 0x04, 0x11, 0x30, 8})),
    };
    EXPECT_EQ(seq.frames, expected);
}

TEST(ScheduleValidation, RulesByFirmwareWithTheirMessages) {
    const QString increase =
        QStringLiteral("Ошибка в тарифном расписании. Время в расписании должно нарастать.");
    const QString notDecrease =
        QStringLiteral("Ошибка в тарифном расписании. Время в расписании не должно убывать.");
    const QString noWeekdays =
        QStringLiteral("Ошибка в тарифном расписании. Нет данных для дней недели.");
    const struct {
        const char *name;
        int firmware;
        std::function<void(Schedule &)> change;
        QString message; // empty: accepted
    } cases[] = {
        {"defaults, firmware 9", 9, [](Schedule &) {}, {}},
        {"defaults, firmware 10", 10, [](Schedule &) {}, {}},
        {"equal neighbours below 10", 9, [](Schedule &s) { s.zones[3].start = QTime(8, 30); },
         increase},
        {"equal neighbours from 10", 10, [](Schedule &s) { s.zones[3].start = QTime(8, 30); }, {}},
        {"equal to the minute below 10 (seconds are not written)", 9,
         [](Schedule &s) { s.zones[3].start = QTime(8, 30, 30); }, increase},
        {"decreasing below 10", 9, [](Schedule &s) { s.zones[5].start = QTime(1, 0); }, increase},
        {"decreasing from 10", 10, [](Schedule &s) { s.zones[5].start = QTime(1, 0); },
         notDecrease},
        {"single-tariff is validated too", 9,
         [](Schedule &s) {
             s.singleTariff = true;
             s.zones[1].start = QTime(0, 0);
         },
         increase},
        {"zone 3 without marks", 10, [](Schedule &s) { s.masks[3] = 0; },
         QStringLiteral("Ошибка в тарифном расписании. Зона 3не определена.")},
        {"the first unmarked zone is named", 10, [](Schedule &s) { s.masks[4] = s.masks[1] = 0; },
         QStringLiteral("Ошибка в тарифном расписании. Зона 1не определена.")},
        {"marks are not looked at below 10", 9, [](Schedule &s) { s.masks = {}; }, {}},
        {"order is checked before marks", 10,
         [](Schedule &s) {
             s.masks[0] = 0;
             s.zones[2].start = QTime(5, 0);
         },
         notDecrease},
        {"marks only in ПР", 10, [](Schedule &s) { s.masks.fill(0x80); }, noWeekdays},
        {"one weekday mark is enough",
         10,
         [](Schedule &s) {
             s.masks.fill(0x80);
             s.masks[5] = 0x40;
         },
         {}},
        {"a tariff the meter has not", 10, [](Schedule &s) { s.zones[2].tariff = 7; },
         QStringLiteral("Ошибка в тарифном расписании. Тариф зоны 2 должен быть 1, 2 или 3.")},
        {"a tariff that is not sent",
         10,
         [](Schedule &s) {
             s.singleTariff = true;
             s.zones[2].tariff = 0;
         },
         {}},
        {"17 holidays", 10, [](Schedule &s) { s.holidays += s.holidays.mid(0, 5); },
         QStringLiteral(
             "Ошибка в тарифном расписании. Праздников 17, а счётчик хранит не больше 16.")},
        {"17 holidays are not sent below 10",
         9,
         [](Schedule &s) { s.holidays += s.holidays.mid(0, 5); },
         {}},
        {"30 February", 10,
         [](Schedule &s) {
             s.holidays << Holiday{30, 2};
         },
         QStringLiteral("Ошибка в тарифном расписании. Неверная дата праздника: 30.02.")},
        {"a transfer the meter cannot date", 10,
         [](Schedule &s) {
             s.transfers << Transfer{QDate(2100, 1, 4), 1};
         },
         QStringLiteral(
             "Ошибка в тарифном расписании. Дата переноса 04.01.2100 вне 2000–2099 годов.")},
        {"a transfer of day type 9", 10,
         [](Schedule &s) {
             s.transfers << Transfer{QDate(2030, 1, 4), 9};
         },
         QStringLiteral("Ошибка в тарифном расписании. Неверный тип дня переноса 04.01.2030.")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Schedule s = MultiTariff();
        c.change(s);
        EXPECT_EQ(ValidateSchedule(s, c.firmware), c.message);
        const ScheduleWriteSequence seq = BuildScheduleWrite(Choices(s, c.firmware));
        EXPECT_EQ(seq.error, c.message);
        EXPECT_EQ(seq.frames.isEmpty(), !c.message.isEmpty()) << "a refused write sends nothing";
    }
}

TEST(ScheduleWrite, PasswordOutsideSixteenBitsSendsNothing) {
    for (int password : {-1, 65536}) {
        const ScheduleWriteSequence seq = BuildScheduleWrite({MultiTariff(), password, 10});
        EXPECT_EQ(seq.error, QStringLiteral("Пароль должен быть числом от 0 до 65535"));
        EXPECT_TRUE(seq.frames.isEmpty());
    }
}
} // namespace
