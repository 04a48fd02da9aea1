// Available memory as the kernel reports it, for the about window's memory line.
#include "platform/platform.h"

#include <gtest/gtest.h>

using namespace ormix::platform;

using ormix::platform::MemAvailableFromMeminfo;

TEST(Meminfo, MemAvailableInBytes) {
    const QByteArray meminfo = "MemTotal:       24683612 kB\n"
                               "MemFree:         1090720 kB\n"
                               "MemAvailable:   20090720 kB\n"
                               "Buffers:          301200 kB\n";
    EXPECT_EQ(MemAvailableFromMeminfo(meminfo), 20090720ULL * 1024);
}

TEST(Meminfo, NothingWithoutAUsableLine) {
    EXPECT_EQ(MemAvailableFromMeminfo("MemTotal: 100 kB\nMemFree: 50 kB\n"), std::nullopt);
    EXPECT_EQ(MemAvailableFromMeminfo("MemAvailable: lots\n"), std::nullopt);
    EXPECT_EQ(MemAvailableFromMeminfo(""), std::nullopt);
}

TEST(Meminfo, TheMachinesOwnFigureIsBelowItsTotal) {
    const MemoryStatus m = Platform().Memory();
    EXPECT_GT(m.totalPhys, 0u);
    EXPECT_LE(m.availPhys, m.totalPhys);
}
