#include "meter/correction_calculator.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace ormix::meter;

namespace {
TEST(CorrectionCalculator, WorkedValues) {
    const struct {
        int x;
        double v;
        int a, c, shown;
    } cases[] = {
        {1250, 0.000, 0, 0, 0},      {1300, -2.560, -3, 1, 1},   {1200, 2.560, 3, -1, -1},
        {1500, -12.800, -13, 6, 6},  {1000, 12.800, 13, -6, -6}, {1874, -31.948, -32, 16, 16},
        {500, 38.401, 38, -19, -19}, {0, 64.004, 64, -32, -31},  {-500, 89.608, 90, -45, -31},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.x);
        const CorrectionResult r = ComputeCorrection(c.x);
        EXPECT_NEAR(static_cast<double>(r.deviation), c.v, 0.0005);
        EXPECT_EQ(static_cast<long long>(r.rounded), c.a);
        EXPECT_EQ(static_cast<long long>(r.raw), c.c);
        EXPECT_EQ(r.correction, c.shown);
    }
}

TEST(CorrectionCalculator, PeriodsOfZeroOrLessGiveTheLowerLimit) {
    // Ever smaller periods lead to -31; no period at all must not flip to +31.
    for (int x : {-19529999, -19530000, -19530001, -100000000, std::numeric_limits<int>::min()})
        EXPECT_EQ(ComputeCorrection(x).correction, -31) << x;
}

TEST(CorrectionCalculator, AvailableForDecimalIntegersBelow1875) {
    const struct {
        const char *text;
        std::optional<int> x;
    } cases[] = {
        {"1874", 1874},
        {"-500", -500},
        {"+5", 5},
        {"0", 0},
        {"-2147483648", -2147483647 - 1},
        {"1875", std::nullopt},
        {"99999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"12a", std::nullopt},
        {" 12", std::nullopt},
        {"1.5", std::nullopt},
        {"-99999999999", std::nullopt},
        {"0x10", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CorrectionInput(QString::fromLatin1(c.text)), c.x) << c.text;
}
} // namespace
