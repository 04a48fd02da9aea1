#pragma once
// The page "Журнал" of firmware 6 and later (TabSheet3): in PageControl2 the yearly journal
// (TabSheet7: GridJour and its chart, read with BitBtn3, progress in Gauge1, exported with
// BtnJournal) and the consumption journal (TabSheet8: ListView1, BitBtn5, Gauge2, BtnDiary).
// Each page also saves its table to a file the operator chooses ("Сохранить…").
#include "meter/reply_decoders.h"
#include "ui/meter_line.h"

#include <QWidget>
#include <functional>

class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTreeWidget;

namespace ormix::ui {

class YearlyChart;

class JournalPage : public QWidget {
    Q_OBJECT
public:
    // `line` carries the journal's read requests to the meter; `factoryNumber` is the
    // number SpinEdit_Number shows, for the titles of the exports.
    JournalPage(MeterLine &line, std::function<qint64()> factoryNumber, QWidget *parent);

    // The export buttons work when the desktop has an application for workbooks.
    void SetExportAvailable(bool available);
    // A reply of the journal read (18, 19).
    void ApplyJournalReply(const meter::DecodedReply &reply);

    // The click handlers, as the buttons call them.
    void BitBtn3Click(); // read the yearly journal
    void BitBtn5Click(); // read the consumption journal
    void BtnJournalClick();
    void BtnDiaryClick();

private:
    QWidget *BuildYearlyTab();
    QWidget *BuildConsumptionTab();
    void ApplyYearly(const meter::YearlyRecord &r);
    void ApplyConsumption(const meter::ConsumptionRecord &r);

    MeterLine &line;
    std::function<qint64()> factoryNumber;
    QTabWidget *PageControl2{};
    QTableWidget *GridJour{};
    YearlyChart *ChartJour{};
    QTreeWidget *ListView1{};
    QPushButton *BitBtn3{}, *BitBtn5{}, *BtnJournal{}, *BtnDiary{};
    QPushButton *BtnJournalSave{}, *BtnDiarySave{};
    QProgressBar *Gauge1{}, *Gauge2{};
};

// A progress bar shown at 0 of `maximum`: it stays visible from its first read on.
void StartGauge(QProgressBar *gauge, int maximum);
// Progress `position`, held within the bar's range; set only when it changed.
void MoveGauge(QProgressBar *gauge, int position);
// The result text of an export or a save goes to the general error report.
void ReportExportResult(const QString &failure);

} // namespace ormix::ui
