#include "ui/pages/journal_page.h"

#include "link/error_report.h"
#include "meter/journal_requests.h"
#include "meter/journal_texts.h"
#include "ui/controls.h"
#include "ui/pages/yearly_chart.h"
#include "ui/table_export.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace ormix::ui {

namespace {
constexpr std::uint8_t kYearlyCode = 0x18, kConsumptionCode = 0x19;
} // namespace

void StartGauge(QProgressBar *gauge, int maximum) {
    gauge->setRange(0, maximum);
    gauge->setValue(0);
    gauge->show();
}

void MoveGauge(QProgressBar *gauge, int position) {
    const int held = std::clamp(position, gauge->minimum(), gauge->maximum());
    if (gauge->value() != held) gauge->setValue(held);
}

void ReportExportResult(const QString &failure) {
    if (!failure.isEmpty()) link::ReportApplicationError(failure);
}

JournalPage::JournalPage(MeterLine &line, std::function<qint64()> factoryNumber, QWidget *parent)
    : QWidget(parent), line(line), factoryNumber(std::move(factoryNumber)) {
    setObjectName("TabSheet3");
    auto *page = new QVBoxLayout(this);
    PageControl2 = Named(new QTabWidget(this), "PageControl2");
    PageControl2->setDocumentMode(true); // the flat-button look of the page tabs
    PageControl2->addTab(BuildYearlyTab(), "Годовой журнал");
    PageControl2->addTab(BuildConsumptionTab(), "Журнал потребления");
    page->addWidget(PageControl2);
}

QWidget *JournalPage::BuildYearlyTab() {
    auto *tab = Named(new QWidget(PageControl2), "TabSheet7");
    auto *l = new QGridLayout(tab);
    GridJour = NewGrid(tab, "GridJour", 5, 13);
    SetGridHeadings(GridJour, meter::MonthTableHeader(), meter::MonthLabels());
    FitGridToContents(GridJour);
    ChartJour = new YearlyChart(tab);
    BitBtn3 = Named(new QPushButton("Прочитать", tab), "BitBtn3");
    BtnJournal = Named(new QPushButton("Экспорт", tab), "BtnJournal");
    BtnJournalSave = Named(new QPushButton("Сохранить…", tab), "BtnJournalSave");
    Gauge1 = Named(new QProgressBar(tab), "Gauge1");
    Gauge1->hide();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn3);
    buttons->addWidget(BtnJournal);
    buttons->addWidget(BtnJournalSave);
    buttons->addWidget(Gauge1, 1);
    l->addWidget(Named(new QLabel("Годовой журнал", tab), "Panel4"), 0, 0, 1, 2);
    l->addWidget(GridJour, 1, 0);
    l->addWidget(ChartJour, 1, 1);
    l->setColumnStretch(1, 1);
    l->addLayout(buttons, 2, 0, 1, 2);
    connect(BitBtn3, &QPushButton::clicked, this, &JournalPage::BitBtn3Click);
    connect(BtnJournal, &QPushButton::clicked, this, &JournalPage::BtnJournalClick);
    connect(BtnJournalSave, &QPushButton::clicked, this, [this] {
        ReportExportResult(SaveGridAs(this, *GridJour, meter::YearlyJournalTitle(factoryNumber())));
    });
    return tab;
}

QWidget *JournalPage::BuildConsumptionTab() {
    auto *tab = Named(new QWidget(PageControl2), "TabSheet8");
    auto *l = new QGridLayout(tab);
    ListView1 = Named(new QTreeWidget(tab), "ListView1");
    ListView1->setHeaderLabels(meter::ConsumptionColumns());
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true); // 79 items appended one by one
    BitBtn5 = Named(new QPushButton("Прочитать", tab), "BitBtn5");
    BtnDiary = Named(new QPushButton("Экспорт", tab), "BtnDiary");
    BtnDiarySave = Named(new QPushButton("Сохранить…", tab), "BtnDiarySave");
    Gauge2 = Named(new QProgressBar(tab), "Gauge2");
    Gauge2->hide();
    l->addWidget(ListView1, 0, 0, 1, 4);
    l->addWidget(BitBtn5, 1, 0);
    l->addWidget(BtnDiary, 1, 1);
    l->addWidget(BtnDiarySave, 1, 2);
    l->addWidget(Gauge2, 1, 3);
    l->setColumnStretch(3, 1);
    connect(BitBtn5, &QPushButton::clicked, this, &JournalPage::BitBtn5Click);
    connect(BtnDiary, &QPushButton::clicked, this, &JournalPage::BtnDiaryClick);
    connect(BtnDiarySave, &QPushButton::clicked, this, [this] {
        ReportExportResult(
            SaveListViewAs(this, *ListView1, meter::ConsumptionJournalTitle(factoryNumber())));
    });
    return tab;
}

void JournalPage::SetExportAvailable(bool available) {
    BtnJournal->setEnabled(available);
    BtnDiary->setEnabled(available);
}

// A press while the read is still under way is ignored: queuing the journal a second time
// would clear the view once and fill it twice over.
void JournalPage::BitBtn3Click() {
    if (line.Queued(kYearlyCode)) return;
    for (int r = 1; r <= meter::kYearlyRecordCount; ++r)
        for (int c = 1; c < GridJour->columnCount(); ++c)
            ShowCell(GridJour, r, c, QString());
    ChartJour->Clear();
    StartGauge(Gauge1, meter::kYearlyGaugeMaximum);
    line.Queue(meter::YearlyJournalRequests());
}

void JournalPage::BitBtn5Click() {
    if (line.Queued(kConsumptionCode)) return;
    ListView1->clear();
    StartGauge(Gauge2, meter::kConsumptionGaugeMaximum);
    line.Queue(meter::ConsumptionJournalRequests());
}

void JournalPage::BtnJournalClick() {
    ReportExportResult(ExportGrid(*GridJour, meter::YearlyJournalTitle(factoryNumber())));
}

void JournalPage::BtnDiaryClick() {
    ReportExportResult(ExportListView(*ListView1, meter::ConsumptionJournalTitle(factoryNumber())));
}

void JournalPage::ApplyJournalReply(const meter::DecodedReply &reply) {
    if (const auto *yearly = std::get_if<meter::YearlyRecord>(&reply)) ApplyYearly(*yearly);
    if (const auto *consumption = std::get_if<meter::ConsumptionRecord>(&reply))
        ApplyConsumption(*consumption);
}

void JournalPage::ApplyYearly(const meter::YearlyRecord &r) {
    if (r.update)
        for (int i = 0; i < r.update->cells.size(); ++i)
            ShowCell(GridJour, r.update->row, r.update->firstColumn + i, r.update->cells[i]);
    if (r.values) ChartJour->ShowMonth(r.values->month, r.values->counts);
    if (!r.protocolLine.isEmpty()) line.AddProtocolLine(r.protocolLine);
    if (r.gaugePosition) MoveGauge(Gauge1, *r.gaugePosition);
}

void JournalPage::ApplyConsumption(const meter::ConsumptionRecord &r) {
    if (r.item) {
        auto *item = new QTreeWidgetItem(*r.item);
        ListView1->addTopLevelItem(item);
    }
    if (r.gaugePosition) MoveGauge(Gauge2, *r.gaugePosition);
}

} // namespace ormix::ui
