#pragma once
// The sheet block of a table as a CSV file an office suite opens as it stands in the
// table's locale: UTF-8 with a byte-order mark (without one, spreadsheets on Windows read
// the file in the ANSI code page), ";" between fields where the decimal separator is a
// comma (the list separator of such locales) and "," otherwise, CRLF line ends, and a
// field quoted with '"' (inner quotes doubled) when it holds the separator, a quote, a line
// break or a blank at either end. Numbers are written as shown, with the locale's separator.
#include "records/export_table.h"

#include <QByteArray>
#include <QChar>
#include <QString>

namespace ormix::records {

QChar CsvSeparator(const QLocale &locale);
QByteArray CsvBytes(const ExportTable &table);

// Writes CsvBytes(table) to `path`; the result as WriteFileAtomically's.
QString WriteCsv(const ExportTable &table, const QString &path);

} // namespace ormix::records
