#include "ui/controls.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPalette>
#include <QSpinBox>
#include <QTableWidget>

namespace ormix::ui {

QCheckBox *NewCheck(QWidget *parent, const char *name, const QString &caption) {
    return Named(new QCheckBox(caption, parent), name);
}

QLineEdit *NewReadOnlyEdit(QWidget *parent, const char *name) {
    auto *e = Named(new QLineEdit(parent), name);
    e->setReadOnly(true);
    return e;
}

QTableWidget *NewGrid(QWidget *parent, const char *name, int columns, int rows) {
    auto *g = Named(new QTableWidget(rows, columns, parent), name);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return g;
}

void SetGridHeadings(QTableWidget *g, const QStringList &row0, const QStringList &col0) {
    for (int c = 0; c < row0.size() && c < g->columnCount(); ++c)
        g->setItem(0, c, new QTableWidgetItem(row0[c]));
    for (int r = 0; r < col0.size() && r + 1 < g->rowCount(); ++r)
        g->setItem(r + 1, 0, new QTableWidgetItem(col0[r]));
}

void ShowText(QLineEdit *edit, const QString &text) {
    if (edit->text() != text) edit->setText(text);
}

void ShowValue(QSpinBox *box, int value) {
    if (box->value() != value) box->setValue(value);
}

void ShowCell(QTableWidget *grid, int row, int column, const QString &text) {
    if (auto *item = grid->item(row, column)) {
        if (item->text() != text) item->setText(text);
    } else {
        grid->setItem(row, column, new QTableWidgetItem(text));
    }
}

QString CellText(const QTableWidget *grid, int row, int column) {
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

void SetEditable(QAbstractSpinBox *w, bool editable) {
    w->setReadOnly(!editable);
    QPalette p = w->palette();
    const QPalette parent = w->parentWidget() ? w->parentWidget()->palette() : QPalette();
    p.setColor(QPalette::Base,
               editable ? QPalette().color(QPalette::Base) : parent.color(QPalette::Window));
    w->setPalette(p);
}

} // namespace ormix::ui
