// The meter's replies built from the protocol's reply layouts, per firmware generation.
#include "emulator/meter_model.h"
#include "link/encodings.h"
#include "link/frame.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::emulator;

namespace {

QByteArray Hex(const char *text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
QByteArray Req(const char *text) {
    QByteArray f = Hex(text);
    AppendCrc(f);
    return f;
}
// The reply without its checksum, after checking the checksum.
QByteArray Body(const QByteArray &reply) {
    EXPECT_GE(reply.size(), 4);
    EXPECT_TRUE(CheckCrc(reply)) << reply.toHex(' ').constData();
    return reply.left(reply.size() - 2);
}
std::string Show(const QByteArray &b) {
    return b.toHex(' ').toUpper().toStdString();
}

// 2011-03-15 14:07:09 wall time, a Tuesday.
const qint64 kStart = QDateTime(QDate(2011, 3, 15), QTime(14, 7, 9), Qt::UTC).toMSecsSinceEpoch();

struct Fixture {
    qint64 now = kStart;
    MeterModel model;
    explicit Fixture(FirmwareVersion fw, std::uint16_t password = 0x1234)
        : model(make(fw, password), [this] { return now; }) {}
    static MeterState make(FirmwareVersion fw, std::uint16_t password) {
        MeterState s = DefaultMeterState(kStart);
        s.clockBaseMs = kStart; // wall time independent of the test machine's zone
        s.firmware = fw;
        s.number = 123456;
        s.password = password;
        s.energy = {12'345'678, 4000, 0};
        s.billingEnergy = {8000, 0, 4'000'000};
        s.operatingHalfMinutes = 7322;
        s.ddm = 0x0A0B0C;
        s.status = 0x91;
        s.correction = -5;
        return s;
    }
    QByteArray ask(const char *request) { return model.handle(Req(request)); }
    void open() { ASSERT_EQ(Show(Body(ask("14 04 34 12"))), "14 02"); }
};

struct ReplyCase {
    FirmwareVersion fw;
    const char *request;
    const char *reply; // without checksum
};

TEST(MeterModel, RepliesFollowTheLayoutOfEachGeneration) {
    const ReplyCase cases[] = {
        {{1, 2}, "00 02", "00 04 02 01"},
        {{10, 12}, "00 02", "00 04 12 10"},
        {{6, 2}, "01 02", "01 05 40 E2 01"},
        {{6, 2}, "04 02", "04 0A 09 07 14 02 15 03 11 00"},
        {{6, 2}, "06 02", "06 03 05"},
        {{6, 2}, "0A 02", "0A 03 91"},
        {{6, 2}, "0D 02", "0D 03 0F"},
        // 12 345 678 counts = 3086.42 kWh: hundredths 41 (0x29), whole 3086 (0x0C0E).
        {{1, 2}, "0F 02", "0F 0E 29 00 00 0E 0C 00 01 00 00 00 00 00"},
        {{5, 3}, "0F 02", "0F 17 29 00 00 0E 0C 00 01 00 00 00 00 00 02 00 00 00 00 00 E8 03 00"},
        {{6, 2},
         "17 02",
         "17 1A 4E 61 BC 00 A0 0F 00 00 00 00 00 00 40 1F 00 00 00 00 00 00 00 09 3D 00"},
        {{6, 2}, "11 02", "11 06 9A 1C 00 00"},
        {{5, 3}, "15 02", "15 04 0C 0B"},
        {{6, 2}, "15 02", "15 05 0C 0B 0A"},
        {{6, 2}, "22 02", "22 04 00 01"},
        {{6, 2}, "08 02", "08 14 01 00 00 02 06 30 03 08 30 02 11 30 03 17 30 02 20 30"},
        {{10, 1}, "2E 02", "2E 08 FF FF FF FF FF FF"},
        {{10, 1}, "26 03 06", "26 05 06 23 02"},
        {{10, 1}, "26 03 0F", "26 05 0F 00 00"},
        {{10, 1}, "28 03 00", "28 07 00 00 00 00 00"},
        // Unknown here, or not in this generation.
        {{6, 2}, "30 02", "B0 03 01"},
        {{1, 2}, "15 02", "95 03 01"},
        {{5, 3}, "17 02", "97 03 01"},
        {{6, 2}, "0F 02", "8F 03 01"},
        {{6, 2}, "12 03 00", "92 03 01"},
        {{5, 3}, "18 03 00", "98 03 01"},
        {{6, 2}, "2A 02", "AA 03 01"},
        {{9, 0}, "26 03 00", "A6 03 01"},
        // Wrong length byte for the command.
        {{6, 2}, "00 03 00", "80 03 02"},
        {{6, 2}, "16 04 01 00", "96 03 02"},
        {{5, 3}, "16 05 01 00 00", "96 03 02"},
        {{10, 1}, "29 03 00", "A9 03 02"},
        // Out of range.
        {{6, 2}, "18 03 0C", "98 03 04"},
        {{6, 2}, "19 03 4F", "99 03 04"},
        {{5, 3}, "13 03 0C", "93 03 04"},
        {{10, 1}, "28 03 10", "A8 03 04"},
        // Writes before the password.
        {{6, 2}, "0B 02", "8B 03 06"},
        {{10, 1}, "27 02", "A7 03 06"},
    };
    for (const auto &c : cases) {
        Fixture f(c.fw);
        EXPECT_EQ(Show(Body(f.ask(c.request))), std::string(c.reply))
            << c.fw.major << "." << c.fw.minor << " " << c.request;
    }
}

TEST(MeterModel, WrongChecksumIsErrorThree) {
    Fixture f({6, 2});
    EXPECT_EQ(Show(f.model.handle(Hex("00 02 71 80"))), Show(Req("80 03 03")));
}

TEST(MeterModel, ShortEnergyReplyOnDemand) {
    Fixture f({6, 2});
    f.model.setEnergyReply(EnergyReply::Short);
    EXPECT_EQ(Body(f.ask("17 02")).at(1), 14);
    Fixture old({5, 3});
    old.model.setEnergyReply(EnergyReply::Short);
    EXPECT_EQ(Body(old.ask("0F 02")).at(1), 14);
}

TEST(MeterModel, JournalRecordsHaveTheirLayoutsAndPlausibleValues) {
    Fixture f({6, 2});
    // Yearly record of March 2011 is a year old: last year, less energy than now.
    const QByteArray y = Body(f.ask("18 03 02"));
    ASSERT_EQ(y.size(), 0x13);
    EXPECT_EQ(Show(y.left(4)), "18 13 02 10");
    EXPECT_LT(ReadLE32(y, 4), 12'345'678u);
    const QByteArray feb = Body(f.ask("18 03 01"));
    EXPECT_EQ(ByteAt(feb, 3), 0x11);
    EXPECT_GT(ReadLE32(feb, 4), ReadLE32(y, 4));
    EXPECT_LT(ReadLE24(feb, 16), 7322u + 1);

    const QByteArray c = Body(f.ask("19 03 4E"));
    ASSERT_EQ(c.size(), 0x15);
    EXPECT_EQ(ByteAt(c, 2), 78);
    const QDate day = QDate(2011, 3, 15).addDays(-78);
    EXPECT_EQ(BcdToInt(ByteAt(c, 7)), day.month());
    EXPECT_EQ(BcdToInt(ByteAt(c, 6)), day.day());
    EXPECT_TRUE(QTime(BcdToInt(ByteAt(c, 5)), BcdToInt(ByteAt(c, 4))).isValid());

    Fixture old({5, 3});
    const QByteArray m = Body(old.ask("12 03 0B"));
    ASSERT_EQ(m.size(), 0x0F);
    EXPECT_EQ(ByteAt(m, 2), 11);
    EXPECT_LT(ReadCounter17(m, 3), 3086u);
    const QByteArray r = Body(old.ask("13 03 00"));
    ASSERT_EQ(r.size(), 9);
    EXPECT_TRUE(QDate(2011, BcdToInt(ByteAt(r, 5)), BcdToInt(ByteAt(r, 4))).isValid());
    EXPECT_TRUE(QTime(BcdToInt(ByteAt(r, 6)), BcdToInt(ByteAt(r, 7))).isValid());
}

TEST(MeterModel, ClockRunsWithDriftAndCorrectionAndFollowsAWrite) {
    Fixture f({6, 2});
    MeterState s = f.model.state();
    s.driftPerDay = 12;
    s.correction = -2;
    f.model.setState(s);
    f.now += 86'400'000;
    // One day later: 10 s ahead (drift 12, correction -2).
    EXPECT_EQ(Show(Body(f.ask("04 02"))), "04 0A 19 07 14 03 16 03 11 00");
    f.open();
    EXPECT_EQ(Show(f.ask("05 0A 00 00 12 07 31 12 17 80")), Show(Req("05 02")));
    f.now += 2000; // 2 s plus 10 s a day -> 2 s
    EXPECT_EQ(Show(Body(f.ask("04 02"))), "04 0A 02 00 12 07 31 12 17 80");
    EXPECT_EQ(ByteAt(Body(f.ask("11 02")), 5), 1) << "a clock write counts as a correction";
}

TEST(MeterModel, CountersGrowWithTime) {
    Fixture f({6, 2});
    f.now += 60'000;
    const QByteArray op = Body(f.ask("11 02"));
    EXPECT_EQ(ReadLE24(op, 2), 7322u + 2);
    // 14:08 falls in the zone from 11:30, tariff 2.
    const QByteArray e = Body(f.ask("17 02"));
    EXPECT_EQ(ReadLE32(e, 6), 4000u + 60 * kEnergyCountsPerSecond);
    EXPECT_EQ(ReadLE32(e, 2), 12'345'678u);
    EXPECT_EQ(ReadLE32(e, 14), 8000u) << "billing-day readings held";

    // Passing the billing day and hour (the 16th, 00:00) takes the readings over.
    f.open();
    f.ask("23 04 00 16");
    f.now += 9 * 3'600'000;
    EXPECT_EQ(ReadLE32(Body(f.ask("17 02")), 14), 8000u) << "not yet midnight";
    f.now += 2 * 3'600'000;
    const QByteArray held = Body(f.ask("17 02"));
    EXPECT_EQ(held.mid(14, 12), held.mid(2, 12));
}

TEST(MeterModel, EnergyGoesToTheTariffOfTheZoneForTheDayType) {
    // At 08:00 zone 1 (tariff 1) runs on weekdays and zone 2 (tariff 3, same start) on
    // weekends and holidays; 9 May is a holiday, Saturday 1 November a working Monday.
    const struct {
        FirmwareVersion fw;
        QDate date;
        int tariff;
    } cases[] = {
        {{10, 1}, QDate(2025, 11, 3), 1}, // Monday
        {{10, 1}, QDate(2025, 11, 2), 3}, // Sunday
        {{10, 1}, QDate(2025, 5, 9), 3},  // a Friday, but a holiday
        {{10, 1}, QDate(2025, 11, 1), 1}, // a Saturday, transferred to Monday
        {{9, 0}, QDate(2025, 11, 3), 3},  // no day types below 10: the later zone
    };
    for (const auto &c : cases) {
        Fixture f(c.fw);
        MeterState s = f.model.state();
        s.singleTariff = false;
        s.zones = {{{2, 0, 0}, {1, 7, 0}, {3, 7, 0}, {2, 23, 0}, {2, 23, 0}, {2, 23, 0}}};
        s.masks = {0xFF, 0x1F, 0xE0, 0xFF, 0xFF, 0xFF};
        s.holidays = {};
        s.holidays[0] = {9, 5};
        s.transfers = {};
        s.transfers[0] = {1, 11, 2025, 1};
        s.clockBaseMs = QDateTime(c.date, QTime(8, 0), Qt::UTC).toMSecsSinceEpoch();
        s.clockRealMs = s.lastAdvanceMs = f.now;
        s.driftPerDay = s.correction = 0;
        s.energy = {};
        f.model.setState(s);
        f.now += 60'000;
        const QByteArray e = Body(f.ask("17 02"));
        for (int t = 1; t <= 3; ++t)
            EXPECT_EQ(ReadLE32(e, 2 + 4 * (t - 1)), t == c.tariff ? 60 * kEnergyCountsPerSecond : 0)
                << c.date.toString(Qt::ISODate).toStdString() << " tariff " << t;
    }
}

struct WriteCase {
    FirmwareVersion fw;
    const char *write;
    const char *read;
    const char *after; // reply to `read` without checksum
};

TEST(MeterModel, WritesChangeLaterReads) {
    const WriteCase cases[] = {
        {{6, 2}, "02 05 01 00 00", "01 02", "01 05 01 00 00"},
        {{6, 2}, "07 03 25", "06 02", "06 03 25"},
        {{6, 2}, "0B 02", "0A 02", "0A 03 00"},
        {{6, 2}, "0E 03 05", "0D 02", "0D 03 05"},
        {{6, 2}, "23 04 23 31", "22 02", "22 04 23 31"},
        {{6, 2}, "16 05 01 02 03", "15 02", "15 05 01 02 03"},
        {{5, 3}, "16 04 01 02", "15 02", "15 04 01 02"},
        {{6, 2},
         "24 02",
         "17 02",
         "17 1A 4E 61 BC 00 A0 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
        {{6, 2}, "09 02", "08 02", "08 02"},
        {{6, 2},
         "09 14 01 00 00 02 07 00 03 08 00 01 12 00 02 18 00 03 23 59",
         "08 02",
         "08 14 01 00 00 02 07 00 03 08 00 01 12 00 02 18 00 03 23 59"},
        {{10, 1}, "2F 08 01 02 04 08 10 80", "2E 02", "2E 08 01 02 04 08 10 80"},
        {{10, 1}, "27 05 0F 29 02", "26 03 0F", "26 05 0F 29 02"},
        {{10, 1}, "27 02", "26 03 00", "26 05 00 00 00"},
        {{10, 1}, "29 07 03 31 12 24 08", "28 03 03", "28 07 03 31 12 24 08"},
    };
    for (const auto &c : cases) {
        Fixture f(c.fw);
        f.open();
        const QByteArray ack = f.ask(c.write);
        EXPECT_EQ(Show(Body(ack)), Show(Hex(c.write).left(1) + char(2))) << c.write;
        EXPECT_EQ(Show(Body(f.ask(c.read))), std::string(c.after)) << c.write;
        EXPECT_TRUE(f.model.takeChanged()) << c.write;
    }
}

TEST(MeterModel, WritesWithBadDataAreRefusedAndChangeNothing) {
    const WriteCase cases[] = {
        {{6, 2}, "05 0A 00 60 12 02 15 03 11 00", "04 02", "04 0A 09 07 14 02 15 03 11 00"},
        {{6, 2}, "05 0A 00 00 12 02 30 02 11 00", "04 02", "04 0A 09 07 14 02 15 03 11 00"},
        {{6, 2}, "05 0A 00 00 12 08 15 03 11 00", "04 02", "04 0A 09 07 14 02 15 03 11 00"},
        {{6, 2}, "0E 03 10", "0D 02", "0D 03 0F"},
        {{6, 2}, "07 03 45", "06 02", "06 03 05"},
        {{6, 2}, "23 04 24 01", "22 02", "22 04 00 01"},
        {{6, 2}, "23 04 1A 01", "22 02", "22 04 00 01"},
        {{6, 2}, "23 04 00 00", "22 02", "22 04 00 01"},
        {{6, 2},
         "09 14 04 00 00 02 07 00 03 08 00 01 12 00 02 18 00 03 23 59",
         "08 02",
         "08 14 01 00 00 02 06 30 03 08 30 02 11 30 03 17 30 02 20 30"},
        {{10, 1}, "27 05 10 01 01", "26 03 00", "26 05 00 01 01"},
        {{10, 1}, "27 05 00 30 02", "26 03 00", "26 05 00 01 01"},
        {{10, 1}, "29 07 00 29 02 23 01", "28 03 00", "28 07 00 00 00 00 00"},
        {{10, 1}, "29 07 00 01 01 24 09", "28 03 00", "28 07 00 00 00 00 00"},
    };
    for (const auto &c : cases) {
        Fixture f(c.fw);
        f.open();
        EXPECT_EQ(ByteAt(Body(f.ask(c.write)), 2), 4) << c.write;
        EXPECT_EQ(Show(Body(f.ask(c.read))), std::string(c.after)) << c.write;
    }
}

TEST(MeterModel, AccessPasswordOpensWritesForAWhile) {
    Fixture f({6, 2});
    EXPECT_EQ(ByteAt(f.ask("0B 02"), 2), 6);
    EXPECT_EQ(ByteAt(f.ask("14 04 35 12"), 2), 6) << "wrong password";
    EXPECT_FALSE(f.model.accessOpen());
    f.open();
    EXPECT_EQ(Show(Body(f.ask("0B 02"))), "0B 02");
    // With access open, a second password frame sets a new password (the write
    // sequence's new-password frame).
    EXPECT_EQ(Show(Body(f.ask("14 04 78 56"))), "14 02");
    EXPECT_EQ(f.model.state().password, 0x5678);
    // Each write keeps it open; a minute without one closes it.
    f.now += kAccessIdleMs - 1;
    EXPECT_EQ(Show(Body(f.ask("0B 02"))), "0B 02");
    f.now += kAccessIdleMs + 1;
    EXPECT_EQ(ByteAt(f.ask("0B 02"), 2), 6);
    EXPECT_EQ(ByteAt(f.ask("14 04 34 12"), 2), 6) << "the old password is gone";
    EXPECT_EQ(Show(Body(f.ask("14 04 78 56"))), "14 02");
    // A read ends the write session: a wrong password after it is refused, not taken
    // as a new one.
    EXPECT_TRUE(f.model.accessOpen());
    f.ask("0A 02");
    EXPECT_FALSE(f.model.accessOpen());
    EXPECT_EQ(ByteAt(f.ask("14 04 01 00"), 2), 6);
    EXPECT_EQ(f.model.state().password, 0x5678);
}

TEST(MeterModel, StateSurvivesJson) {
    Fixture f({10, 1});
    f.open();
    f.ask("27 05 03 31 12");
    f.ask("29 07 01 08 03 25 08");
    f.ask("09 02");
    const MeterState s = f.model.state();
    MeterState back;
    QString why;
    ASSERT_TRUE(MeterStateFromJson(MeterStateToJson(s), MeterState{}, back, why))
        << why.toStdString();
    back.lastAdvanceMs = s.lastAdvanceMs; // not kept: the counters stand still while unpowered
    EXPECT_EQ(back, s);
}

TEST(MeterModel, StateFileWithBadValuesIsRefusedWithAReason) {
    const char *bad[] = {"[1, 2]",
                         "{\"number\": 16777216}",
                         "{\"firmware\": \"six\"}",
                         "{\"zones\": [[1, 0, 0]]}",
                         "{\"holidays\": 3}",
                         "{\"clock\": \"soon\"}",
                         "{\"energy\": [1, -2, 3]}",
                         "not json"};
    for (const char *text : bad) {
        MeterState out;
        QString why;
        EXPECT_FALSE(MeterStateFromJson(text, MeterState{}, out, why)) << text;
        EXPECT_FALSE(why.isEmpty()) << text;
    }
    // Slots in use must hold dates the meter can send back.
    const auto slotRows = [](const char *key, const char *first, const char *empty) {
        QByteArray rows = first;
        for (int i = 1; i < 16; ++i)
            rows += QByteArray(", ") + empty;
        return "{\"" + QByteArray(key) + "\": [" + rows + "]}";
    };
    for (const QByteArray &text : {slotRows("transfers", "[5, 3, 0, 1]", "[0, 0, 0, 0]"),
                                   slotRows("transfers", "[5, 3, 2024, 0]", "[0, 0, 0, 0]"),
                                   slotRows("holidays", "[31, 4]", "[0, 0]")}) {
        MeterState out;
        QString why;
        EXPECT_FALSE(MeterStateFromJson(text, MeterState{}, out, why)) << text.constData();
        EXPECT_FALSE(why.isEmpty()) << text.constData();
    }
    MeterState out;
    QString why;
    ASSERT_TRUE(
        MeterStateFromJson("{\"number\": 42, \"firmware\": \"5.3\"}", MeterState{}, out, why));
    EXPECT_EQ(out.number, 42u);
    EXPECT_EQ(out.firmware, (FirmwareVersion{5, 3}));
    EXPECT_EQ(out.password, MeterState{}.password) << "missing fields keep their values";
}

} // namespace
