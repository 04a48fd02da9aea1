// The production log against a real PostgreSQL server doing what servers do: going away
// in the middle of a shift and coming back, and serving several workstations at once.
#include "../common/private_pg_server.h"
#include "records_test_util.h"
#include "sql_test_util.h"

#include <QDir>
#include <thread>

using namespace ormix::platform;

namespace {

using namespace ormix::records;
using namespace ormix::records::test;
using R = LogOutcome::Result;

constexpr int kType = 6;

MeterShown Meter(qint64 number) {
    MeterShown m;
    m.factoryNumber = number;
    m.meterTypeId = kType;
    m.versionText = "6.12";
    m.onTime = number; // tells each row's meter from its own values
    m.currentReadingText[0] = "1,5";
    m.driftText = "0,10";
    return m;
}

WriteChoices Now() {
    WriteChoices c;
    c.firmwareMajor = 6;
    c.writtenAt = QDateTime::currentDateTime();
    return c;
}

// Every settings row belongs to the operation of the meter whose values it holds.
void ExpectEachRowWithItsOwnOperation(ProductionConnection &c, int rows) {
    EXPECT_EQ(Scalar(c, "SELECT COUNT(*) FROM operation").toInt(), rows);
    EXPECT_EQ(Scalar(c, "SELECT COUNT(DISTINCT operation_id) FROM set_tariff_3").toInt(), rows);
    EXPECT_EQ(Scalar(c, "SELECT COUNT(*) FROM set_tariff_3 s "
                        "JOIN operation o ON o.operation_id = s.operation_id "
                        "JOIN electrometer e ON e.electro_id = o.electro_id "
                        "WHERE s.turn_on = e.number")
                  .toInt(),
              rows);
    EXPECT_EQ(Scalar(c, "SELECT COUNT(DISTINCT client_key) FROM operation_key").toInt(), rows);
}

TEST(ProductionServer, AnOperationKeptWhileTheServerWasDownArrivesOnceWhenItIsBack) {
    if (!QFileInfo::exists("/usr/lib/postgresql")) GTEST_SKIP() << "PostgreSQL not installed";
    LocaleScope locale(QLocale(QLocale::Russian, QLocale::Russia));
    FakePlatform platform;
    PrivateServer server;
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();

    ConnectionSettings s;
    s.driver = "QPSQL";
    s.host = "127.0.0.1";
    s.port = server.Port();
    s.user = "postgres";
    s.database = "postgres";
    ProductionConnection conn(s, "restarted");
    ASSERT_TRUE(conn.Open(&error)) << error.toStdString();
    ASSERT_TRUE(CreateSchema(conn, &error)) << error.toStdString();
    ASSERT_TRUE(DescribeWorkstation(conn, "WS-01", "ivanov", &error)) << error.toStdString();
    ASSERT_TRUE(DescribeMeters(conn, 1001, 1010, kType, &error)) << error.toStdString();

    QTemporaryDir files;
    UnsentRows unsent(files.filePath("unsent.jsonl"));
    ServerClock clock;
    ProductionLog log(conn, unsent, clock);
    ASSERT_EQ(log.Identify("WS-01", "ivanov").result, Identification::Result::Identified);
    ASSERT_EQ(log.LogProductionRecord(Meter(1001), Now()).result, R::Logged);

    server.Stop(); // between the clock sync of a write and its log entry
    const LogOutcome kept = log.LogProductionRecord(Meter(1002), Now());
    EXPECT_EQ(kept.result, R::Kept) << kept.text.toStdString();
    EXPECT_EQ(log.FixInDatabase(Meter(1003), QDateTime::currentDateTime()).result, R::Kept);
    EXPECT_EQ(log.Identify("WS-01", "ivanov").result, Identification::Result::EngineFailed);
    EXPECT_EQ(log.UnsentCount().waiting, 2);

    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    const Identification back = log.Identify("WS-01", "ivanov");
    ASSERT_EQ(back.result, Identification::Result::Identified) << back.text.toStdString();
    EXPECT_EQ(back.replay.sent, 2);
    EXPECT_EQ(log.UnsentCount().waiting, 0);
    ASSERT_EQ(log.LogProductionRecord(Meter(1004), Now()).result, R::Logged);
    EXPECT_EQ(log.Identify("WS-01", "ivanov").replay.sent, 0);

    // Oldest first: the kept ones got their keys before the write after them.
    QSqlQuery order(conn.Database());
    ASSERT_TRUE(order.exec("SELECT e.number FROM operation o JOIN electrometer e "
                           "ON e.electro_id = o.electro_id ORDER BY o.operation_id"));
    QList<int> numbers;
    while (order.next())
        numbers.append(order.value(0).toInt());
    EXPECT_EQ(numbers, QList<int>({1001, 1002, 1003, 1004}));
    ExpectEachRowWithItsOwnOperation(conn, 4);
}

TEST(ProductionServer, FourWorkstationsLogAtOnceEachRowToItsOwnOperation) {
    ORMIX_REQUIRE_ENGINE("QPSQL");
    LocaleScope locale(QLocale(QLocale::Russian, QLocale::Russia));
    FakePlatform platform;
    TestDatabase db("QPSQL");
    constexpr int kStations = 4, kEach = 200;
    QString error;
    ProductionConnection admin(db.Settings(), "admin");
    ASSERT_TRUE(admin.Open(&error)) << error.toStdString();
    ASSERT_TRUE(CreateSchema(admin, &error)) << error.toStdString();
    for (int t = 0; t < kStations; ++t)
        ASSERT_TRUE(
            DescribeWorkstation(admin, QString("WS-%1").arg(t), QString("op%1").arg(t), &error));
    ASSERT_TRUE(DescribeMeters(admin, 1, kStations * kEach, kType, &error));

    std::atomic<int> logged{0};
    QStringList failures;
    QMutex failuresMutex;
    std::vector<std::thread> stations;
    for (int t = 0; t < kStations; ++t) {
        stations.emplace_back([&, t] {
            ProductionConnection c(db.Settings(), QString("ws-%1").arg(t));
            UnsentRows unsent(db.Dir() + QString("/ws-%1.jsonl").arg(t));
            ServerClock clock;
            ProductionLog log(c, unsent, clock);
            const Identification id = log.Identify(QString("WS-%1").arg(t), QString("op%1").arg(t));
            for (int i = 0; i < kEach && id.result == Identification::Result::Identified; ++i) {
                const LogOutcome out = log.LogProductionRecord(Meter(1 + t * kEach + i), Now());
                if (out.result == R::Logged) {
                    ++logged;
                } else {
                    QMutexLocker lock(&failuresMutex);
                    failures.append(out.text);
                }
            }
            if (id.result != Identification::Result::Identified) {
                QMutexLocker lock(&failuresMutex);
                failures.append(id.text);
            }
        });
    }
    for (std::thread &s : stations)
        s.join();
    EXPECT_EQ(logged, kStations * kEach) << failures.join("\n").toStdString();
    ExpectEachRowWithItsOwnOperation(admin, kStations * kEach);
    // And each operation names the installation of the workstation that wrote it.
    EXPECT_EQ(Scalar(admin,
                     "SELECT COUNT(*) FROM operation o JOIN plant p ON p.plant_id = o.plant_id "
                     "JOIN computer c ON c.computer_id = p.computer_id "
                     "JOIN electrometer e ON e.electro_id = o.electro_id "
                     "WHERE c.name = 'WS-' || CAST((e.number - 1) / 200 AS varchar)")
                  .toInt(),
              kStations * kEach);
}

} // namespace
