#pragma once
// The production database of a test: an embedded file, or a database of its own on the
// PostgreSQL server scripts/test starts (reached through QPSQL, or through unixODBC and
// its PostgreSQL driver), dropped at the end. Without that server the server cases skip,
// unless ORMIX_TEST_SERVERS_REQUIRED says they must run.
#include "platform/platform.h"
#include "records/production_log.h"
#include "records/sql_schema.h"
#include "records/sql_statement.h"

#include <QMutex>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>

using namespace ormix::records;
using ormix::meter::MeterShown;
using ormix::meter::WriteChoices;
using namespace ormix::platform;

namespace ormix::records::test {

inline QString Env(const char *name) {
    return qEnvironmentVariable(name);
}

inline bool ServerConfigured() {
    return !Env("ORMIX_TEST_PGPORT").isEmpty();
}

// Skips the test when the engine's server is not there (or fails it where it must be).
#define ORMIX_REQUIRE_ENGINE(driver)                                                               \
    do {                                                                                           \
        if (QString(driver) != u"QSQLITE" && !::ormix::records::test::ServerConfigured()) {        \
            if (!::ormix::records::test::Env("ORMIX_TEST_SERVERS_REQUIRED").isEmpty())             \
                FAIL() << "no PostgreSQL server for " << driver;                                   \
            GTEST_SKIP() << "no PostgreSQL server (scripts/test starts one)";                      \
        }                                                                                          \
    } while (0)

// Runs `sql` on the server's maintenance database `postgres` as the test user.
inline bool AdminExec(const QString &host, int port, const QString &sql, QString *error) {
    const QString name = QStringLiteral("admin-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(host);
        db.setPort(port);
        db.setUserName(Env("ORMIX_TEST_PGUSER"));
        db.setDatabaseName(QStringLiteral("postgres"));
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(sql);
            if (!ok) *error = q.lastError().text();
        } else {
            *error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// A fresh, empty database for one test on `driver`.
class TestDatabase {
public:
    explicit TestDatabase(const QString &driver, QString host = Env("ORMIX_TEST_PGHOST"),
                          int port = Env("ORMIX_TEST_PGPORT").toInt())
        : host_(std::move(host)), port_(port) {
        settings_.driver = driver;
        if (driver == u"QSQLITE") {
            settings_.database = dir_.filePath(QStringLiteral("electrometer.sqlite"));
            return;
        }
        name_ = QStringLiteral("ormix_%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(16));
        QString error;
        created_ = AdminExec(host_, port_, QStringLiteral("CREATE DATABASE %1").arg(name_), &error);
        EXPECT_TRUE(created_) << error.toStdString();
        if (driver == u"QPSQL") {
            settings_.host = host_;
            settings_.port = port_;
            settings_.user = Env("ORMIX_TEST_PGUSER");
            settings_.database = name_;
        } else {
            // The data source of scripts/test's odbc.ini, pointed at this database. Qt
            // passes a connection string on as it is only when it names SERVER= or DRIVER=.
            settings_.database = QStringLiteral("DSN=%1;SERVER=%2;Database=%3")
                                     .arg(Env("ORMIX_TEST_ODBC_DSN"), host_, name_);
        }
    }
    ~TestDatabase() {
        if (!created_) return;
        QString error;
        AdminExec(host_, port_, QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(name_), &error);
    }
    const ConnectionSettings &Settings() const { return settings_; }
    QString Dir() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString host_;
    int port_ = 0;
    QString name_;
    bool created_ = false;
    ConnectionSettings settings_;
};

// Opens `db` with its schema, the workstation "WS-01" of operator "ivanov" and the ten
// meters from `firstMeter` of model `type` described in it. Call it with
// ASSERT_NO_FATAL_FAILURE.
inline void OpenDescribed(TestDatabase &db, std::unique_ptr<ProductionConnection> &connection,
                          qint64 firstMeter, int type, DescribedWorkstation *described) {
    connection = std::make_unique<ProductionConnection>(db.Settings(), "test");
    QString error;
    ASSERT_TRUE(connection->Open(&error)) << error.toStdString();
    if (!connection->Database().tables().contains("electrometer")) {
        ASSERT_TRUE(CreateSchema(*connection, &error)) << error.toStdString();
    }
    const auto w = DescribeWorkstation(*connection, "WS-01", "ivanov", &error);
    ASSERT_TRUE(w) << error.toStdString();
    *described = *w;
    ASSERT_EQ(DescribeMeters(*connection, firstMeter, firstMeter + 9, type, &error), 10)
        << error.toStdString();
}

// Stands in for the operating system: records clock settings instead of making them.
class FakePlatform : public Platform {
public:
    FakePlatform() { SetPlatform(this); }
    ~FakePlatform() override { SetPlatform(nullptr); }
    // Workstations of one test may run on threads of their own.
    bool SetLocalClock(const QDateTime &moment) override {
        QMutexLocker lock(&mutex_);
        ++clockSets;
        lastClock = moment;
        return allowClock;
    }
    std::atomic<int> clockSets{0};
    QDateTime lastClock;
    std::atomic<bool> allowClock{true};

private:
    QMutex mutex_;
};

// What the page shows of a typical version 6 meter, in a comma locale.
inline MeterShown TypicalMeter(qint64 number = 1001) {
    MeterShown m;
    m.factoryNumber = number;
    m.meterTypeId = 6;
    m.versionText = "6.12";
    m.onTime = 7322;
    m.lastStatus = 5;
    m.correctionCount = 3;
    m.currentReadingText[0] = "1300,75";
    m.currentReadingText[1] = "21,00";
    m.currentReadingText[2] = "0,50";
    m.billingReadingText[0] = "1234,50";
    m.billingReadingText[1] = "20,00";
    m.billingReadingText[2] = "0,25";
    m.driftText = "-0,40";
    return m;
}

// A scalar of a query run directly, for checking what landed in the tables.
inline QVariant Scalar(ProductionConnection &c, const QString &sql) {
    QSqlQuery q(c.Database());
    if (!q.exec(sql) || !q.next()) {
        ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return {};
    }
    return q.value(0);
}

inline void Exec(ProductionConnection &c, const QString &sql) {
    QSqlQuery q(c.Database());
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
}

} // namespace ormix::records::test
