// A schedule written to the emulated meter and read back, frame by frame, without a line:
// what the write sequence sends is what the decoders get back.
#include "emulator/meter_model.h"
#include "link/encodings.h"
#include "meter/schedule_decoders.h"
#include "meter/schedule_frames.h"
#include "meter_test_util.h"

#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::emulator;

using namespace ormix::meter;

namespace {
constexpr int kPassword = 0x1234;

struct EmulatedMeter {
    qint64 now = QDateTime(QDate(2025, 6, 10), QTime(9, 0), Qt::UTC).toMSecsSinceEpoch();
    MeterModel model;
    explicit EmulatedMeter(int firmware) : model(make(firmware, now), [this] { return now; }) {}
    static MeterState make(int firmware, qint64 at) {
        MeterState s = DefaultMeterState(at);
        s.firmware = {firmware, 1};
        s.password = kPassword;
        return s;
    }

    // Every frame acknowledged with an empty reply of its own code.
    void write(const Schedule &s) {
        const ScheduleWriteSequence seq =
            BuildScheduleWrite({s, kPassword, model.state().firmware.major});
        ASSERT_TRUE(seq.ok()) << seq.error.toStdString();
        for (const QByteArray &frame : seq.frames) {
            const QByteArray ack = model.handle(frame);
            ASSERT_EQ(ack.left(2), frame.left(1) + char(2))
                << frame.toHex(' ').constData() << " -> " << ack.toHex(' ').constData();
            now += 60; // a frame and its reply at 4800 bit/s
        }
    }
    // The read as the page runs it: lists emptied when queued, replies applied in order.
    Schedule read(Schedule page) {
        const int fw = model.state().firmware.major;
        if (ScheduleReadEmptiesLists(fw)) {
            page.holidays.clear();
            page.transfers.clear();
        }
        for (const QByteArray &frame : ScheduleReadFrames(fw)) {
            const QByteArray reply = model.handle(frame);
            EXPECT_EQ(ByteAt(reply, 0), ByteAt(frame, 0)) << frame.toHex(' ').constData();
            const auto lines = ApplyScheduleReply(page, reply);
            EXPECT_EQ(lines, QStringList{}) << frame.toHex(' ').constData();
        }
        return page;
    }
};

Schedule Written() {
    Schedule s;
    s.singleTariff = false;
    s.zones = {{{2, QTime(0, 0)},
                {1, QTime(7, 0)},
                {3, QTime(8, 15)},
                {1, QTime(12, 0)},
                {3, QTime(17, 45)},
                {2, QTime(23, 59)}}};
    s.masks = {0xFF, 0x1F, 0x1F, 0x7F, 0x9F, 0xE0};
    s.holidays = {{31, 12}, {29, 2}, {8, 3}, {8, 3}}; // slot order, not date order
    s.transfers = {{QDate(2025, 11, 1), 1}, {QDate(2099, 12, 31), 8}};
    return s;
}

TEST(ScheduleOnTheEmulator, FirmwareTenKeepsTheWholeSchedule) {
    EmulatedMeter meter(10);
    meter.write(Written());
    EXPECT_EQ(meter.read(Schedule()), Written());

    // A shorter list replaces the longer one: the tables are cleared before the slots.
    Schedule fewer = Written();
    fewer.holidays = {{1, 1}};
    fewer.transfers.clear();
    meter.write(fewer);
    EXPECT_EQ(meter.read(Written()), fewer);

    // Full tables.
    Schedule full = Written();
    full.holidays.clear();
    full.transfers.clear();
    for (int i = 0; i < kMaxHolidays; ++i) {
        full.holidays << Holiday{i + 1, i % 12 + 1};
        full.transfers << Transfer{QDate(2030, 1, 1).addDays(37 * i), i % 8 + 1};
    }
    meter.write(full);
    EXPECT_EQ(meter.read(Schedule()), full);
}

TEST(ScheduleOnTheEmulator, FirmwareNineKeepsOnlyTheZones) {
    EmulatedMeter meter(9);
    meter.write(Written());
    // Masks, holidays and transfers are neither written nor read: the page keeps its own.
    Schedule page;
    page.masks.fill(0x01);
    page.transfers = {{QDate(2026, 1, 2), 3}};
    Schedule expected = page;
    expected.singleTariff = false;
    expected.zones = Written().zones;
    EXPECT_EQ(meter.read(page), expected);
}

TEST(ScheduleOnTheEmulator, SingleTariffIsReadBackAsSingleTariff) {
    for (int fw : {9, 10}) {
        EmulatedMeter meter(fw);
        Schedule single = Written();
        single.singleTariff = true;
        single.zones[1].tariff = 3; // not sent: the meter keeps no zones
        meter.write(single);
        Schedule page = Written();
        page.singleTariff = false;
        const Schedule back = meter.read(page);
        EXPECT_TRUE(back.singleTariff) << fw;
        EXPECT_EQ(back.zones, Written().zones) << "the zone editor stays as it was";

        meter.write(Written());
        EXPECT_FALSE(meter.read(back).singleTariff) << fw;
    }
}
} // namespace
