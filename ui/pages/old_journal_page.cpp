#include "ui/pages/old_journal_page.h"

#include "meter/event_sort.h"
#include "meter/journal_requests.h"
#include "meter/journal_texts.h"
#include "ui/controls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ormix::ui {

OldJournalPage::OldJournalPage(MeterLine &line, QWidget *parent) : QWidget(parent), line(line) {
    setObjectName("TabSheet2");
    auto *page = new QVBoxLayout(this);
    auto *group = Named(new QGroupBox(" Журналы : ", this), "GroupJournal");
    auto *g = new QGridLayout(group);
    BitBtn4 = Named(new QPushButton("Прочитать", group), "BitBtn4");
    GridJournal = NewGrid(group, "GridJournal", 5, 13);
    GridEvent = NewGrid(group, "GridEvent", 4, 13);
    SetGridHeadings(GridJournal, meter::MonthTableHeader(), meter::MonthLabels());
    SetGridHeadings(GridEvent, meter::EventTableHeader());
    FitGridToContents(GridJournal);
    FitGridToContents(GridEvent);
    BitBtn4->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    g->addWidget(BitBtn4, 0, 0, Qt::AlignLeft);
    g->addWidget(Named(new QLabel("Показания на расч. день", group), "Panel3"), 1, 0);
    g->addWidget(Named(new QLabel("Журнал потребления", group), "Panel2"), 1, 1);
    g->addWidget(GridJournal, 2, 0);
    g->addWidget(GridEvent, 2, 1);
    g->setColumnStretch(2, 1); // the grids keep their width; the room is left over
    page->addWidget(group);
    connect(BitBtn4, &QPushButton::clicked, this, &OldJournalPage::BitBtn4Click);
}

void OldJournalPage::ClearEvents() {
    for (int r = 1; r < GridEvent->rowCount(); ++r)
        for (int c = 0; c < GridEvent->columnCount(); ++c)
            if (auto *item = GridEvent->item(r, c)) item->setText(QString());
}

// A press while the tables are still being read is ignored: a second set of requests would
// fill the cleared tables twice over.
void OldJournalPage::BitBtn4Click() {
    if (line.Queued(0x12) || line.Queued(0x13)) return;
    for (int r = 1; r <= meter::kOldTableRows; ++r)
        for (int c = 1; c < GridJournal->columnCount(); ++c)
            ShowCell(GridJournal, r, c, QString());
    ClearEvents();
    line.Queue(meter::OldJournalRequests());
}

void OldJournalPage::ApplyJournalReply(const meter::DecodedReply &reply) {
    if (const auto *billing = std::get_if<meter::BillingMonthReply>(&reply))
        ApplyRecord(GridJournal, billing->record);
    if (const auto *numbered = std::get_if<meter::NumberedRecordReply>(&reply)) {
        ApplyRecord(GridEvent, numbered->record);
        SortEvents();
    }
}

void OldJournalPage::ApplyRecord(QTableWidget *grid, const meter::OldJournalRecord &record) {
    if (record.update)
        for (int i = 0; i < record.update->cells.size(); ++i)
            ShowCell(grid, record.update->row, record.update->firstColumn + i,
                     record.update->cells[i]);
    if (!record.protocolLine.isEmpty()) line.AddProtocolLine(record.protocolLine);
}

void OldJournalPage::SortEvents() {
    QList<QStringList> rows;
    for (int r = 1; r <= meter::kOldTableRows; ++r) {
        QStringList cells;
        for (int c = 0; c < GridEvent->columnCount(); ++c)
            cells << CellText(GridEvent, r, c);
        rows << cells;
    }
    meter::SortEventRows(rows); // rows still out of order after the pass limit stay as they are
    for (int r = 1; r <= meter::kOldTableRows; ++r)
        for (int c = 0; c < GridEvent->columnCount(); ++c)
            ShowCell(GridEvent, r, c, rows[r - 1][c]);
}

} // namespace ormix::ui
