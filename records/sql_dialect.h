#pragma once
// The production queries are written in SQL Server's dialect, the system's own. This is
// the one place that carries them to the other engines a workstation may use.
#include <QString>
#include <QStringView>

namespace ormix::records {

enum class SqlDialect { SqlServer, PostgreSql, Sqlite };

// `text` as `dialect` understands it: getdate(), DATEDIFF(DAY, a, b), NOT x IN,
// NOT x IS NULL and 0/1 written into the boolean columns. The texts carry no quoted
// literals, so words are replaced wherever they stand.
QString ToDialect(const QString &text, SqlDialect dialect);

// An INSERT that also yields the key the server gave the new row, as a one-row result
// (OUTPUT INSERTED on SQL Server, RETURNING elsewhere).
QString WithReturnedKey(const QString &insert, QStringView keyColumn, SqlDialect dialect);

// Columns the production schema declares boolean; SQL Server writes them as 0 and 1.
bool IsBooleanColumn(QStringView column);

} // namespace ormix::records
