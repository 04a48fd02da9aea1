#pragma once
// A table handed to a spreadsheet, and the block a sheet receives from it: a title row,
// then the table's rows exactly as shown, its header row and first column included. The
// module knows nothing of what the table holds.
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

namespace ormix::records {

struct ExportTable {
    QString title;
    QList<QStringList> rows; // cell texts, row 0 first; a short row reads as empty cells
    QLocale locale;          // the number rules of the texts (their decimal separator)

    int ColumnCount() const; // the widest row
};

// One cell of the sheet: a number when the text is one by the locale's rules (no group
// separators, finite), otherwise the text itself, the empty text included.
struct SheetCell {
    QString text;
    std::optional<double> number;
    int decimals = 0; // digits after the separator in the text, to show the number as it was
};
SheetCell MakeSheetCell(const QString &text, const QLocale &locale);

// Sheet row 1: the title, then empty texts; rows 2..R + 1: the table. C cells each.
QList<QList<SheetCell>> SheetBlock(const ExportTable &table);

} // namespace ormix::records
