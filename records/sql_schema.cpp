#include "records/sql_schema.h"

#include "records/sql_statement.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace ormix::records {
namespace {

constexpr int kProgrammingInstallation = 3; // plant.type_id of a programming installation

// The statements of a script: each ends with a semicolon at the end of a line.
QStringList Statements(const QString &script) {
    QStringList out;
    QString current;
    for (const QString &line : script.split(u'\n')) {
        if (line.trimmed().startsWith(u"--")) continue;
        current += line + u'\n';
        if (line.trimmed().endsWith(u';')) {
            current = current.trimmed();
            current.chop(1);
            out.append(current);
            current.clear();
        }
    }
    return out;
}

using Params = QList<std::pair<const char *, QVariant>>;

// The first column of a query's first row as an integer; nullopt when there is none or
// the query failed (`failed` tells which).
std::optional<int> IdOf(ProductionConnection &c, const QString &text, const Params &params,
                        QString *error, bool *failed) {
    SqlStatement q(c, text);
    for (const auto &[name, value] : params)
        q.Bind(name, value);
    *failed = !q.Exec(error);
    if (*failed) return std::nullopt;
    const QVariant v = q.Scalar();
    if (!v.isValid() || v.isNull()) return std::nullopt;
    return v.toInt();
}

// The id `find` answers, or the key of the row `insert` adds.
std::optional<int> FindOrInsert(ProductionConnection &c, const QString &find, const QString &insert,
                                QStringView key, const Params &params, QString *error) {
    bool failed = false;
    if (auto id = IdOf(c, find, params, error, &failed); id || failed) return id;
    return IdOf(c, WithReturnedKey(insert, key, c.Dialect()), params, error, &failed);
}

} // namespace

QString SchemaScript(SqlDialect dialect) {
    const char *name = dialect == SqlDialect::PostgreSql ? ":/records/schema/postgresql.sql"
                       : dialect == SqlDialect::Sqlite   ? ":/records/schema/sqlite.sql"
                                                         : ":/records/schema/sqlserver.sql";
    QFile file(QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QString OperationKeyTableDdl() {
    return QStringLiteral("CREATE TABLE operation_key (\n"
                          "    client_key char(36) NOT NULL PRIMARY KEY,\n"
                          "    operation_id integer NOT NULL\n"
                          ")");
}

bool CreateSchema(ProductionConnection &connection, QString *error) {
    QSqlDatabase db = connection.Database();
    if (!db.tables().isEmpty()) {
        *error = QStringLiteral("В БД (%1) уже есть таблицы; схема создаётся только в пустой БД")
                     .arg(connection.Describe());
        return false;
    }
    const QStringList statements = Statements(SchemaScript(connection.Dialect()));
    if (statements.isEmpty()) {
        *error = QStringLiteral("Нет сценария схемы БД для %1").arg(connection.Describe());
        return false;
    }
    // PostgreSQL and SQLite take tables inside a transaction, so a failure leaves none.
    const bool transactional = connection.Dialect() != SqlDialect::SqlServer && db.transaction();
    for (const QString &statement : statements) {
        QSqlQuery q(db);
        if (!q.exec(statement)) {
            *error = QStringLiteral("Схема БД не создана: %1\n%2")
                         .arg(q.lastError().text().trimmed(), statement.section(u'\n', 0, 0));
            if (transactional) db.rollback();
            return false;
        }
    }
    if (transactional && !db.commit()) {
        *error = QStringLiteral("Схема БД не создана: %1").arg(db.lastError().text().trimmed());
        return false;
    }
    return true;
}

std::optional<DescribedWorkstation> DescribeWorkstation(ProductionConnection &c,
                                                        const QString &computerName,
                                                        const QString &login, QString *error) {
    if (!c.Open(error)) return std::nullopt;
    const QString name = computerName.left(16);
    QSqlDatabase db = c.Database();
    if (!db.transaction()) {
        *error = db.lastError().text().trimmed();
        return std::nullopt;
    }
    auto fail = [&]() -> std::optional<DescribedWorkstation> {
        db.rollback();
        return std::nullopt;
    };
    DescribedWorkstation w;
    const auto computer = FindOrInsert(c, "SELECT computer_id FROM computer WHERE name = :name",
                                       "INSERT INTO computer(name) VALUES(:name)", u"computer_id",
                                       {{"name", name}}, error);
    if (!computer) return fail();
    w.computerId = *computer;

    SqlStatement activate(c, "UPDATE operator SET operating = 1 WHERE login = :login");
    if (!activate.Bind("login", login).Exec(error)) return fail();
    const auto person = FindOrInsert(c, "SELECT MIN(person_id) FROM operator WHERE login = :login",
                                     "INSERT INTO operator(login,operating) VALUES(:login,1)",
                                     u"person_id", {{"login", login}}, error);
    if (!person) return fail();
    w.personId = *person;

    const auto plant = FindOrInsert(
        c,
        "SELECT MIN(plant_id) FROM plant WHERE type_id = :type_id AND computer_id = :computer_id",
        "INSERT INTO plant(type_id,computer_id) VALUES(:type_id,:computer_id)", u"plant_id",
        {{"type_id", kProgrammingInstallation}, {"computer_id", w.computerId}}, error);
    if (!plant) return fail();
    w.plantId = *plant;
    if (!db.commit()) {
        *error = db.lastError().text().trimmed();
        return fail();
    }
    return w;
}

std::optional<qint64> DescribeMeters(ProductionConnection &c, qint64 from, qint64 to, int typeId,
                                     QString *error) {
    if (!c.Open(error)) return std::nullopt;
    if (to < from) return 0;
    QSqlDatabase db = c.Database();
    if (!db.transaction()) {
        *error = db.lastError().text().trimmed();
        return std::nullopt;
    }
    SqlStatement existing(c, "SELECT number FROM electrometer WHERE type_id = :type_id "
                             "AND number >= :first AND number <= :last");
    if (!existing.Bind("type_id", typeId).Bind("first", from).Bind("last", to).Exec(error)) {
        db.rollback();
        return std::nullopt;
    }
    QSet<qint64> described;
    while (existing.Next())
        described.insert(existing.Value(0).toLongLong());

    QSqlQuery insert(db);
    insert.prepare(
        QStringLiteral("INSERT INTO electrometer(number,type_id) VALUES(:number,:type_id)"));
    qint64 added = 0;
    for (qint64 n = from; n <= to; ++n) {
        if (described.contains(n)) continue;
        insert.bindValue(QStringLiteral(":number"), n);
        insert.bindValue(QStringLiteral(":type_id"), typeId);
        if (!insert.exec()) {
            *error = insert.lastError().text().trimmed();
            db.rollback();
            return std::nullopt;
        }
        ++added;
    }
    if (!db.commit()) {
        *error = db.lastError().text().trimmed();
        db.rollback();
        return std::nullopt;
    }
    return added;
}

} // namespace ormix::records
