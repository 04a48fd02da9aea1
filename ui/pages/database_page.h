#pragma once
// The page "База данных" (TabSheet5): the local log Setting.DBF, filtered by a date range
// and a factory number, opened with ActionOpen and closed with ActionClose or any change of
// the filter. A row logged while it is open shows at once.
#include "records/setting_table.h"

#include <QWidget>

class QAction;
class QDateEdit;
class QLabel;
class QSpinBox;
class QStatusBar;
class QTableView;

namespace ormix::records {
class LogBrowseModel;
}

namespace ormix::ui {

class DatabasePage : public QWidget {
    Q_OBJECT
public:
    // `open` and `close` are the window's actions "&Открыть" and "&Закрыть".
    DatabasePage(QString tablePath, QAction *open, QAction *close, QWidget *parent);

    void FinishStartup(); // both filter dates today
    // A row was added to the log: an open table shows it.
    void RowLogged();

signals:
    // The table opened: the page comes to the front.
    void frontRequested();

private:
    void ActionOpenExecute();
    void ActionCloseExecute();
    void ShowCount();
    records::LogFilter Filter() const;

    QString tablePath;
    QAction *ActionOpen, *ActionClose;
    records::LogBrowseModel *Table1{};
    QSpinBox *SpinFilter{};
    QDateEdit *DTP1{}, *DTP2{};
    QStatusBar *StatusBar2{};
    QLabel *StatusBar2Text{};
    QTableView *DBGrid1{};
};

} // namespace ormix::ui
