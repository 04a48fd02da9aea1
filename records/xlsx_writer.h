#pragma once
// The sheet block of a table written as an .xlsx workbook with libxlsxwriter.
#include "records/export_table.h"

#include <QString>

namespace ormix::records {

// The media type desktops register workbook applications under.
inline constexpr char kXlsxMimeType[] =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

// Writes the block of `table` into the first sheet of a new workbook at `path`, from its
// first cell: numbers as numbers (shown with the decimals the text had), every other text
// as text. The workbook is assembled in a private temporary folder and then put in place
// whole, replacing a file of that name. Returns an empty text on success, otherwise the
// reason in the operator's words; `path` is then left as it was.
QString WriteXlsx(const ExportTable &table, const QString &path);

} // namespace ormix::records
