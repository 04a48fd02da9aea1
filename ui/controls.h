#pragma once
// Small builders the pages share: every control gets the system's component name as its
// objectName, so tests and screenshots find it by that name.
#include <QString>
#include <QStringList>

class QAbstractSpinBox;
class QCheckBox;
class QLineEdit;
class QSpinBox;
class QTableWidget;
class QWidget;

namespace ormix::ui {

template <class W> W *Named(W *w, const char *name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QCheckBox *NewCheck(QWidget *parent, const char *name, const QString &caption);
QLineEdit *NewReadOnlyEdit(QWidget *parent, const char *name);
// A grid without header views: its row 0 and column 0 hold the headings as texts.
QTableWidget *NewGrid(QWidget *parent, const char *name, int columns, int rows);
// A journal grid sized to show every cell of its thirteen rows.
void FitGridToContents(QTableWidget *grid);
// Row 0 from column 0 on, then column 0 from row 1 on.
void SetGridHeadings(QTableWidget *grid, const QStringList &row0, const QStringList &col0 = {});
// A text shown anew only when it changed: the poll repeats most values cycle after cycle,
// and every new text repaints its control.
void ShowText(QLineEdit *edit, const QString &text);
// Likewise a value of a spin edit.
void ShowValue(QSpinBox *box, int value);
// Likewise a cell of a grid (created when the grid has none there yet).
void ShowCell(QTableWidget *grid, int row, int column, const QString &text);
// The text of a cell; empty text where the grid has no item.
QString CellText(const QTableWidget *grid, int row, int column);

// A control the operator may not change looks like its surroundings.
void SetEditable(QAbstractSpinBox *box, bool editable);

} // namespace ormix::ui
