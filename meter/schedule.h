#pragma once
// The meter's tariff schedule as plain values: six daily zones (tariff and start time), one
// day-type mask per zone, up to 16 holidays and up to 16 transfers, or single-tariff
// operation. The schedule page reads its controls into a Schedule and writes one back; the
// frames, the decoders, the templates and the diff all work on this struct.
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>
#include <cstdint>
#include <optional>

namespace ormix::meter {

constexpr int kZoneCount = 6;
constexpr int kDayTypeCount = 8;    // ПН..ВС and ПР (holiday)
constexpr int kMaxHolidays = 16;    // slots of the meter's holiday table
constexpr int kMaxTransfers = 16;   // slots of the meter's transfer table
constexpr int kExtrasFirmware = 10; // masks, holidays and transfers from this firmware on
constexpr int kLowestTariff = 1;    // the pick list of ValueListEditor1 offers 1, 2 and 3
constexpr int kHighestTariff = 3;
constexpr std::uint8_t kAllDayTypes = 0xFF;

struct ZoneEntry {
    int tariff = kLowestTariff; // ValueListEditor1, key z; a meter's reply may bring any byte
    QTime start{0, 0};          // Picker_Zone<z>, minutes only
    bool operator==(const ZoneEntry &) const = default;
};

// A holiday is a day of the year, every year.
struct Holiday {
    int day = 1;   // SpinD, ListCel's "День"
    int month = 1; // 1..12, ComboM's index + 1, ListCel's "Месяц"
    bool operator==(const Holiday &) const = default;
    auto operator<=>(const Holiday &o) const {
        return month != o.month ? month <=> o.month : day <=> o.day;
    }
};

// A calendar date the meter runs on the schedule of another day type.
struct Transfer {
    QDate date;      // DTPTrans, ListTransfer's "День"
    int dayType = 1; // 1..8, ComboTrans's index + 1, ListTransfer's "По графику"
    bool operator==(const Transfer &) const = default;
};

std::array<ZoneEntry, kZoneCount> DefaultZones(); // 1 00:00, 2 06:30, 3 08:30, 2 11:30, ...
QList<Holiday> DefaultHolidays();                 // BtnTemplet: the twelve of the year

// What the schedule page holds; a default Schedule is the page as it starts.
struct Schedule {
    bool singleTariff = true; // CheckOneTarif
    std::array<ZoneEntry, kZoneCount> zones = DefaultZones();
    // StringAttrib: bit d of masks[z] is a mark in row z + 1, column d.
    std::array<std::uint8_t, kZoneCount> masks{kAllDayTypes, kAllDayTypes, kAllDayTypes,
                                               kAllDayTypes, kAllDayTypes, kAllDayTypes};
    QList<Holiday> holidays = DefaultHolidays(); // ListCel, in list order
    QList<Transfer> transfers;                   // ListTransfer, in list order
    bool operator==(const Schedule &) const = default;
};

// ---- names shown by the page ---------------------------------------------------------------

// " + ", the text of a marked StringAttrib cell; an empty cell is no mark.
QString MarkText();
// "ПН", "ВТ", "СР", "ЧТ", "ПТ", "СБ", "ВС", "ПР": StringAttrib's header, column = bit 0..7.
QStringList DayTypeLabels();
// "понедельник" .. "праздник": ComboTrans and ListTransfer's sub-item, index = day type - 1.
QStringList DayTypeTexts();
// "январь" .. "декабрь": ComboM and ListCel's caption, index = month - 1.
QStringList MonthNames();

// The month of a ListCel caption, the day type of a ListTransfer sub-item; nullopt for a
// text that is not one of the lists above.
std::optional<int> MonthFromName(const QString &name);
std::optional<int> DayTypeFromText(const QString &text);

// ListTransfer's caption: the date in the locale's short date format.
QString TransferDateText(const QDate &date);

// Minutes since midnight: zone start times are compared, pushed and written to the minute,
// the resolution of the meter and of the "HH:mm" pickers.
inline int MinuteOfDay(const QTime &t) {
    return t.hour() * 60 + t.minute();
}

} // namespace ormix::meter
