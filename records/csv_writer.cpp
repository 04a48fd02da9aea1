#include "records/csv_writer.h"

#include "records/atomic_file.h"

namespace ormix::records {

namespace {
QString Field(const QString &text, QChar separator) {
    const bool quoted = text.contains(separator) || text.contains(QLatin1Char('"')) ||
                        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                        (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quoted) return text;
    QString inner = text;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}
} // namespace

QChar CsvSeparator(const QLocale &locale) {
    return locale.decimalPoint() == QStringLiteral(",") ? QLatin1Char(';') : QLatin1Char(',');
}

QByteArray CsvBytes(const ExportTable &table) {
    const QChar separator = CsvSeparator(table.locale);
    QString text;
    for (const QList<SheetCell> &row : SheetBlock(table)) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (c > 0) text += separator;
            text += Field(row[c].text, separator);
        }
        text += QStringLiteral("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

QString WriteCsv(const ExportTable &table, const QString &path) {
    return WriteFileAtomically(path, CsvBytes(table));
}

} // namespace ormix::records
