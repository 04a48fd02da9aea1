#pragma once
// Decoders of the poll replies. Each takes a validated reply (code, length byte L, data,
// and usually the checksum) and returns what it carried; a field the reply was too short for
// stays empty (nullopt). Nothing is read at or beyond L or the end of the buffer, so the
// checksum is never taken for data. The window applies the results under its modified-mark
// rules; the command-line tool prints them.
#include "link/encodings.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>
#include <cstdint>
#include <optional>

namespace ormix::meter {

// ---- texts in the current default locale --------------------------------------------------

// The locale's long time format without a time zone (the meter has none).
QString MeterTimeText(const QTime &time);
// The locale's short date format, a space, then MeterTimeText.
QString MeterDateTimeText(const QDateTime &moment);

// ---- 0x00 firmware version -----------------------------------------------------------------

// What the firmware generation decides on the window.
struct FirmwareLayout {
    int firmwareMajor = 0;
    int meterTypeId = 6;                     // 1 below firmware 3, else 6
    bool ddmControlsEnabled = false;         // Label2, SpinEditVDM, CheckVDM
    std::optional<int> ddmValue;             // SpinEditVDM := 1 when the controls are disabled
    std::optional<std::uint32_t> ddmMaximum; // 65535 below firmware 6; no bound from 6 on
    bool oldJournalsVisible = false;         // TabSheet2, firmware below 6
    bool newJournalsVisible = false;         // TabSheet3, firmware 6 and above
    bool checkResetVisible = false;          // firmware 6 and above
    bool billingWritable = false;            // CheckShedule: only firmware 6 and above take it
    bool scheduleExtrasVisible = false;      // StringAttrib, GroupCel, GroupTransfer: firmware 10+
    // EditLastSeance is hidden for every firmware.
};
FirmwareLayout LayoutForFirmware(int firmwareMajor);

struct VersionReply {
    std::optional<int> minor;             // byte 2, BCD
    std::optional<int> major;             // byte 3, BCD
    std::optional<QString> text;          // "major.minor", e.g. "5.12"
    std::optional<FirmwareLayout> layout; // present with the major version
};
VersionReply DecodeVersion(const QByteArray &reply);

// ---- 0x01 factory number -------------------------------------------------------------------

struct NumberReply {
    std::optional<std::uint32_t> number; // bytes 2..4, 24-bit
    // SpinEdit_Number and BitBtn1 are enabled only for a meter without a number (0).
    bool editable() const { return number && *number == 0; }
};
NumberReply DecodeNumber(const QByteArray &reply);

// ---- 0x04 clock and calendar ---------------------------------------------------------------
// Every clock reply first empties LabeledDelta; UpdateDrift then gives its new text when a
// drift figure applies (SQL mode, a valid date, a clock set more than 12 hours ago).

struct ClockReply {
    std::optional<QTime> time;      // the meter's time when it is a valid time of day
    std::optional<QDate> date;      // the meter's date when it is a valid date
    std::optional<int> weekday;     // byte 5 as a plain number
    std::optional<bool> summerTime; // bit 7 of byte 9 (CheckSummer)
    // New text of LabeledCurTime; nullopt leaves it as it is (neither part valid).
    // Valid date and time: "<short date> <long time>"; only the time valid: the time;
    // only the date valid: the date alone (never the previous text behind it, so repeated
    // replies of that kind cannot make the text grow).
    std::optional<QString> curTimeText;
    // "Получено ошибочное время", "Получена ошибочная дата",
    // "Предупреждение: Получен ошибочный день недели" as they apply. The day of the week is
    // compared only with a valid date.
    QStringList protocolLines;
    // The meter's moment for the drift figure: the valid date plus the valid time (midnight
    // when the time was invalid); nullopt without a valid date.
    std::optional<QDateTime> meterMoment;
};
ClockReply DecodeClock(const QByteArray &reply);

// Running clock-drift figure (DriftSum / DriftCount) and the text of LabeledDelta.
struct DriftState {
    double sum = 0;
    int count = 0;
};
struct DriftResult {
    DriftState state; // the new sum and count
    QString text;     // the running average, two decimals, the locale's separator
};
// The drift of the meter's clock in seconds per day since it was last set (positive = meter
// ahead), added to the running average. nullopt (LabeledDelta stays empty, the state is kept)
// when `lastProgrammedAt` is not valid or `now` is not more than 12 hours later than it.
// All moments are taken as wall-clock readings (no zone, no daylight saving).
// SqlMode is the caller's condition.
std::optional<DriftResult> UpdateDrift(const QDateTime &meterMoment, const QDateTime &now,
                                       const QDateTime &lastProgrammedAt, DriftState state);
// The text of an average drift: fixed with two decimals; more than five digits before the
// separator in exponent notation.
QString DriftText(double secondsPerDay);

// ---- 0x06 daily clock correction -----------------------------------------------------------

struct CorrectionReply {
    std::optional<int> correction; // -31..31
};
CorrectionReply DecodeCorrectionReply(const QByteArray &reply);

// ---- 0x0A status ---------------------------------------------------------------------------

struct StatusReply {
    std::optional<std::uint8_t> status; // lines: meter/status_text.h
};
StatusReply DecodeStatus(const QByteArray &reply);

// ---- 0x0D display set ----------------------------------------------------------------------

struct DisplayReply {
    std::optional<std::uint8_t> mask;
    // CheckBox1..CheckBox4: "Суммарная", "На расч. день", "Дата", "Время" (bits 0..3)
    std::optional<std::array<bool, 4>> boxes;
};
DisplayReply DecodeDisplay(const QByteArray &reply);

// ---- 0x0F / 0x17 energy registers ----------------------------------------------------------

struct EnergyReply {
    // EditTariff1..3: the current readings; nullopt for a tariff the reply did not carry.
    std::array<std::optional<QString>, 3> current;
    // LabeledTariff1..3: the readings held for the billing day; empty texts unless the reply
    // is of the long variant (0x0F: L = 23, 0x17: L = 26) and carries them.
    std::array<QString, 3> billing;
    // The same values in kWh, for printing as numbers.
    std::array<std::optional<double>, 3> currentKwh;
    std::array<std::optional<double>, 3> billingKwh;
};
// 0x0F, firmware below 6: hundredths at bytes 2..4, whole kWh as 17-bit counters at 5, 8, 11
// (shown "whole<sep>ZeroPad(hundredths, 2)"); billing-day whole kWh at 14, 17, 20 when L = 23,
// shown as plain decimal numbers.
EnergyReply DecodeEnergyOld(const QByteArray &reply);
// 0x17, firmware 6 and above: quarter-watt-hour counts at 2, 6, 10 and, when L = 26, the
// billing-day counts at 14, 18, 22; each shown by FormatReading.
EnergyReply DecodeEnergy(const QByteArray &reply);

// ---- 0x11 operating time -------------------------------------------------------------------

struct OperatingTimeReply {
    std::optional<std::uint32_t> halfMinutes; // bytes 2..4
    std::optional<QString> rawText;           // EditOff: the count as a decimal number
    std::optional<QString> hoursText;         // LabeledOff: hours ":" minutes
    std::optional<int> corrections;           // byte 5
    std::optional<QString> correctionsText;   // LabeledNCorrect
};
OperatingTimeReply DecodeOperatingTime(const QByteArray &reply);

// ---- 0x15 DDM number -----------------------------------------------------------------------

struct DdmReply {
    std::optional<std::uint32_t> number; // 16-bit when L = 4, else 24-bit
};
DdmReply DecodeDdm(const QByteArray &reply);

// ---- 0x22 billing day and hour -------------------------------------------------------------

struct BillingReply {
    std::optional<int> hour; // byte 2, BCD
    std::optional<int> day;  // byte 3, BCD
};
BillingReply DecodeBilling(const QByteArray &reply);

// ---- 0x2A last session with the DDM --------------------------------------------------------

struct LastSessionReply {
    std::optional<QDateTime> moment; // bytes 3..6, seconds since 2000 (byte 2 unused)
    std::optional<QString> text;     // EditLastSeance: MeterDateTimeText of the moment
};
LastSessionReply DecodeLastSession(const QByteArray &reply);

} // namespace ormix::meter
