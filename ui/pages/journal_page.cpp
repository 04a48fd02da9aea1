#include "ui/pages/journal_page.h"

#include "meter/journal_texts.h"
#include "ui/controls.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ormix::ui {

JournalPage::JournalPage(MeterLine &line, QWidget *parent) : QWidget(parent), line(line) {
    setObjectName("TabSheet3");
    auto *page = new QVBoxLayout(this);
    PageControl2 = Named(new QTabWidget(this), "PageControl2");
    PageControl2->setDocumentMode(true);
    PageControl2->addTab(BuildYearlyTab(), "Годовой журнал");
    PageControl2->addTab(BuildConsumptionTab(), "Журнал потребления");
    page->addWidget(PageControl2);
}

QWidget *JournalPage::BuildYearlyTab() {
    auto *tab = Named(new QWidget(PageControl2), "TabSheet7");
    auto *l = new QGridLayout(tab);
    GridJour = NewGrid(tab, "GridJour", 5, 13);
    SetGridHeadings(GridJour, meter::MonthTableHeader(), meter::MonthLabels());
    BitBtn3 = Named(new QPushButton("Прочитать", tab), "BitBtn3");
    BtnJournal = Named(new QPushButton("Экспорт", tab), "BtnJournal");
    Gauge1 = Named(new QProgressBar(tab), "Gauge1");
    Gauge1->hide();
    l->addWidget(Named(new QLabel("Годовой журнал", tab), "Panel4"), 0, 0, 1, 3);
    l->addWidget(GridJour, 1, 0, 1, 3);
    l->addWidget(BitBtn3, 2, 0);
    l->addWidget(BtnJournal, 2, 1);
    l->addWidget(Gauge1, 2, 2);
    return tab;
}

QWidget *JournalPage::BuildConsumptionTab() {
    auto *tab = Named(new QWidget(PageControl2), "TabSheet8");
    auto *l = new QGridLayout(tab);
    ListView1 = Named(new QTreeWidget(tab), "ListView1");
    ListView1->setHeaderLabels(meter::ConsumptionColumns());
    ListView1->setRootIsDecorated(false);
    BitBtn5 = Named(new QPushButton("Прочитать", tab), "BitBtn5");
    BtnDiary = Named(new QPushButton("Экспорт", tab), "BtnDiary");
    Gauge2 = Named(new QProgressBar(tab), "Gauge2");
    Gauge2->hide();
    l->addWidget(ListView1, 0, 0, 1, 3);
    l->addWidget(BitBtn5, 1, 0);
    l->addWidget(BtnDiary, 1, 1);
    l->addWidget(Gauge2, 1, 2);
    return tab;
}

void JournalPage::SetExportAvailable(bool available) {
    BtnJournal->setEnabled(available);
    BtnDiary->setEnabled(available);
}

void JournalPage::ApplyJournalReply(const meter::DecodedReply &) {}

} // namespace ormix::ui
