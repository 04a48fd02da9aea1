#include "ui/pages/old_journal_page.h"

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
    g->addWidget(BitBtn4, 0, 0);
    g->addWidget(Named(new QLabel("Показания на расч. день", group), "Panel3"), 1, 0);
    g->addWidget(Named(new QLabel("Журнал потребления", group), "Panel2"), 1, 1);
    g->addWidget(GridJournal, 2, 0);
    g->addWidget(GridEvent, 2, 1);
    page->addWidget(group);
}

void OldJournalPage::ClearEvents() {
    for (int r = 1; r < GridEvent->rowCount(); ++r)
        for (int c = 0; c < GridEvent->columnCount(); ++c)
            if (auto *item = GridEvent->item(r, c)) item->setText(QString());
}

void OldJournalPage::ApplyJournalReply(const meter::DecodedReply &) {}

} // namespace ormix::ui
