#include "meter/write_choices.h"

#include <QRegularExpression>

namespace ormix::meter {

std::optional<qint64> DecimalInteger(const QString &text) {
    // Eighteen digits at most, so that the value always fits.
    static const QRegularExpression re(QStringLiteral("^-?[0-9]{1,18}$"));
    if (!re.match(text).hasMatch()) return std::nullopt;
    return text.toLongLong();
}

} // namespace ormix::meter
