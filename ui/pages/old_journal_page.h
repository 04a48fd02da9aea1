#pragma once
// The page "Журнал" of meters with firmware below 6 (TabSheet2): the billing-day readings
// of each month (GridJournal) and the numbered records (GridEvent), read with BitBtn4.
#include "meter/reply_decoders.h"
#include "ui/meter_line.h"

#include <QWidget>

class QPushButton;
class QTableWidget;

namespace ormix::ui {

class OldJournalPage : public QWidget {
    Q_OBJECT
public:
    // `line` carries the journal's read requests to the meter.
    OldJournalPage(MeterLine &line, QWidget *parent);

    // ClearMeterView's part: every cell of GridEvent below its headings emptied.
    void ClearEvents();
    // A reply of the journal read (12, 13).
    void ApplyJournalReply(const meter::DecodedReply &reply);
    // Reads both tables, as the button does.
    void BitBtn4Click();

private:
    void ApplyRecord(QTableWidget *grid, const meter::OldJournalRecord &record);
    void SortEvents();

    MeterLine &line;
    QTableWidget *GridJournal{}, *GridEvent{};
    QPushButton *BitBtn4{};
};

} // namespace ormix::ui
