#include "ui/controls.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QPalette>
#include <QSpinBox>
#include <QStyle>
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

// Columns as wide as their usual texts ("26 сент.", readings up to 999999,99 kWh, the
// heading "наработка"), rows of one text line: every cell is seen at once, and the chart
// takes the rest of the width.
void FitGridToContents(QTableWidget *grid) {
    const QFontMetrics metrics(grid->font());
    const auto width = [&](const char *text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text)) + 10;
    };
    const int widths[] = {width("26 сент."), width("999999,99"), width("999999,99"),
                          width("999999,99"), width("наработка")};
    int total = 2 * grid->frameWidth() + grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int c = 0; c < grid->columnCount() && c < 5; ++c) {
        grid->setColumnWidth(c, widths[c]);
        total += widths[c];
    }
    const int row = metrics.height() + 6;
    for (int r = 0; r < grid->rowCount(); ++r)
        grid->setRowHeight(r, row);
    grid->setFixedWidth(total);
    grid->setMinimumHeight(row * grid->rowCount() + 2 * grid->frameWidth());
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
