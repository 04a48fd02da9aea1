#include "records/sql_statement.h"

#include "records/records_log.h"

#include <QSqlError>

namespace ormix::records {

SqlStatement::SqlStatement(ProductionConnection &connection, const QString &text)
    : text_(ToDialect(text, connection.Dialect())), query_(connection.Database()) {
    query_.setForwardOnly(true);
}

SqlStatement &SqlStatement::Bind(const char *name, const QVariant &value) {
    bound_.append({u':' + QString::fromLatin1(name), value});
    return *this;
}

bool SqlStatement::Exec(QString *error) {
    if (!query_.prepare(text_)) {
        *error = query_.lastError().text().trimmed();
        return false;
    }
    for (const auto &[name, value] : bound_)
        query_.bindValue(name, value);
    if (!query_.exec()) {
        *error = query_.lastError().text().trimmed();
        qCDebug(lcRecords) << "failed:" << text_ << *error;
        return false;
    }
    return true;
}

QVariant SqlStatement::Scalar() {
    const QVariant v = query_.isSelect() && query_.next() ? query_.value(0) : QVariant();
    query_.finish();
    return v;
}

} // namespace ormix::records
