#pragma once
// The schedule page's editing rules, each a pure function the page's handler calls; the
// page only reads its controls, calls one of these and writes the result back.
#include "meter/schedule.h"

namespace ormix::meter {

using Zones = std::array<ZoneEntry, kZoneCount>;
using Masks = std::array<std::uint8_t, kZoneCount>;

// ---- enabling and visibility ----------------------------------------------------------------

// EnableGroup(…, GroupBox6 / GroupCel / GroupTransfer): enabled unless single-tariff; applied
// at start-up, by CheckOneTarifClick and after a zone reply.
inline bool ZoneGroupsEnabled(bool singleTariff) {
    return !singleTariff;
}
// StringAttrib, GroupCel and GroupTransfer are shown after a version reply of firmware 10+.
inline bool ExtrasVisible(int firmwareMajor) {
    return firmwareMajor >= kExtrasFirmware;
}
// BtnInsCel / BtnInsTrans: enabled while the list has room, re-evaluated after every change
// of the list (insert, delete, template, read, template file).
inline bool CanAddHoliday(qsizetype count) {
    return count < kMaxHolidays;
}
inline bool CanAddTransfer(qsizetype count) {
    return count < kMaxTransfers;
}
// BtnDelCel / BtnDelTrans: enabled while at least one entry is selected (ListCelSelectItem,
// ListTransferSelectItem); disabled after a delete.
inline bool CanDelete(qsizetype selectedCount) {
    return selectedCount > 0;
}

// ---- zones -----------------------------------------------------------------------------------

// Picker_Zone0Change, for an operator's change of zone `zone`'s picker to `start` (times set
// by a reply, by this push or by the pre-fill do not come here). Every later zone that does
// not start after `start` moves to `start` + (its number − `zone`) minutes and takes the
// moved zone's tariff, unless that would reach midnight; later zones that start after
// `start` stay. Returns all six zones with the moved one at `start`; the page sets the
// pickers without raising their change handler.
Zones PushLaterZones(Zones zones, int zone, const QTime &start);

// ---- day-type masks ----------------------------------------------------------------------------

// The mark of StringAttrib's cell (row, column): row z + 1 is zone z, column d is bit d.
bool MarkAt(const Masks &masks, int row, int column);
// StringAttribClick: toggles the mark of the current cell; the header row 0 and cells outside
// the grid change nothing.
Masks ToggleMarkAt(Masks masks, int row, int column);

// ---- holidays ----------------------------------------------------------------------------------

// ComboMChange: SpinD's maximum for a month 1..12 (29 for February, a holiday recurs every
// year and a leap year has the 29th; 30 for April, June, September, November; else 31).
int DayLimit(int month);
// True when `h` names a day that exists in some year (what a meter can keep).
bool IsValidHoliday(const Holiday &h);
// BtnInsCelClick: where the new entry goes. Walking from the top, entries of an earlier
// month and entries of the same month with an earlier day are passed; the walk stops at the
// first later entry or one with the same date, so an equal date lands in front of it.
qsizetype HolidayInsertPosition(const QList<Holiday> &list, const Holiday &h);

// ---- transfers ---------------------------------------------------------------------------------

// DTPTransChange: a date earlier than today becomes today.
QDate TransferPickerDate(const QDate &chosen, const QDate &today);
// BtnInsTransClick: in front of the first entry whose date is not earlier than `date`, or at
// the end; equal dates are allowed.
qsizetype TransferInsertPosition(const QList<Transfer> &list, const QDate &date);
// The years a transfer slot can carry: two BCD digits after 2000.
bool IsTransferYear(int year);

} // namespace ormix::meter
