#pragma once
// The spreadsheet export of the journal pages: a grid or a report list taken exactly as
// shown (header row and first column included) under a title row. Knows nothing of
// meters: the pages give the widget and the title.
//
//   Start-up:   BtnJournal->setEnabled(CanExport()); BtnDiary->setEnabled(CanExport());
//   BtnJournal: ExportGrid(*GridJour, YearlyJournalTitle(factory number))
//   BtnDiary:   ExportListView(*ListView1, ConsumptionJournalTitle(factory number))
//   "Сохранить…": SaveGridAs(page, *GridJour, title) / SaveListViewAs(page, *ListView1, title)
//
// Each returns an empty text on success, otherwise the reason for the general error
// report (ReportApplicationError of link/error_report.h).
#include "records/export_folder.h"
#include "records/export_table.h"

#include <QString>

class QTableWidget;
class QTreeWidget;
class QWidget;

namespace ormix::ui {

// True when the desktop has an application for .xlsx workbooks. Asked once, at start-up.
bool CanExport();

// The grid's texts, every row and column, under `title`, in the current default locale.
records::ExportTable GridTable(const QTableWidget &grid, const QString &title);

// Copies a report list into `grid`: item count + 1 rows, one column per list column; row 0
// the column captions, row i + 1 item i (its caption, then its sub-items; empty text where
// it has none).
void ListViewToGrid(const QTreeWidget &list, QTableWidget &grid);

// Writes the grid as a new read-only workbook into `folder` and opens it with the
// desktop's default application. Stale workbooks of earlier exports go first.
QString ExportGrid(const QTableWidget &grid, const QString &title,
                   const records::ExportFolder &folder = records::ExportFolder());
// The same for a report list, through a grid of its own that ListViewToGrid fills.
QString ExportListView(const QTreeWidget &list, const QString &title,
                       const records::ExportFolder &folder = records::ExportFolder());

// Asks where to save (a workbook, or a CSV file for a name ending in .csv) and saves
// there. Nothing happens, and nothing is reported, when the operator cancels.
QString SaveGridAs(QWidget *parent, const QTableWidget &grid, const QString &title);
QString SaveListViewAs(QWidget *parent, const QTreeWidget &list, const QString &title);

} // namespace ormix::ui
