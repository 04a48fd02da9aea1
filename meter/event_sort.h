#pragma once
// The order of GridEvent: rows 1..12 by the record number in column 0, ascending.
#include <QList>
#include <QStringList>

namespace ormix::meter {

// The key of a row: the integer in its column-0 text, or 999 when the text is empty or not
// an integer, so empty rows sink to the bottom.
int EventRowKey(const QString &numberText);

// At most this many passes; twelve rows are in order after eleven.
constexpr int kEventSortPassLimit = 101;

// Orders `rows` (grid rows 1.., each its cells from column 0) by EventRowKey: passes that
// swap neighbours whose keys are out of order, equal keys never, until a check finds none
// or the pass limit is reached. Returns whether the rows are in order.
bool SortEventRows(QList<QStringList> &rows);

} // namespace ormix::meter
