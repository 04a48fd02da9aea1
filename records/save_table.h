#pragma once
// "Сохранить…": a table saved where the operator chose, whether or not a spreadsheet
// application is installed.
#include "records/export_table.h"

#include <QString>

namespace ormix::records {

// A name ending in ".csv" (any case) gets the CSV file of csv_writer.h, any other the
// workbook of xlsx_writer.h. Returns an empty text on success, otherwise the reason.
QString SaveTable(const ExportTable &table, const QString &path);

} // namespace ormix::records
