#pragma once
// The clock-correction calculator: the entered number x is the timer period in excess of
// 1.953 ms, in tenths of a nanosecond; the correction is minus half the deviation of 1/period
// from 512 Hz in millionths.
#include <QString>
#include <optional>

namespace ormix::meter {

constexpr int kCorrectionInputLimit = 1875; // inputs from here on are refused

// x when the text is a decimal integer below 1875 (negatives included), else nullopt:
// the availability of ActionCountCorrect.
std::optional<int> CorrectionInput(const QString &text);

struct CorrectionResult {
    long double deviation = 0; // v, millionths
    long double rounded = 0;   // a, v to the nearest integer, halves to even
    long double raw = 0;       // c = -a / 2 truncated toward zero, before the limit
    int correction = 0;        // c limited to -31..31: the value for SpinClock
};

// A period of zero or less (x <= -19530000) has no frequency; it gives the lower limit -31,
// where the results of ever smaller periods lead, instead of a jump to +31.
CorrectionResult ComputeCorrection(int x);

} // namespace ormix::meter
