#include "ui/pages/database_page.h"

#include "link/error_report.h"
#include "records/log_browse_model.h"
#include "ui/controls.h"

#include <QAction>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace ormix::ui {

DatabasePage::DatabasePage(QString tablePath, QAction *open, QAction *close, QWidget *parent)
    : QWidget(parent), tablePath(std::move(tablePath)), ActionOpen(open), ActionClose(close) {
    setObjectName("TabSheet5");
    auto *l = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    SpinFilter = Named(new QSpinBox(this), "SpinFilter");
    SpinFilter->setRange(0, 16777215);
    DTP1 = Named(new QDateEdit(this), "DTP1");
    DTP2 = Named(new QDateEdit(this), "DTP2");
    DTP1->setCalendarPopup(true);
    DTP2->setCalendarPopup(true);
    top->addWidget(new QLabel("Номер:", this));
    top->addWidget(SpinFilter);
    top->addWidget(new QLabel("c", this));
    top->addWidget(DTP1);
    top->addWidget(new QLabel("по", this));
    top->addWidget(DTP2);
    top->addStretch(1);
    l->addLayout(top);
    StatusBar2 = Named(new QStatusBar(this), "StatusBar2");
    StatusBar2->setSizeGripEnabled(false);
    StatusBar2Text = Named(new QLabel(StatusBar2), "StatusBar2Text");
    StatusBar2->addWidget(StatusBar2Text, 1);
    l->addWidget(StatusBar2);
    DBGrid1 = Named(new QTableView(this), "DBGrid1");
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table1 = new records::LogBrowseModel(this);
    Table1->setObjectName("Table1");
    DBGrid1->setModel(Table1);
    l->addWidget(DBGrid1, 1);

    connect(ActionOpen, &QAction::triggered, this, &DatabasePage::ActionOpenExecute);
    connect(ActionClose, &QAction::triggered, this, &DatabasePage::ActionCloseExecute);
    connect(SpinFilter, &QSpinBox::valueChanged, this, &DatabasePage::ActionCloseExecute);
    connect(DTP1, &QDateEdit::dateChanged, this, &DatabasePage::ActionCloseExecute);
    connect(DTP2, &QDateEdit::dateChanged, this, &DatabasePage::ActionCloseExecute);
}

void DatabasePage::FinishStartup() {
    DTP1->setDate(QDate::currentDate());
    DTP2->setDate(QDate::currentDate());
}

records::LogFilter DatabasePage::Filter() const {
    records::LogFilter filter;
    filter.from = DTP1->date();
    filter.to = DTP2->date();
    filter.number = SpinFilter->value();
    return filter;
}

void DatabasePage::ShowCount() {
    StatusBar2Text->setText(" Записей: " + QString::number(Table1->RecordCount()));
}

void DatabasePage::ActionOpenExecute() {
    QString error;
    if (!Table1->Open(tablePath, Filter(), &error)) {
        link::ReportApplicationError(error);
        return;
    }
    ShowCount();
    ActionOpen->setEnabled(false);
    ActionClose->setEnabled(true);
    emit frontRequested();
}

void DatabasePage::ActionCloseExecute() {
    Table1->Close();
    StatusBar2Text->clear();
    ActionOpen->setEnabled(true);
    ActionClose->setEnabled(false);
}

void DatabasePage::RowLogged() {
    if (!Table1->IsOpen()) return;
    QString error;
    // The filter controls are unchanged while the table is open: any change closes it.
    if (!Table1->Open(tablePath, Filter(), &error)) {
        link::ReportApplicationError(error);
        ActionCloseExecute();
        return;
    }
    ShowCount();
}

} // namespace ormix::ui
