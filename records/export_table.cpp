#include "records/export_table.h"

#include <algorithm>
#include <cmath>

namespace ormix::records {

int ExportTable::ColumnCount() const {
    qsizetype widest = 0;
    for (const QStringList &row : rows)
        widest = std::max(widest, row.size());
    return int(widest);
}

SheetCell MakeSheetCell(const QString &text, const QLocale &locale) {
    SheetCell cell{text, std::nullopt, 0};
    QLocale rules = locale;
    // A number grouped into thousands is no reading the program shows; "1,000" in a point
    // locale stays the text it is.
    rules.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = rules.toDouble(text, &ok);
    if (!ok || !std::isfinite(value)) return cell; // "inf" and "nan" parse, but are no values
    cell.number = value;
    const QString trimmed = text.trimmed();
    const qsizetype separator = trimmed.indexOf(rules.decimalPoint());
    const bool exponent = trimmed.contains(QLatin1Char('e'), Qt::CaseInsensitive);
    if (separator >= 0 && !exponent) cell.decimals = int(trimmed.size() - separator - 1);
    return cell;
}

QList<QList<SheetCell>> SheetBlock(const ExportTable &table) {
    const int columns = std::max(table.ColumnCount(), 1); // the title needs its cell
    QList<QList<SheetCell>> block;
    block.reserve(table.rows.size() + 1);
    QList<SheetCell> titleRow(columns);
    if (columns > 0) titleRow[0].text = table.title;
    block.append(titleRow);
    for (const QStringList &row : table.rows) {
        QList<SheetCell> cells;
        cells.reserve(columns);
        for (int c = 0; c < columns; ++c)
            cells.append(MakeSheetCell(c < row.size() ? row[c] : QString(), table.locale));
        block.append(cells);
    }
    return block;
}

} // namespace ormix::records
