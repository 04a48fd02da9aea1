#pragma once
// The page "Журнал" of firmware 6 and later (TabSheet3): in PageControl2 the yearly journal
// (TabSheet7: GridJour, read with BitBtn3, progress in Gauge1, exported with BtnJournal)
// and the consumption journal (TabSheet8: ListView1, BitBtn5, Gauge2, BtnDiary).
#include "meter/reply_decoders.h"
#include "ui/meter_line.h"

#include <QWidget>

class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTreeWidget;

namespace ormix::ui {

class JournalPage : public QWidget {
    Q_OBJECT
public:
    // `line` carries the journal's read requests to the meter.
    JournalPage(MeterLine &line, QWidget *parent);

    // The export buttons work when the desktop has an application for workbooks.
    void SetExportAvailable(bool available);
    // A reply of the journal read (18, 19). The read is not started from this page yet,
    // so nothing of it is shown.
    void ApplyJournalReply(const meter::DecodedReply &reply);

private:
    QWidget *BuildYearlyTab();
    QWidget *BuildConsumptionTab();

    MeterLine &line;
    QTabWidget *PageControl2{};
    QTableWidget *GridJour{};
    QTreeWidget *ListView1{};
    QPushButton *BitBtn3{}, *BitBtn5{}, *BtnJournal{}, *BtnDiary{};
    QProgressBar *Gauge1{}, *Gauge2{};
};

} // namespace ormix::ui
