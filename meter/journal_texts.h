#pragma once
// The fixed texts of the journal views and the formats of the values they show. Texts
// with a decimal separator follow the current default locale.
#include <QString>
#include <QStringList>
#include <cstdint>

namespace ormix::meter {

// "янв.", "фев.", ..., "дек." for month index 0..11; empty text for any other index.
QString MonthLabel(int monthIndex);
QStringList MonthLabels();

// Row 0 of GridJour and GridJournal: "месяц", "1 тариф", "2 тариф", "3 тариф", "наработка".
QStringList MonthTableHeader();
// Row 0 of GridEvent: "№", "дата", "время", "статус".
QStringList EventTableHeader();
// The columns of ListView1: "Страница", "Запись", "Время", "1 тариф", "2 тариф", "3 тариф",
// "Статус".
QStringList ConsumptionColumns();

// Firmware 6 and above: a count of quarter-watt-hours as kWh with two decimals and the
// locale's separator (4000 -> "1,00" in a comma locale).
QString QuarterWattHoursText(std::uint32_t count);
// Firmware below 6: the 17-bit counter as a plain integer.
QString Counter17Text(std::uint32_t counter);
// Operating time in half-minutes: OperatingTimeText of link/encodings.h ("1:2" for 125).

// "dd.mm hh:nn" of a consumption record, or empty text when the day and month in `year`
// or the hour and minute do not exist (29 February outside a leap year, month 13, 24:00).
QString ConsumptionTimeText(int year, int month, int day, int hour, int minute);

// Titles of the exported journals: the journal's name, a blank, then "Счетчик № N, " when
// the factory number is above 0 ("Годовой журнал " alone, trailing blank included, for 0).
QString YearlyJournalTitle(qint64 factoryNumber);
QString ConsumptionJournalTitle(qint64 factoryNumber);

} // namespace ormix::meter
