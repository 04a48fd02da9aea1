#include "meter/correction_calculator.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace ormix::meter {

std::optional<int> CorrectionInput(const QString &text) {
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    if (!decimal.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const int x = text.toInt(&ok, 10);
    if (!ok || x >= kCorrectionInputLimit) return std::nullopt;
    return x;
}

CorrectionResult ComputeCorrection(int x) {
    CorrectionResult r;
    // The period and the frequency are kept as doubles between the extended-precision steps;
    // the worked values depend on exactly these roundings.
    const double t = static_cast<double>(static_cast<long double>(x) / 1e10L + 0.001953L);
    if (!(t > 0)) {
        r.deviation = std::numeric_limits<long double>::infinity();
        r.rounded = r.deviation;
        r.raw = -r.deviation;
        r.correction = -31;
        return r;
    }
    const double u = static_cast<double>(1.0L / static_cast<long double>(t));
    r.deviation = 1000000.0L * static_cast<long double>(u) / 512.0L - 1000000.0L;
    r.rounded = std::nearbyintl(r.deviation); // default rounding: nearest, halves to even
    r.raw = -std::truncl(r.rounded / 2.0L);
    r.correction = static_cast<int>(std::fmaxl(-31.0L, std::fminl(31.0L, r.raw)));
    return r;
}

} // namespace ormix::meter
