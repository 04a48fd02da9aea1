// db-bench: the time of the identification and of one LogProductionRecord (its checks,
// the operation, its settings row and the commit) on an almost empty production database
// and on one with 100,000 meters and 1,000,000 operations, for QSQLITE and QPSQL.
//
//   db-bench [--driver QSQLITE|QPSQL|all] [--host H --port P --user U] [--runs N]
//            [--meters N] [--operations N]
//
// QPSQL without --port starts a PostgreSQL server of its own on the loopback address
// (scripts/pg-server, default settings: every commit flushed to the disk). The machine's
// clock is never set: the platform's clock call is replaced.
#include "platform/platform.h"
#include "records/production_log.h"
#include "records/sql_schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace ormix::platform;

using namespace ormix::records;
using ormix::meter::MeterShown;
using ormix::meter::WriteChoices;

namespace {

class NoClock : public Platform {
public:
    bool SetLocalClock(const QDateTime &) override { return false; }
};

struct Options {
    QStringList drivers{"QSQLITE", "QPSQL"};
    QString host = "127.0.0.1", user = "postgres";
    int port = 0;
    int runs = 300;
    qint64 meters = 100000, operations = 1000000;
};

[[noreturn]] void Die(const QString &what) {
    std::fprintf(stderr, "db-bench: %s\n", qPrintable(what));
    std::exit(1);
}

void Run(ProductionConnection &c, const QString &sql) {
    QSqlQuery q(c.Database());
    if (!q.exec(sql)) Die(q.lastError().text() + "\n" + sql);
}

// The big tables, made by the server itself: meters 1..meters, operations on the first
// nine tenths of them (the rest stay free for "+" and for the measured writes), each
// with a settings row, and a repaired defect on every hundredth meter.
void Fill(ProductionConnection &c, const Options &o, int plant, int person) {
    const bool pg = c.Dialect() == SqlDialect::PostgreSql;
    // INSERT ... SELECT ... FROM the numbers 1..n (as x).
    auto fromSeries = [&](qint64 n, const QString &insert, const QString &select) {
        const QString count = QString::number(n);
        if (pg) return insert + " " + select + " FROM generate_series(1," + count + ") AS g(x)";
        return "WITH RECURSIVE g(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM g WHERE x < " + count +
               ") " + insert + " " + select + " FROM g";
    };
    const QString programmed = QString::number(o.meters * 9 / 10);
    const QString minutesAgo =
        pg ? "LOCALTIMESTAMP - x * interval '1 minute'"
           : "strftime('%Y-%m-%dT%H:%M:%f','now','localtime','-' || x || ' minutes')";
    const QString yes = pg ? "true" : "1", no = pg ? "false" : "0";
    Run(c, fromSeries(o.meters, "INSERT INTO electrometer(number,type_id)", "SELECT x, 6"));
    Run(c, fromSeries(o.operations,
                      "INSERT INTO operation(type_id,electro_id,plant_id,person_id,success,"
                      "date_operation)",
                      "SELECT 3, 1 + x % " + programmed + ", " + QString::number(plant) + ", " +
                          QString::number(person) + ", " + yes + ", " + minutesAgo));
    Run(c, "INSERT INTO set_tariff_3(operation_id,version,turn_on,status,reset,date_time,"
           "t_1_c,t_2_c,t_3_c,ncorrect,indicator,secperday) SELECT operation_id, '6.12', "
           "operation_id, 0, " +
               no + ", date_operation, 1.5, 2.5, 3.5, 1, 5, 0.1 FROM operation");
    Run(c, "INSERT INTO spoilage(type_id,electro_id,code,date_repair) SELECT 1, electro_id, '7', "
           "date_operation FROM operation WHERE operation_id % 100 = 0");
    Run(c, "ANALYZE");
}

struct Figures {
    double identifyMs = 0, logMs = 0, plusMs = 0, deltaMs = 0;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Times the calls on meters `firstFree`.. (each written once, its number given now, so
// every check runs).
Figures Measure(ProductionLog &log, qint64 firstFree, int runs) {
    std::vector<double> identify, write, plus, delta;
    QElapsedTimer t;
    const int warmUp = 5;
    for (int i = 0; i < runs + warmUp; ++i) {
        t.start();
        const Identification id = log.Identify("BENCH", "bench");
        const double idMs = t.nsecsElapsed() / 1e6;
        if (id.result != Identification::Result::Identified) Die(id.text);

        MeterShown m;
        m.factoryNumber = firstFree + i;
        m.numberFieldEnabled = true;
        m.versionText = "6.12";
        m.onTime = 7322;
        m.currentReadingText[0] = "1300.75";
        m.billingReadingText[0] = "1234.50";
        m.driftText = "0.20";
        WriteChoices c;
        c.firmwareMajor = 6;
        c.checkTime = true;
        c.date = QDate::currentDate();
        c.time = QTime::currentTime();
        c.writtenAt = QDateTime::currentDateTime();
        t.start();
        const LogOutcome out = log.LogProductionRecord(m, c);
        const double logMs = t.nsecsElapsed() / 1e6;
        if (out.result != LogOutcome::Result::Logged) Die(out.text);

        t.start();
        log.NextFactoryNumber(6);
        const double plusMs = t.nsecsElapsed() / 1e6;
        t.start();
        log.QueryDelta(firstFree + i, 6);
        const double deltaMs = t.nsecsElapsed() / 1e6;
        if (i < warmUp) continue;
        identify.push_back(idMs);
        write.push_back(logMs);
        plus.push_back(plusMs);
        delta.push_back(deltaMs);
    }
    return {Median(identify), Median(write), Median(plus), Median(delta)};
}

Figures Bench(const ConnectionSettings &settings, const Options &o, bool big, const QString &dir) {
    ProductionConnection c(settings, big ? "big" : "empty");
    QString error;
    if (!c.Open(&error)) Die(error);
    if (!c.Database().tables().contains("electrometer") && !CreateSchema(c, &error)) Die(error);
    const auto w = DescribeWorkstation(c, "BENCH", "bench", &error);
    if (!w) Die(error);
    qint64 firstFree = 1;
    if (big) {
        QElapsedTimer t;
        t.start();
        std::fprintf(stderr, "db-bench: %s: filling %lld meters, %lld operations...\n",
                     qPrintable(settings.driver), o.meters, o.operations);
        Fill(c, o, w->plantId, w->personId);
        std::fprintf(stderr, "db-bench: %s: filled in %.0f s\n", qPrintable(settings.driver),
                     t.elapsed() / 1000.0);
        firstFree = o.meters * 9 / 10 + 1;
    } else if (!DescribeMeters(c, 1, o.runs + 10, 6, &error)) {
        Die(error);
    }
    UnsentRows unsent(dir + (big ? "/big.jsonl" : "/empty.jsonl"));
    ServerClock clock;
    ProductionLog log(c, unsent, clock);
    return Measure(log, firstFree, o.runs);
}

// A database of its own on the server, dropped afterwards.
class ServerDatabase {
public:
    ServerDatabase(const Options &o, const QString &name) : o_(o), name_(name) {
        Admin("CREATE DATABASE " + name_);
    }
    ~ServerDatabase() { Admin("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)"); }
    ConnectionSettings Settings() const {
        ConnectionSettings s;
        s.driver = "QPSQL";
        s.host = o_.host;
        s.port = o_.port;
        s.user = o_.user;
        s.database = name_;
        return s;
    }

private:
    void Admin(const QString &sql) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "bench-admin");
            db.setHostName(o_.host);
            db.setPort(o_.port);
            db.setUserName(o_.user);
            db.setDatabaseName("postgres");
            if (!db.open()) Die(db.lastError().text());
            QSqlQuery q(db);
            if (!q.exec(sql)) Die(q.lastError().text());
        }
        QSqlDatabase::removeDatabase("bench-admin");
    }
    Options o_;
    QString name_;
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    Options o;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == "--driver") {
            o.drivers =
                next == "all" ? QStringList{"QSQLITE", "QPSQL"} : QStringList{next.toUpper()};
        } else if (a == "--host") {
            o.host = next;
        } else if (a == "--port") {
            o.port = next.toInt();
        } else if (a == "--user") {
            o.user = next;
        } else if (a == "--runs") {
            o.runs = qMax(1, next.toInt());
        } else if (a == "--meters") {
            o.meters = qMax<qint64>(10, next.toLongLong());
        } else if (a == "--operations") {
            o.operations = qMax<qint64>(1, next.toLongLong());
        } else {
            Die("unknown argument " + a);
        }
        ++i;
    }
    NoClock noClock;
    SetPlatform(&noClock);
    QTemporaryDir dir;

    std::printf("%-8s %-30s %10s %10s %10s %10s\n", "driver", "database", "identify", "log",
                "\"+\"", "QueryDelta");
    for (const QString &driver : o.drivers) {
        QTemporaryDir serverDir;
        const bool ownServer = driver == "QPSQL" && o.port == 0;
        if (ownServer) {
            QProcess p;
            p.start(ORMIX_SOURCE_DIR "/scripts/pg-server", {"start", serverDir.path()});
            if (!p.waitForFinished(120000) || p.exitCode() != 0)
                Die("no PostgreSQL server: " + QString::fromLocal8Bit(p.readAllStandardError()));
            o.port = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toInt();
        }
        Figures f[2];
        for (int big = 0; big < 2; ++big) {
            if (driver == "QSQLITE") {
                ConnectionSettings s;
                s.database = dir.filePath(big ? "big.sqlite" : "empty.sqlite");
                f[big] = Bench(s, o, big, dir.path());
            } else {
                ServerDatabase db(o, big ? "ormix_bench_big" : "ormix_bench_empty");
                f[big] = Bench(db.Settings(), o, big, dir.path());
            }
            std::printf(
                "%-8s %-30s %8.2fms %8.2fms %8.2fms %8.2fms\n", qPrintable(driver),
                big ? qPrintable(
                          QString("%1 meters, %2 operations").arg(o.meters).arg(o.operations))
                    : "empty",
                f[big].identifyMs, f[big].logMs, f[big].plusMs, f[big].deltaMs);
            std::fflush(stdout);
        }
        std::printf("%-8s %-30s %9.2fx %9.2fx %9.2fx %9.2fx\n", qPrintable(driver), "ratio",
                    f[1].identifyMs / f[0].identifyMs, f[1].logMs / f[0].logMs,
                    f[1].plusMs / f[0].plusMs, f[1].deltaMs / f[0].deltaMs);
        if (ownServer) {
            QProcess::execute(ORMIX_SOURCE_DIR "/scripts/pg-server", {"stop", serverDir.path()});
            o.port = 0;
        }
    }
    std::printf("(medians of %d runs; targets: identify and log <= 20 ms, ratio <= 1.5)\n", o.runs);
    return 0;
}
