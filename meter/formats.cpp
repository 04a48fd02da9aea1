#include "meter/formats.h"

#include <QLocale>
#include <cmath>

namespace ormix::meter {

QString FormatReading(double x) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // More than 12 digits before the separator do not fit 12 significant digits.
    if (std::fabs(x) >= 1e12) return locale.toString(x, 'E', 11);
    return locale.toString(x, 'f', 2);
}

QString ZeroPad(long long n, int width) {
    QString text = QString::number(n);
    if (text.size() < width) text.prepend(QString(width - text.size(), QLatin1Char('0')));
    return text;
}

} // namespace ormix::meter
