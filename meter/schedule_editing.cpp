#include "meter/schedule_editing.h"

namespace ormix::meter {

namespace {
constexpr int kMinutesPerDay = 24 * 60;
} // namespace

Zones PushLaterZones(Zones zones, int zone, const QTime &start) {
    if (zone < 0 || zone >= kZoneCount || !start.isValid()) return zones;
    const int moved = MinuteOfDay(start);
    zones[zone].start = QTime(start.hour(), start.minute());
    for (int m = zone + 1; m < kZoneCount; ++m) {
        if (MinuteOfDay(zones[m].start) > moved) continue;
        // One minute per zone keeps the pushed zones in order behind the moved one.
        const int pushed = moved + (m - zone);
        if (pushed >= kMinutesPerDay) continue;
        zones[m].start = QTime(pushed / 60, pushed % 60);
        zones[m].tariff = zones[zone].tariff;
    }
    return zones;
}

bool MarkAt(const Masks &masks, int row, int column) {
    if (row < 1 || row > kZoneCount || column < 0 || column >= kDayTypeCount) return false;
    return (masks[row - 1] >> column) & 1;
}

Masks ToggleMarkAt(Masks masks, int row, int column) {
    if (row < 1 || row > kZoneCount || column < 0 || column >= kDayTypeCount) return masks;
    masks[row - 1] ^= static_cast<std::uint8_t>(1u << column);
    return masks;
}

int DayLimit(int month) {
    switch (month) {
    case 2:
        return 29;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return 31;
    }
}

bool IsValidHoliday(const Holiday &h) {
    return h.month >= 1 && h.month <= 12 && h.day >= 1 && h.day <= DayLimit(h.month);
}

qsizetype HolidayInsertPosition(const QList<Holiday> &list, const Holiday &h) {
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Holiday &e = list[i];
        if (e.month < h.month) continue;
        if (e.month > h.month || e.day >= h.day) return i;
    }
    return list.size();
}

QDate TransferPickerDate(const QDate &chosen, const QDate &today) {
    return chosen < today ? today : chosen;
}

qsizetype TransferInsertPosition(const QList<Transfer> &list, const QDate &date) {
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].date >= date) return i;
    return list.size();
}

bool IsTransferYear(int year) {
    return year >= 2000 && year <= 2099;
}

} // namespace ormix::meter
