#pragma once
// Decoders of the journal replies (0x18, 0x19 from firmware 6; 0x12, 0x13 below it). Each
// takes a reply that passed the frame checks and returns what its page changes: the cells
// of one grid row, the item of the list, the gauge position, a protocol line. A reply with
// another length byte than its record's counts as an empty record; one shorter than its
// fields is never read past. The page applies the result; the command-line tool prints it.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace ormix::meter {

// New texts for one row of a grid: `cells` go to columns firstColumn, firstColumn + 1, ...;
// the row's other columns keep their texts.
struct GridRowUpdate {
    int row = 0; // 1..12: row 0 holds the headers
    int firstColumn = 0;
    QStringList cells;
};

// Said in the protocol view, only while CheckBox_Terminal is ticked.
QString BadJournalMonthLine(); // "Некорректный месяц журнала"
QString BadJournalRowLine();   // "Некорректная строка журнала"

// ---- 0x18 yearly journal record (GridJour, Gauge1) -----------------------------------------

constexpr int kYearlyGaugeMaximum = 12; // Gauge1 runs 0..12

struct YearlyValues {
    int month = 0;                         // 0..11
    int year = 0;                          // 2000 + the BCD year byte
    std::array<std::uint32_t, 3> counts{}; // quarter-watt-hours per tariff
    std::uint32_t operatingHalfMinutes = 0;
};

struct YearlyRecord {
    // Month m lands in row m + 1. A full record (L = 13 hex) sets column 0 to the BCD year
    // as two hexadecimal digits, a blank and the month label ("07 янв.") and columns 1..4;
    // an empty one sets column 0 back to the bare month label. nullopt: month above 11.
    std::optional<GridRowUpdate> update;
    std::optional<YearlyValues> values; // a full record's numbers, for the chart and the CLI
    std::optional<int> gaugePosition;   // m + 1 within 0..12, whatever the length byte
    QString protocolLine;               // a full record of a month above 11
};
YearlyRecord DecodeYearlyRecord(const QByteArray &reply);

// ---- 0x19 consumption journal record (ListView1, Gauge2) -----------------------------------

constexpr int kConsumptionGaugeMaximum = 78; // Gauge2 runs 0..78

struct ConsumptionValues {
    int page = 0;
    int record = 0;
    std::optional<QDateTime> moment; // in `currentYear`; nullopt when not a valid moment
    std::array<std::uint32_t, 3> counts{};
    int status = 0;
};

struct ConsumptionRecord {
    // The item to append (L = 15 hex): caption "Страница", then "Запись", "Время",
    // "1 тариф", "2 тариф", "3 тариф", "Статус". nullopt: nothing is appended.
    std::optional<QStringList> item;
    std::optional<ConsumptionValues> values;
    std::optional<int> gaugePosition; // byte 2 within 0..78, whatever the length byte
};
// The record carries no year: `currentYear` is the year of the workstation's clock
// (QDate::currentDate().year() at the time of the reply).
ConsumptionRecord DecodeConsumptionRecord(const QByteArray &reply, int currentYear);

// ---- 0x12 billing-day readings of a month (GridJournal) ------------------------------------

struct OldJournalRecord {
    std::optional<GridRowUpdate> update;
    QString protocolLine;
};
// Only a reply with L = 0F is used: month m fills columns 1..4 of row m + 1 with the three
// 17-bit energies as integers and the operating time.
OldJournalRecord DecodeBillingMonthRecord(const QByteArray &reply);

// ---- 0x13 numbered record (GridEvent) ------------------------------------------------------

// Only a reply with L = 09 is used: row i + 1 gets "№" (decimal), "дата" (two bytes as hex
// digits joined by "."), "время" (joined by ":") and "статус" (decimal). The page runs
// SortEventRows (meter/event_sort.h) after every reply of this code.
OldJournalRecord DecodeNumberedRecord(const QByteArray &reply);

} // namespace ormix::meter
