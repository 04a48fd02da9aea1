#pragma once
// The request lists of the journal reads, each frame with its checksum, in the order they
// are appended to Commands behind whatever is queued.
#include <QByteArray>
#include <QList>

namespace ormix::meter {

constexpr int kYearlyRecordCount = 12;      // one record a month
constexpr int kConsumptionRecordCount = 79; // pages 0..78
constexpr int kOldTableRows = 12;           // rows 1..12 of GridJournal and GridEvent

// BitBtn3 (firmware 6 and above): 18 03 m for m = 0..11.
QList<QByteArray> YearlyJournalRequests();
// BitBtn5 (firmware 6 and above): 19 03 p for p = 0..78.
QList<QByteArray> ConsumptionJournalRequests();
// BitBtn4 (firmware below 6): 12 03 m for m = 0..11, then 13 03 i for i = 0..11.
QList<QByteArray> OldJournalRequests();

} // namespace ormix::meter
