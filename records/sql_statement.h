#pragma once
// One production query: its text carried to the engine's dialect, its named parameters
// bound with their types (a NULL keeps its type, which ODBC and PostgreSQL need), and
// the engine's message when it fails.
#include "records/sql_connection.h"

#include <QMetaType>
#include <QSqlQuery>
#include <QVariant>
#include <optional>

namespace ormix::records {

class SqlStatement {
public:
    SqlStatement(ProductionConnection &connection, const QString &text);

    SqlStatement &Bind(const char *name, const QVariant &value);
    template <typename T> SqlStatement &Bind(const char *name, const std::optional<T> &value) {
        return Bind(name, value ? QVariant::fromValue(*value) : QVariant(QMetaType::fromType<T>()));
    }

    // Prepares and runs it; on failure `error` gets the engine's message.
    bool Exec(QString *error);
    // The first column of the first row (NULL when there is no row or it is NULL); the
    // result is finished afterwards, as SQLite needs before a commit.
    QVariant Scalar();
    bool Next() { return query_.next(); }
    QVariant Value(int column) const { return query_.value(column); }
    QVariant Value(const QString &column) const { return query_.value(column); }
    const QString &Text() const { return text_; }

private:
    QString text_;
    QSqlQuery query_;
    QList<std::pair<QString, QVariant>> bound_;
};

} // namespace ormix::records
