// The local log on the window: browsing it on the tab "База данных" and the "+" button.
#include "link/error_report.h"
#include "meter/write_sequence.h"
#include "records/log_browse_model.h"
#include "records/setting_log.h"
#include "ui/main.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>

using namespace ormix::link;
using namespace ormix::meter;
using namespace ormix::records;

namespace ormix::ui {

void TFormMain::BitBtn1Click() {
    if (SqlMode) return; // the production database proposes numbers there; not wired yet
    const auto next = SettingLog(LocalTablePath()).NextFactoryNumber();
    if (!next.ok()) {
        ReportApplicationError(next.error);
        return;
    }
    // The meter keeps 24 bits: a larger proposal would be cut in the frame and give this
    // meter the number of another.
    if (next.value < 0 || next.value > kFactoryNumberMax) {
        ReportApplicationError(QStringLiteral("Следующий заводской номер %1 больше наибольшего, "
                                              "который принимает счетчик (%2)")
                                   .arg(next.value)
                                   .arg(kFactoryNumberMax));
        return;
    }
    SpinEdit_Number->setValue(static_cast<int>(next.value));
    SetTag(SpinEdit_Number, 1); // a proposal to be written, as if typed
}

void TFormMain::ActionOpenExecute() {
    if (!Table1) {
        Table1 = new LogBrowseModel(this);
        DBGrid1->setModel(Table1);
    }
    LogFilter filter;
    filter.from = DTP1->date();
    filter.to = DTP2->date();
    filter.number = SpinFilter->value();
    QString error;
    if (!Table1->Open(LocalTablePath(), filter, &error)) {
        ReportApplicationError(error);
        return;
    }
    StatusBar2Text->setText(" Записей: " + QString::number(Table1->RecordCount()));
    ActionOpen->setEnabled(false);
    ActionClose->setEnabled(true);
    PageControl1->setCurrentWidget(TabSheet5);
}

void TFormMain::ActionCloseExecute() {
    if (Table1) Table1->Close();
    StatusBar2Text->clear();
    ActionOpen->setEnabled(true);
    ActionClose->setEnabled(false);
}

} // namespace ormix::ui
