#include "meter/poll_cycle.h"
#include "meter_test_util.h"

#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::meter;

namespace {
TEST(PollCycle, CyclePerFirmwareGeneration) {
    const struct {
        int firmware;
        bool ddmEnabled;
        QList<std::uint8_t> codes;
    } cases[] = {
        {1, false, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x0F, 0x11}},
        {2, false, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x0F, 0x11}},
        {3, true, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x0F, 0x11, 0x15}},
        {5, true, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x0F, 0x11, 0x15}},
        {6, true, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x17, 0x11, 0x15, 0x22}},
        {9, true, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x17, 0x11, 0x15, 0x22}},
        {10, true, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x17, 0x11, 0x15, 0x22, 0x2A}},
        {99, true, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x17, 0x11, 0x15, 0x22, 0x2A}},
        // Before the first version reply: FirmwareMajor 0, DDM controls as at start.
        {0, true, {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x0F, 0x11, 0x15}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PollCycleCodes(c.firmware, c.ddmEnabled), c.codes) << "firmware " << c.firmware;
}

TEST(PollCycle, StepsGiveFramesWithChecksumAndWrap) {
    // Firmware 10: every index in turn, then back to 0.
    const QByteArray expected[] = {
        Bytes({0x00, 0x02, 0x80, 0x71}), Bytes({0x01, 0x02, 0x81, 0xE1}),
        Bytes({0x04, 0x02, 0x82, 0xB1}), WithCrc(Bytes({0x06, 0x02})),
        Bytes({0x0A, 0x02, 0x86, 0xD1}), WithCrc(Bytes({0x0D, 0x02})),
        Bytes({0x17, 0x02, 0x8F, 0x81}), WithCrc(Bytes({0x11, 0x02})),
        WithCrc(Bytes({0x15, 0x02})),    WithCrc(Bytes({0x22, 0x02})),
        Bytes({0x2A, 0x02, 0x9F, 0x11}),
    };
    int index = 0;
    for (const QByteArray &frame : expected) {
        const PollStep step = NextPollRequest(index, 10, true);
        EXPECT_EQ(step.frame, frame) << "index " << index;
        index = step.nextIndex;
    }
    EXPECT_EQ(index, 0);
}

TEST(PollCycle, IndexLeftFromAnotherFirmwareStillWraps) {
    // The index reached under firmware 10 is still served once after a switch to firmware 5,
    // and the cycle then starts again; an index outside the table counts as 0.
    EXPECT_EQ(PollRequestCode(10, 5), 0x2A);
    EXPECT_EQ(NextPollIndex(10, 5, true), 0);
    EXPECT_EQ(NextPollIndex(8, 10, false), 0);
    EXPECT_EQ(PollRequestCode(11, 10), 0x00);
    EXPECT_EQ(PollRequestCode(-1, 10), 0x00);
    EXPECT_EQ(NextPollIndex(42, 10, true), 1);
}
} // namespace
