#include "records/save_table.h"

#include "records/csv_writer.h"
#include "records/xlsx_writer.h"

namespace ormix::records {

QString SaveTable(const ExportTable &table, const QString &path) {
    if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) return WriteCsv(table, path);
    return WriteXlsx(table, path);
}

} // namespace ormix::records
