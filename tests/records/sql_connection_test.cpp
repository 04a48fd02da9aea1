// The connection's configuration: the [Electrometer] group, the embedded default in the
// user's data folder, and messages that never show a password.
#include "sql_test_util.h"

#include <QSettings>
#include <QStandardPaths>

using namespace ormix::platform;

namespace {

using namespace ormix::records;

TEST(SqlConnection, ReadsTheElectrometerGroup) {
    QTemporaryDir dir;
    QSettings ini(dir.filePath("Ormix.conf"), QSettings::IniFormat);
    ini.setValue("Port", 3); // the meter port of [General], not the server's
    ini.beginGroup("Electrometer");
    ini.setValue("Driver", "qpsql");
    ini.setValue("Host", "db.plant.local");
    ini.setValue("Port", 5433);
    ini.setValue("Database", "electrometer");
    ini.setValue("User", "line3");
    ini.setValue("Options", "connect_timeout=2");
    ini.endGroup();
    const ConnectionSettings s = ConnectionSettings::Read(ini);
    EXPECT_EQ(s.driver, "QPSQL");
    EXPECT_EQ(s.host, "db.plant.local");
    EXPECT_EQ(s.port, 5433);
    EXPECT_EQ(s.database, "electrometer");
    EXPECT_EQ(s.user, "line3");
    EXPECT_TRUE(s.password.isEmpty());
    EXPECT_EQ(s.options, "connect_timeout=2");

    QSettings empty(dir.filePath("Empty.conf"), QSettings::IniFormat);
    EXPECT_EQ(ConnectionSettings::Read(empty).driver, "QSQLITE");
}

TEST(SqlConnection, TheEmbeddedDefaultIsMadeWithItsSchemaInTheUsersDataFolder) {
    QTemporaryDir home;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    {
        ProductionConnection c(ConnectionSettings{}, "embedded");
        QString error;
        ASSERT_TRUE(c.Open(&error)) << error.toStdString();
        EXPECT_EQ(DefaultEmbeddedDatabasePath(),
                  home.path() + "/Veltaron/Ormix/electrometer.sqlite");
        EXPECT_TRUE(QFileInfo::exists(DefaultEmbeddedDatabasePath()));
        for (const char *table : {"electrometer", "computer", "operator", "plant", "operation",
                                  "set_tariff_3", "spoilage", "operation_key"})
            EXPECT_TRUE(c.Database().tables().contains(table)) << table;
        EXPECT_EQ(DefaultUnsentOperationsPath(),
                  home.path() + "/Veltaron/Ormix/unsent-operations.jsonl");
    }
    qputenv("XDG_DATA_HOME", saved);
}

TEST(SqlConnection, AFailedConnectionNamesTheServerButNeverThePassword) {
    ConnectionSettings s;
    s.driver = "QPSQL";
    s.host = "127.0.0.1";
    s.port = 1; // nothing listens there
    s.user = "line3";
    s.password = "Secret-42";
    s.database = "electrometer";
    ProductionConnection pg(s, "refused");
    QString error;
    EXPECT_FALSE(pg.Open(&error));
    EXPECT_TRUE(error.startsWith("Нет связи с БД (QPSQL 127.0.0.1:1 electrometer)"))
        << error.toStdString();
    EXPECT_FALSE(error.contains("Secret-42")) << error.toStdString();

    s.driver = "QODBC";
    s.database = "DRIVER={No Such Driver};SERVER=x;UID=line3;PWD=Secret-42";
    ProductionConnection odbc(s, "odbc");
    EXPECT_FALSE(odbc.Describe().contains("Secret-42")) << odbc.Describe().toStdString();
    error.clear();
    EXPECT_FALSE(odbc.Open(&error));
    EXPECT_FALSE(error.contains("Secret-42")) << error.toStdString();
}

} // namespace
