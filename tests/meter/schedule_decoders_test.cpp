#include "meter/schedule_decoders.h"
#include "meter/schedule_editing.h"
#include "meter_test_util.h"

#include <gtest/gtest.h>

using namespace ormix::link;

using namespace ormix::meter;

namespace {
QByteArray ZoneReplyBytes(std::initializer_list<int> zoneData) {
    QByteArray r = Bytes({0x08, 0x14});
    r += Bytes(zoneData);
    return WithCrc(r);
}

TEST(ZoneReply, SixZonesWithTheirTariffsAndTimes) {
    const ZoneReply r =
        DecodeZoneReply(ZoneReplyBytes({1, 0x00, 0x00, 2, 0x06, 0x30, 3, 0x08, 0x30, 2, 0x11, 0x30,
                                        3, 0x17, 0x30, 2, 0x23, 0x59}));
    EXPECT_FALSE(r.singleTariff);
    const int tariffs[] = {1, 2, 3, 2, 3, 2};
    const QTime starts[] = {{0, 0}, {6, 30}, {8, 30}, {11, 30}, {17, 30}, {23, 59}};
    for (int z = 0; z < 6; ++z) {
        EXPECT_EQ(r.tariffs[z], tariffs[z]);
        EXPECT_EQ(r.starts[z], starts[z]);
    }
    EXPECT_TRUE(r.protocolLines.isEmpty());
}

TEST(ZoneReply, ImpossibleTimesAreSkippedButTheirTariffsTaken) {
    // Zone 1 at 24:00, zone 4 at 12:60, zone 5 at hour 0x2A (30); zone 2's minute 0x3A
    // decodes to 40 without complaint. Tariff bytes are not checked.
    const ZoneReply r =
        DecodeZoneReply(ZoneReplyBytes({1, 0x00, 0x00, 7, 0x24, 0x00, 3, 0x08, 0x3A, 2, 0x11, 0x30,
                                        0, 0x12, 0x60, 2, 0x2A, 0x00}));
    EXPECT_EQ(r.tariffs[1], 7);
    EXPECT_EQ(r.tariffs[4], 0);
    EXPECT_EQ(r.starts[1], std::nullopt);
    EXPECT_EQ(r.starts[2], QTime(8, 40));
    EXPECT_EQ(r.starts[4], std::nullopt);
    EXPECT_EQ(r.starts[5], std::nullopt);
    EXPECT_EQ(r.protocolLines, QStringList({QStringLiteral("Некорректный тариф, зона 1"),
                                            QStringLiteral("Некорректный тариф, зона 4"),
                                            QStringLiteral("Некорректный тариф, зона 5")}));
}

TEST(ZoneReply, LengthDecidesTheMode) {
    const ZoneReply single = DecodeZoneReply(WithCrc(Bytes({0x08, 0x02})));
    EXPECT_TRUE(single.singleTariff);
    EXPECT_FALSE(ZoneGroupsEnabled(single.singleTariff));
    for (const ZoneReply &r :
         {single, DecodeZoneReply(WithCrc(Bytes({0x08, 0x05, 1, 0x06, 0x30})))}) {
        for (int z = 0; z < 6; ++z) {
            EXPECT_EQ(r.tariffs[z], std::nullopt);
            EXPECT_EQ(r.starts[z], std::nullopt);
        }
    }
    EXPECT_FALSE(DecodeZoneReply(WithCrc(Bytes({0x08, 0x05, 1, 0x06, 0x30}))).singleTariff);
}

TEST(ScheduleReplies, ShortBuffersAreNeverReadPast) {
    // Each claims its full length but stops early; AddressSanitizer sees any read beyond.
    const ExactBytes zones(Bytes({0x08, 0x14, 1, 0x00, 0x00, 2, 0x06}));
    const ZoneReply z = DecodeZoneReply(zones.view());
    EXPECT_EQ(z.tariffs[0], 1);
    EXPECT_EQ(z.tariffs[1], std::nullopt);
    const ExactBytes masks(Bytes({0x2E, 0x08, 0xFF, 0x7F}));
    EXPECT_EQ(DecodeMaskReply(masks.view()).masks,
              (std::array<std::uint8_t, 6>{0xFF, 0x7F, 0, 0, 0, 0}));
    const ExactBytes holiday(Bytes({0x26, 0x05, 0x00, 0x01}));
    EXPECT_EQ(DecodeHolidayReply(holiday.view()), std::nullopt);
    const ExactBytes transfer(Bytes({0x28, 0x07, 0x00, 0x02, 0x05, 0x31}));
    EXPECT_EQ(DecodeTransferReply(transfer.view()), std::nullopt);
    for (const QByteArray &tiny : {QByteArray(), Bytes({0x08})}) {
        const ExactBytes b(tiny);
        EXPECT_FALSE(DecodeZoneReply(b.view()).singleTariff);
        EXPECT_EQ(DecodeMaskReply(b.view()).masks, (std::array<std::uint8_t, 6>{}));
        EXPECT_EQ(DecodeHolidayReply(b.view()), std::nullopt);
        EXPECT_EQ(DecodeTransferReply(b.view()), std::nullopt);
    }
}

TEST(MaskReply, EightBytesOrNoMarksAtAll) {
    EXPECT_EQ(
        DecodeMaskReply(WithCrc(Bytes({0x2E, 0x08, 0xFF, 0x1F, 0x60, 0x80, 0x01, 0x00}))).masks,
        (std::array<std::uint8_t, 6>{0xFF, 0x1F, 0x60, 0x80, 0x01, 0x00}));
    EXPECT_EQ(DecodeMaskReply(WithCrc(Bytes({0x2E, 0x07, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}))).masks,
              (std::array<std::uint8_t, 6>{}));
}

TEST(HolidayReply, DayAndMonthOfARealDay) {
    const struct {
        QByteArray reply;
        std::optional<Holiday> holiday;
    } cases[] = {
        {WithCrc(Bytes({0x26, 0x05, 0x08, 0x09, 0x05})), Holiday{9, 5}},
        {WithCrc(Bytes({0x26, 0x05, 0x00, 0x31, 0x12})), Holiday{31, 12}},
        {WithCrc(Bytes({0x26, 0x05, 0x00, 0x29, 0x02})), Holiday{29, 2}},     // a leap year's day
        {WithCrc(Bytes({0x26, 0x05, 0x0F, 0x00, 0x00})), std::nullopt},       // an unused slot
        {WithCrc(Bytes({0x26, 0x05, 0x00, 0x01, 0x13})), std::nullopt},       // month 13
        {WithCrc(Bytes({0x26, 0x05, 0x00, 0x30, 0x02})), std::nullopt},       // 30 February
        {WithCrc(Bytes({0x26, 0x05, 0x00, 0x31, 0x04})), std::nullopt},       // 31 April
        {WithCrc(Bytes({0x26, 0x05, 0x00, 0x00, 0x05})), std::nullopt},       // day 0
        {WithCrc(Bytes({0x26, 0x05, 0x00, 0x3A, 0x05})), std::nullopt},       // 0x3A is 40
        {WithCrc(Bytes({0x26, 0x06, 0x00, 0x09, 0x05, 0x00})), std::nullopt}, // another length
    };
    for (const auto &c : cases)
        EXPECT_EQ(DecodeHolidayReply(c.reply), c.holiday) << c.reply.toHex(' ').constData();
}

TEST(TransferReply, ADateThatExistsAndADayTypeOneToEight) {
    const struct {
        QByteArray reply;
        std::optional<Transfer> transfer;
    } cases[] = {
        {WithCrc(Bytes({0x28, 0x07, 0x00, 0x02, 0x05, 0x31, 6})), Transfer{QDate(2031, 5, 2), 6}},
        {WithCrc(Bytes({0x28, 0x07, 0x00, 0x29, 0x02, 0x24, 8})), Transfer{QDate(2024, 2, 29), 8}},
        {WithCrc(Bytes({0x28, 0x07, 0x00, 0x29, 0x02, 0x23, 1})), std::nullopt},
        {WithCrc(Bytes({0x28, 0x07, 0x00, 0x00, 0x00, 0x00, 0})), std::nullopt}, // unused slot
        {WithCrc(Bytes({0x28, 0x07, 0x00, 0x02, 0x05, 0x31, 0})), std::nullopt},
        {WithCrc(Bytes({0x28, 0x07, 0x00, 0x02, 0x05, 0x31, 9})), std::nullopt},
        {WithCrc(Bytes({0x28, 0x07, 0x00, 0x02, 0x13, 0x31, 1})), std::nullopt},
        {WithCrc(Bytes({0x28, 0x06, 0x00, 0x02, 0x05, 0x31})), std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DecodeTransferReply(c.reply), c.transfer) << c.reply.toHex(' ').constData();
}

TEST(ScheduleReplies, AppliedInArrivalOrderUpToSixteenSlots) {
    Schedule s;
    s.holidays.clear();
    // Slot order, even when it is not date order.
    for (const auto &[day, month] : {std::pair{0x09, 0x05}, {0x01, 0x01}, {0x00, 0x00}})
        EXPECT_EQ(ApplyScheduleReply(s, WithCrc(Bytes({0x26, 0x05, 0x00, day, month}))),
                  QStringList{});
    EXPECT_EQ(s.holidays, (QList<Holiday>{{9, 5}, {1, 1}}));

    for (int i = 0; i < 20; ++i)
        ApplyScheduleReply(s, WithCrc(Bytes({0x26, 0x05, i, 0x15, 0x06})));
    EXPECT_EQ(s.holidays.size(), 16);
    EXPECT_FALSE(CanAddHoliday(s.holidays.size()));
    s.holidays = DefaultHolidays();
    EXPECT_TRUE(CanAddHoliday(s.holidays.size()));

    ApplyScheduleReply(s, WithCrc(Bytes({0x28, 0x07, 0x00, 0x02, 0x05, 0x31, 6})));
    EXPECT_EQ(s.transfers, (QList<Transfer>{{QDate(2031, 5, 2), 6}}));

    s.singleTariff = true;
    const auto lines =
        ApplyScheduleReply(s, ZoneReplyBytes({3, 0x00, 0x00, 2, 0x25, 0x00, 3, 0x08, 0x30, 2, 0x11,
                                              0x30, 3, 0x17, 0x30, 2, 0x20, 0x30}));
    EXPECT_EQ(lines, QStringList{QStringLiteral("Некорректный тариф, зона 1")});
    EXPECT_FALSE(s.singleTariff);
    EXPECT_EQ(s.zones[0].tariff, 3);
    EXPECT_EQ(s.zones[1], (ZoneEntry{2, QTime(6, 30)})) << "the picker keeps its time";

    ApplyScheduleReply(s, WithCrc(Bytes({0x2E, 0x03, 0x00})));
    EXPECT_EQ(s.masks, (std::array<std::uint8_t, 6>{}));

    const Schedule before = s;
    EXPECT_EQ(ApplyScheduleReply(s, WithCrc(Bytes({0x09, 0x02}))), std::nullopt);
    EXPECT_EQ(s, before);
}
} // namespace
