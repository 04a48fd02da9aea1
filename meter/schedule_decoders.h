#pragma once
// Decoders of the schedule replies (08, 2E, 26, 28). Each takes a validated reply (code,
// length byte L, data, checksum) and returns what it carried; nothing is read at or beyond L
// or the end of the buffer. Values a meter cannot mean (an impossible time, month, date or
// day type) are left out, with the protocol lines the window writes while CheckBox_Terminal
// is ticked. Replies to the write commands (09, 27, 29, 2F) carry nothing to decode.
#include "meter/schedule.h"

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace ormix::meter {

// 08: `08 02` is single-tariff operation; `08 14` carries the six zones.
struct ZoneReply {
    // CheckOneTarif := singleTariff (checked exactly when L = 2), then EnableGroup for
    // GroupBox6, GroupCel and GroupTransfer with ZoneGroupsEnabled(singleTariff).
    bool singleTariff = false;
    // ValueListEditor1, key z: the tariff byte as decimal text, unchecked; only with L = 20.
    std::array<std::optional<int>, kZoneCount> tariffs;
    // Picker_Zone<z>; nullopt leaves the picker as it is.
    std::array<std::optional<QTime>, kZoneCount> starts;
    // "Некорректный тариф, зона <z>" for each zone whose time is not a time of day.
    QStringList protocolLines;
};
ZoneReply DecodeZoneReply(const QByteArray &reply);

// 2E: with L = 8 the six masks; any other length empties all 48 marks.
struct MaskReply {
    std::array<std::uint8_t, kZoneCount> masks{}; // StringAttrib rows 1..6
};
MaskReply DecodeMaskReply(const QByteArray &reply);

// 26: with L = 5 a holiday (day at byte 3, month at byte 4, BCD), appended to ListCel in
// arrival order; nullopt for another length, a month outside 1..12 or a day the month does
// not have (an unused slot reads as day 0, month 0).
std::optional<Holiday> DecodeHolidayReply(const QByteArray &reply);

// 28: with L = 7 a transfer (day, month, year - 2000 at bytes 3..5, BCD; day type 1..8 at
// byte 6), appended to ListTransfer in arrival order; nullopt for another length, a date that
// does not exist or a day type outside 1..8 (an unused slot reads as zeros).
std::optional<Transfer> DecodeTransferReply(const QByteArray &reply);

// A reply applied to a schedule the way the page applies it to its controls: the zone reply
// sets singleTariff and the zones it carries, the masks reply replaces the masks, a slot
// reply appends its entry (a list that holds 16 already takes no more: two reads queued
// one behind the other must not leave a list the meter cannot hold). Returns the protocol lines, or
// nullopt when the reply's code is not one of the four schedule reads (the schedule is then
// unchanged).
std::optional<QStringList> ApplyScheduleReply(Schedule &schedule, const QByteArray &reply);

} // namespace ormix::meter
