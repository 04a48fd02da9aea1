#include "ui/memory_lines.h"

namespace ormix::ui {

QString FormatKilobytes(std::uint64_t bytes, const QLocale &locale) {
    // Integer rounding, half up: exact for any size, where a double is not.
    const std::uint64_t kb = bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
    if (kb == 0) return {};
    QLocale grouped(locale);
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(qulonglong(kb));
}

namespace {
QString line(const char *caption, std::uint64_t bytes, const QLocale &locale) {
    const QString kb = FormatKilobytes(bytes, locale);
    return QString::fromUtf8(caption) + (kb.isEmpty() ? QString("0") : kb) + " KB";
}
} // namespace

// An empty quotient shows as 0 in both lines; a total line of " KB" would tell nothing.
MemoryLines MakeMemoryLines(const platform::MemoryStatus &status, const QLocale &locale) {
    return {line("Всего физической памяти: ", status.totalPhys, locale),
            line("Доступно физической памяти: ", status.availPhys, locale)};
}

} // namespace ormix::ui
