#pragma once
// The about window's two lines on physical memory.
#include "platform/platform.h"

#include <QLocale>
#include <QString>
#include <cstdint>

namespace ormix::ui {

// bytes / 1024 to the nearest whole number in the pattern "#,###": digits grouped by the
// locale's thousands separator, and nothing at all below half a kilobyte.
QString FormatKilobytes(std::uint64_t bytes, const QLocale &locale);

struct MemoryLines {
    QString total; // "Всего физической памяти: 2,097,152 KB"
    QString available; // "Доступно физической памяти: 0 KB" below half a kilobyte
};
MemoryLines MakeMemoryLines(const platform::MemoryStatus &status, const QLocale &locale);

} // namespace ormix::ui
