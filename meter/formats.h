#pragma once
// Display formats of readings, shared by the poll decoders, the journals and the log.
#include <QString>

namespace ormix::meter {

// Fixed-point with exactly two decimals, the locale's decimal separator, no group
// separator, at most 12 significant digits (larger values in exponent notation).
QString FormatReading(double x);

// Decimal text of n, left-padded with "0" to at least `width` characters.
QString ZeroPad(long long n, int width);

} // namespace ormix::meter
