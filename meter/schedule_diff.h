#pragma once
// Where two schedules differ, as lines a person reads: the mode, then zone by zone (tariff
// and start, then day types), holiday by holiday, transfer by transfer. `ormix-cli schedule
// diff FILE` prints what the meter holds against the file and exits 0 when nothing differs.
#include "meter/schedule.h"

#include <QStringList>

namespace ormix::meter {

struct ScheduleDiffOptions {
    // Day types, holidays and transfers take part only when both sides carry them: a meter
    // below firmware 10 has none to read.
    bool withExtras = true;
    QString leftName = QStringLiteral("в счётчике");
    QString rightName = QStringLiteral("в файле");
};

// Empty when the schedules are the same for a meter. Two single-tariff schedules are the
// same whatever their zones hold (the meter keeps no zones then); a single-tariff and a
// multi-tariff one differ in their mode only. Holidays are compared as dates (their order in
// the list is not kept by anything that matters), transfers as dates with their day types.
// Lines look like "Зона 2: в счётчике тариф 3 с 08:30, в файле тариф 2 с 09:00".
QStringList DiffSchedules(const Schedule &left, const Schedule &right,
                          const ScheduleDiffOptions &options = {});

} // namespace ormix::meter
