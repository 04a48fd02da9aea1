#include "meter/event_sort.h"

namespace ormix::meter {

namespace {
constexpr int kNoNumberKey = 999;

int KeyOf(const QStringList &row) {
    return EventRowKey(row.isEmpty() ? QString() : row.first());
}

bool InOrder(const QList<QStringList> &rows) {
    for (qsizetype r = 0; r + 1 < rows.size(); ++r)
        if (KeyOf(rows[r + 1]) < KeyOf(rows[r])) return false;
    return true;
}
} // namespace

int EventRowKey(const QString &numberText) {
    bool ok = false;
    const int key = numberText.toInt(&ok);
    return ok ? key : kNoNumberKey;
}

bool SortEventRows(QList<QStringList> &rows) {
    for (int pass = 0; pass < kEventSortPassLimit; ++pass) {
        for (qsizetype r = 0; r + 1 < rows.size(); ++r)
            if (KeyOf(rows[r + 1]) < KeyOf(rows[r])) rows.swapItemsAt(r, r + 1);
        if (InOrder(rows)) return true;
    }
    return false;
}

} // namespace ormix::meter
