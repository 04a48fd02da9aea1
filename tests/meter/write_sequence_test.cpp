#include "meter/write_sequence.h"
#include "meter_test_util.h"

#include <functional>
#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::meter;

namespace {
// Access password 0x1234; everything else unticked, firmware 6.
WriteChoices Base() {
    WriteChoices c;
    c.accessPassword = 0x1234;
    c.newPassword = 0x1234;
    c.date = QDate(2011, 3, 15);
    c.time = QTime(14, 7, 9);
    c.firmwareMajor = 6;
    c.ddmEnabled = true;
    c.checkResetVisible = true;
    return c;
}

const QByteArray kOpen = WithCrc(Bytes({0x14, 0x04, 0x34, 0x12}));

TEST(WriteSequence, EachOptionAlone) {
    const struct {
        const char *name;
        std::function<void(WriteChoices &)> choose;
        QList<QByteArray> after; // frames after the opening password
    } cases[] = {
        {"nothing", [](WriteChoices &) {}, {}},
        {"clock",
         [](WriteChoices &c) {
             c.checkTime = true;
             c.summerTime = true;
         },
         {Bytes({0x05, 0x0A, 0x09, 0x07, 0x14, 0x02, 0x15, 0x03, 0x11, 0x80, 0x2B, 0x35})}},
        {"clock, no summer time",
         [](WriteChoices &c) {
             c.checkTime = true;
             c.date = QDate(2099, 12, 31); // a Thursday
             c.time = QTime(23, 59, 58, 999);
         },
         {WithCrc(Bytes({0x05, 0x0A, 0x58, 0x59, 0x23, 0x04, 0x31, 0x12, 0x99, 0x00}))}},
        {"new password",
         [](WriteChoices &c) {
             c.checkPassword = true;
             c.newPassword = 54321;
         },
         {WithCrc(Bytes({0x14, 0x04, 0x31, 0xD4}))}},
        {"new password equal to the access password",
         [](WriteChoices &c) { c.checkPassword = true; },
         {}},
        {"new password not ticked", [](WriteChoices &c) { c.newPassword = 70000; }, {}},
        {"factory number marked",
         [](WriteChoices &c) {
             c.factoryNumberMarked = true;
             c.factoryNumber = 123456;
         },
         {WithCrc(Bytes({0x02, 0x05, 0x40, 0xE2, 0x01}))}},
        {"factory number only read", [](WriteChoices &c) { c.factoryNumber = 123456; }, {}},
        {"factory number above 24 bits",
         [](WriteChoices &c) {
             c.factoryNumberMarked = true;
             c.factoryNumber = 2147483647;
         },
         {WithCrc(Bytes({0x02, 0x05, 0xFF, 0xFF, 0xFF}))}},
        {"correction +5",
         [](WriteChoices &c) {
             c.checkCorrect = true;
             c.correction = 5;
         },
         {Bytes({0x07, 0x03, 0x25, 0x01, 0x2A})}},
        {"correction -5",
         [](WriteChoices &c) {
             c.checkCorrect = true;
             c.correction = -5;
         },
         {Bytes({0x07, 0x03, 0x05, 0x00, 0xF2})}},
        {"correction 0",
         [](WriteChoices &c) { c.checkCorrect = true; },
         {WithCrc(Bytes({0x07, 0x03, 0x20}))}},
        {"correction beyond the limits",
         [](WriteChoices &c) {
             c.checkCorrect = true;
             c.correction = -40;
         },
         {WithCrc(Bytes({0x07, 0x03, 0x1F}))}},
        {"status reset",
         [](WriteChoices &c) { c.checkStatus = true; },
         {Bytes({0x0B, 0x02, 0x87, 0x41})}},
        {"billing day and hour",
         [](WriteChoices &c) {
             c.checkSchedule = true;
             c.billingDay = 25;
             c.billingHour = 7;
         },
         {WithCrc(Bytes({0x23, 0x04, 0x07, 0x25}))}},
        {"billing beyond the limits",
         [](WriteChoices &c) {
             c.checkSchedule = true;
             c.billingDay = 0;
             c.billingHour = 24;
         },
         {WithCrc(Bytes({0x23, 0x04, 0x23, 0x01}))}},
        {"billing with firmware 5",
         [](WriteChoices &c) {
             c.checkSchedule = true;
             c.firmwareMajor = 5;
         },
         {}},
        {"display set",
         [](WriteChoices &c) {
             c.checkIndi = true;
             c.display = 0b0101; // "Суммарная" and "Дата"
         },
         {Bytes({0x0E, 0x03, 0x05, 0xD0, 0xF0})}},
        {"DDM, firmware 6",
         [](WriteChoices &c) {
             c.checkDdm = true;
             c.ddmNumber = 0x123456;
         },
         {WithCrc(Bytes({0x16, 0x05, 0x56, 0x34, 0x12}))}},
        {"DDM, firmware 5",
         [](WriteChoices &c) {
             c.checkDdm = true;
             c.ddmNumber = 70000;
             c.firmwareMajor = 5;
         },
         {WithCrc(Bytes({0x16, 0x04, 0xFF, 0xFF}))}},
        {"DDM disabled",
         [](WriteChoices &c) {
             c.checkDdm = true;
             c.ddmEnabled = false;
         },
         {}},
        {"billing readings reset",
         [](WriteChoices &c) { c.checkReset = true; },
         {Bytes({0x24, 0x02, 0x9B, 0x71})}},
        {"billing readings reset hidden",
         [](WriteChoices &c) {
             c.checkReset = true;
             c.checkResetVisible = false;
         },
         {}},
        {"tariff schedule reset",
         [](WriteChoices &c) { c.checkResetTariff = true; },
         {Bytes({0x09, 0x02, 0x86, 0x21})}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        WriteChoices choices = Base();
        c.choose(choices);
        const WriteSequence seq = BuildWriteSequence(choices);
        ASSERT_TRUE(seq.ok()) << seq.error.toStdString();
        EXPECT_EQ(seq.frames, QList<QByteArray>{kOpen} + c.after);
    }
}

TEST(WriteSequence, AllOptionsInTheirOrder) {
    WriteChoices c = Base();
    c.checkTime = c.summerTime = true;
    c.checkPassword = true;
    c.newPassword = 1;
    c.factoryNumberMarked = true;
    c.factoryNumber = 1;
    c.checkCorrect = true;
    c.correction = 5;
    c.checkStatus = true;
    c.checkSchedule = true;
    c.billingDay = 1;
    c.billingHour = 0;
    c.checkIndi = true;
    c.display = 0b0101; // "Суммарная" and "Дата"
    c.checkDdm = true;
    c.ddmNumber = 2;
    c.checkReset = true;
    c.checkResetTariff = true;
    const WriteSequence seq = BuildWriteSequence(c);
    ASSERT_TRUE(seq.ok());
    QList<std::uint8_t> codes;
    for (const QByteArray &frame : seq.frames) {
        codes << static_cast<std::uint8_t>(frame[0]);
        EXPECT_TRUE(CheckCrc(frame));
        EXPECT_EQ(frame.size(), static_cast<std::uint8_t>(frame[1]) + 2);
    }
    EXPECT_EQ(codes, (QList<std::uint8_t>{0x14, 0x05, 0x14, 0x02, 0x07, 0x0B, 0x23, 0x0E, 0x16,
                                          0x24, 0x09}));
    EXPECT_EQ(seq.frames[0], kOpen);
    EXPECT_EQ(seq.frames[1],
              Bytes({0x05, 0x0A, 0x09, 0x07, 0x14, 0x02, 0x15, 0x03, 0x11, 0x80, 0x2B, 0x35}));
    EXPECT_EQ(seq.frames[2], WithCrc(Bytes({0x14, 0x04, 0x01, 0x00})));
}

TEST(WriteSequence, RefusedWithNothingToSend) {
    const struct {
        const char *name;
        std::function<void(WriteChoices &)> choose;
        QString error;
    } cases[] = {
        {"year 2100",
         [](WriteChoices &c) {
             c.checkTime = true;
             c.date = QDate(2100, 1, 1);
         },
         WriteDateRangeMessage()},
        {"year 1999",
         [](WriteChoices &c) {
             c.checkTime = true;
             c.date = QDate(1999, 12, 31);
         },
         WriteDateRangeMessage()},
        {"no date",
         [](WriteChoices &c) {
             c.checkTime = true;
             c.date = QDate();
         },
         WriteDateRangeMessage()},
        {"no time",
         [](WriteChoices &c) {
             c.checkTime = true;
             c.time = QTime();
         },
         WriteTimeInvalidMessage()},
        {"access password", [](WriteChoices &c) { c.accessPassword = 65536; },
         WritePasswordRangeMessage()},
        {"new password",
         [](WriteChoices &c) {
             c.checkPassword = true;
             c.newPassword = -1;
         },
         WritePasswordRangeMessage()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        WriteChoices choices = Base();
        choices.checkStatus = true;
        c.choose(choices);
        const WriteSequence seq = BuildWriteSequence(choices);
        EXPECT_FALSE(seq.ok());
        EXPECT_EQ(seq.error, c.error);
        EXPECT_TRUE(seq.frames.isEmpty());
    }
    // A date out of range matters only when the clock is written.
    WriteChoices noClock = Base();
    noClock.date = QDate(2100, 1, 1);
    EXPECT_TRUE(BuildWriteSequence(noClock).ok());
}

TEST(WriteSequence, PasswordAcknowledgementSwitchesOnlyForANewPassword) {
    EXPECT_TRUE(PasswordAckSwitches(true, 2, 1));
    EXPECT_FALSE(PasswordAckSwitches(true, 1, 1));
    EXPECT_FALSE(PasswordAckSwitches(false, 2, 1));
}
} // namespace
