#include "ui/table_export.h"

#include "platform/platform.h"
#include "records/save_table.h"
#include "records/xlsx_writer.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTreeWidget>

namespace ormix::ui {

namespace {
const QString kWorkbookFilter = QStringLiteral("Книга Excel (*.xlsx)");
const QString kCsvFilter = QStringLiteral("Текст CSV (*.csv)");

QString SaveTableAs(QWidget *parent, const records::ExportTable &table) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested =
        QDir(folder).filePath(records::ExportFolder::BaseNameFor(table.title) + ".xlsx");
    QString filter = kWorkbookFilter;
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранить"), suggested,
                                                kWorkbookFilter + ";;" + kCsvFilter, &filter);
    if (path.isEmpty()) return {};
    // A name typed without its extension gets the one of the chosen kind.
    const bool csv = filter == kCsvFilter;
    if (QFileInfo(path).suffix().isEmpty()) path += csv ? ".csv" : ".xlsx";
    return records::SaveTable(table, path);
}

records::ExportTable ListTable(const QTreeWidget &list, const QString &title) {
    QTableWidget grid;
    ListViewToGrid(list, grid);
    return GridTable(grid, title);
}
} // namespace

bool CanExport() {
    return platform::CurrentPlatform().HasApplicationFor(
        QString::fromLatin1(records::kXlsxMimeType));
}

records::ExportTable GridTable(const QTableWidget &grid, const QString &title) {
    records::ExportTable table;
    table.title = title;
    table.locale = QLocale();
    for (int r = 0; r < grid.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < grid.columnCount(); ++c) {
            const QTableWidgetItem *item = grid.item(r, c);
            row << (item ? item->text() : QString());
        }
        table.rows << row;
    }
    return table;
}

void ListViewToGrid(const QTreeWidget &list, QTableWidget &grid) {
    const int columns = list.columnCount();
    grid.clear();
    grid.setColumnCount(columns);
    grid.setRowCount(list.topLevelItemCount() + 1);
    const QTreeWidgetItem *header = list.headerItem();
    for (int c = 0; c < columns; ++c)
        grid.setItem(0, c, new QTableWidgetItem(header ? header->text(c) : QString()));
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list.topLevelItem(i);
        for (int c = 0; c < columns; ++c)
            grid.setItem(i + 1, c, new QTableWidgetItem(item->text(c)));
    }
}

QString ExportGrid(const QTableWidget &grid, const QString &title,
                   const records::ExportFolder &folder) {
    const auto written = folder.WriteWorkbook(GridTable(grid, title), QDateTime::currentDateTime());
    if (!written.ok()) return written.error;
    if (!platform::CurrentPlatform().OpenFile(written.path))
        return QStringLiteral("Книга %1 записана, но открыть её не удалось: не запускается "
                              "программа для файлов .xlsx")
            .arg(QDir::toNativeSeparators(written.path));
    return {};
}

QString ExportListView(const QTreeWidget &list, const QString &title,
                       const records::ExportFolder &folder) {
    QTableWidget grid;
    ListViewToGrid(list, grid);
    return ExportGrid(grid, title, folder);
}

QString SaveGridAs(QWidget *parent, const QTableWidget &grid, const QString &title) {
    return SaveTableAs(parent, GridTable(grid, title));
}

QString SaveListViewAs(QWidget *parent, const QTreeWidget &list, const QString &title) {
    return SaveTableAs(parent, ListTable(list, title));
}

} // namespace ormix::ui
