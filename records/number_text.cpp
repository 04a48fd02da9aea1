#include "records/number_text.h"

#include <QLocale>
#include <cmath>

namespace ormix::records {

std::optional<double> LocaleNumber(const QString &text) {
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace ormix::records
