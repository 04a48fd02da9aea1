#include "records/sql_connection.h"

#include "records/records_log.h"
#include "records/sql_schema.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace ormix::records {
namespace {

// Without options of the user's own, a server that is away is given up after a few
// seconds instead of the driver's minutes, and a busy embedded file is waited for.
QString DefaultOptions(const QString &driver) {
    if (driver == u"QSQLITE") return QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");
    if (driver == u"QPSQL") return QStringLiteral("connect_timeout=5");
    if (driver == u"QODBC") return QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=5");
    return {};
}

SqlDialect DialectOf(const QSqlDatabase &db) {
    switch (db.driver()->dbmsType()) {
    case QSqlDriver::PostgreSQL:
        return SqlDialect::PostgreSql;
    case QSqlDriver::SQLite:
        return SqlDialect::Sqlite;
    default:
        return SqlDialect::SqlServer; // the system's own; ODBC sources are SQL Server
    }
}

} // namespace

ConnectionSettings ConnectionSettings::Read(QSettings &settings) {
    ConnectionSettings s;
    settings.beginGroup(QStringLiteral("Electrometer"));
    s.driver = settings.value(QStringLiteral("Driver"), s.driver).toString().trimmed().toUpper();
    s.database = settings.value(QStringLiteral("Database")).toString();
    s.host = settings.value(QStringLiteral("Host")).toString();
    s.port = settings.value(QStringLiteral("Port"), 0).toInt();
    s.user = settings.value(QStringLiteral("User")).toString();
    s.password = settings.value(QStringLiteral("Password")).toString();
    s.options = settings.value(QStringLiteral("Options")).toString();
    s.setClock = settings.value(QStringLiteral("SetClock"), true).toBool();
    settings.endGroup();
    if (s.driver.isEmpty()) s.driver = QStringLiteral("QSQLITE");
    return s;
}

ConnectionSettings ConnectionSettings::FromConfiguration() {
    QSettings settings(QStringLiteral("Veltaron"), QStringLiteral("Ormix"));
    return Read(settings);
}

QString DefaultEmbeddedDatabasePath() {
    return UserDataFolder() + QStringLiteral("/electrometer.sqlite");
}

ProductionConnection::ProductionConnection(ConnectionSettings settings, QString name)
    : settings_(std::move(settings)), name_(std::move(name)) {}

ProductionConnection::~ProductionConnection() {
    if (!QSqlDatabase::contains(name_)) return;
    QSqlDatabase::database(name_, false).close();
    QSqlDatabase::removeDatabase(name_);
}

QSqlDatabase ProductionConnection::Database() const {
    return QSqlDatabase::database(name_, false);
}

QString ProductionConnection::Describe() const {
    QString where = settings_.host;
    if (settings_.port > 0) where += u':' + QString::number(settings_.port);
    QString database = settings_.database;
    if (settings_.driver == u"QSQLITE" && database.isEmpty())
        database = DefaultEmbeddedDatabasePath();
    // An ODBC connection string may carry PWD=...; only its data source is named.
    if (settings_.driver == u"QODBC" && database.contains(u'=')) {
        static const QRegularExpression dsn(QStringLiteral("(?:^|;)\\s*DSN\\s*=\\s*([^;]*)"),
                                            QRegularExpression::CaseInsensitiveOption);
        const auto m = dsn.match(database);
        database = m.hasMatch() ? m.captured(1) : QStringLiteral("(ODBC)");
    }
    return QStringList{settings_.driver, where, database}
        .filter(QRegularExpression("."))
        .join(u' ');
}

bool ProductionConnection::Open(QString *error) {
    QSqlDatabase db = Database();
    if (db.isValid() && db.isOpen()) return true;
    if (!QSqlDatabase::isDriverAvailable(settings_.driver)) {
        *error = QStringLiteral("Драйвер БД %1 не установлен").arg(settings_.driver);
        return false;
    }
    if (!db.isValid()) db = QSqlDatabase::addDatabase(settings_.driver, name_);

    QString database = settings_.database;
    const bool embedded = settings_.driver == u"QSQLITE";
    if (embedded) {
        if (database.isEmpty()) database = DefaultEmbeddedDatabasePath();
        QDir().mkpath(QFileInfo(database).absolutePath());
    }
    db.setDatabaseName(database);
    db.setHostName(settings_.host);
    if (settings_.port > 0) db.setPort(settings_.port);
    db.setUserName(settings_.user);
    db.setPassword(settings_.password);
    db.setConnectOptions(settings_.options.isEmpty() ? DefaultOptions(settings_.driver)
                                                     : settings_.options);
    if (!db.open()) {
        *error = QStringLiteral("Нет связи с БД (%1): %2")
                     .arg(Describe(), db.lastError().text().trimmed());
        return false;
    }
    dialect_ = DialectOf(db);
    qCDebug(lcRecords) << "connected to" << Describe();

    if (embedded && db.tables().isEmpty() && !CreateSchema(*this, error)) {
        db.close();
        return false;
    }
    if (!EnsureKeyTable(error)) {
        db.close();
        return false;
    }
    return true;
}

// A database made before the workstations kept their own keys gets the table now; one
// that cannot take it (no right to create tables) is not used, so that operations wait
// in the file of unsent rows instead of being written without a way to recognise them.
bool ProductionConnection::EnsureKeyTable(QString *error) {
    QSqlDatabase db = Database();
    const QStringList tables = db.tables();
    if (tables.isEmpty()) return true; // an empty database waits for its schema (db init)
    for (const QString &t : tables)
        if (t.compare(u"operation_key", Qt::CaseInsensitive) == 0) return true;
    QSqlQuery q(db);
    if (q.exec(OperationKeyTableDdl())) return true;
    *error = QStringLiteral("В БД (%1) нет таблицы operation_key, и создать её не удалось: %2. "
                            "Её создаёт «ormix-cli db init».")
                 .arg(Describe(), q.lastError().text().trimmed());
    return false;
}

void ProductionConnection::Reset() {
    if (QSqlDatabase::contains(name_)) Database().close();
}

bool ProductionConnection::StillAnswers() {
    QSqlDatabase db = Database();
    if (!db.isValid() || !db.isOpen()) return false;
    db.rollback(); // an aborted transaction refuses every statement until it ends
    return Answers();
}

bool ProductionConnection::Answers() {
    QSqlDatabase db = Database();
    if (!db.isValid() || !db.isOpen()) return false;
    QSqlQuery probe(db);
    return probe.exec(QStringLiteral("SELECT 1")) && probe.next();
}

} // namespace ormix::records
