#pragma once
// Numbers as the settings page shows them, read back by the logs.
#include <QString>
#include <optional>

namespace ormix::records {

// The current locale's decimal separator, no group separators; nullopt when the text is
// not a finite number.
std::optional<double> LocaleNumber(const QString &text);

} // namespace ormix::records
