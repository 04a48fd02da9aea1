#pragma once
// The connection to the production database, configured in the settings group
// [Electrometer]. Opened on first use and kept open; one found lost is reopened on the
// next use. Qt SQL connections belong to the thread that opened them.
#include "records/sql_dialect.h"
#include "records/unsent_rows.h"

#include <QSqlDatabase>
#include <QString>

class QSettings;

namespace ormix::records {

struct ConnectionSettings {
    QString driver = QStringLiteral("QSQLITE"); // QSQLITE, QPSQL or QODBC
    // QSQLITE: the file (empty: the embedded default); QPSQL: the database name;
    // QODBC: a data source name or a whole connection string.
    QString database;
    QString host;
    int port = 0; // 0: the driver's default
    QString user;
    // Only from the user's own configuration file; usually empty, so that the driver's
    // own store answers (~/.pgpass, the ODBC data source).
    QString password;
    QString options; // the driver's connect options, "key=value;key=value"
    // SetClock=false: the PC's clock is left alone (it follows a time server of its own,
    // or it is a demonstration); server time is used wherever the PC's would be.
    bool setClock = true;

    // Driver, Database, Host, Port, User, Password, Options of the group [Electrometer].
    static ConnectionSettings Read(QSettings &settings);
    // QSettings("Veltaron", "Ormix").
    static ConnectionSettings FromConfiguration();
};

// The embedded database: electrometer.sqlite in the user's data folder
// (~/.local/share/Veltaron/Ormix on Linux).
QString DefaultEmbeddedDatabasePath();

class ProductionConnection {
public:
    // `name` tells the connections of one process apart (the program has one).
    explicit ProductionConnection(ConnectionSettings settings,
                                  QString name = QStringLiteral("electrometer"));
    ~ProductionConnection();
    ProductionConnection(const ProductionConnection &) = delete;
    ProductionConnection &operator=(const ProductionConnection &) = delete;

    // Opens the connection unless it is open. An embedded database that is still empty
    // gets the schema. The message never shows the password.
    bool Open(QString *error);
    // Closes it, so that the next Open connects anew (after a lost connection).
    void Reset();
    // Whether the server answers on this connection (a round trip).
    bool Answers();
    // After a failed statement: the transaction in progress rolled back, then Answers().
    bool StillAnswers();

    QSqlDatabase Database() const;
    SqlDialect Dialect() const { return dialect_; }
    const ConnectionSettings &Settings() const { return settings_; }
    // Where the connection goes, for messages: "QPSQL 127.0.0.1:5432 production".
    QString Describe() const;

private:
    bool EnsureKeyTable(QString *error);

    ConnectionSettings settings_;
    QString name_;
    SqlDialect dialect_ = SqlDialect::Sqlite;
};

} // namespace ormix::records
