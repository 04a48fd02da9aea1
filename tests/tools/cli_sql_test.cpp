// ormix-cli in SQL mode as a child process: the administrator's "db" commands on an
// embedded database, then "write --sql" and "fix-db" against the emulated meter, read back
// through the production database.
#include "emulator/meter_emulator.h"
#include "records/sql_connection.h"

#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ormix::emulator;
using namespace ormix::records;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

class CliSqlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        // The workstation never sets the test machine's clock.
        QSettings config(dir_.filePath("config/Veltaron/Ormix.conf"), QSettings::IniFormat);
        config.setValue("Electrometer/Driver", "QSQLITE");
        config.setValue("Electrometer/Database", Database());
        config.setValue("Electrometer/SetClock", false);
    }
    QString Database() const { return dir_.filePath("electrometer.sqlite"); }

    CliRun Run(const QStringList &args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        env.insert("XDG_DATA_HOME", dir_.filePath("data"));
        env.remove("ORMIX_PORTS");
        env.insert("LC_ALL", "C.UTF-8");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral(ORMIX_CLI_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QVariant Scalar(const QString &sql) {
        ConnectionSettings s;
        s.database = Database();
        ProductionConnection c(s, "cli-test");
        QString error;
        if (!c.Open(&error)) return error;
        QSqlQuery q(c.Database());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant("failed");
    }
    void StartMeter(std::uint32_t number) {
        EmulatorOptions o;
        o.number = number;
        meter_ = std::make_unique<MeterEmulator>(o);
        ASSERT_TRUE(meter_->start()) << meter_->lastError().toStdString();
    }
    QStringList Port() const { return {"--port", meter_->devicePath()}; }

    QTemporaryDir dir_;
    std::unique_ptr<MeterEmulator> meter_;
};

TEST_F(CliSqlTest, TheAdministratorDescribesAndTheWorkstationLogsAsTheWindowDoes) {
    // Nothing described yet: the workstation is stopped before it touches the meter.
    StartMeter(123456);
    CliRun r = Run(Port() << "write"
                          << "--sql"
                          << "--password"
                          << "0"
                          << "--status-reset");
    EXPECT_EQ(r.exitCode, 4) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("не описан в БД")) << r.err.toStdString();
    EXPECT_TRUE(meter_->requestsSeen().empty());

    r = Run({"db", "describe"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = Run({"db", "meters", "123450", "123460", "--type", "6"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("11")) << r.out.toStdString();
    EXPECT_EQ(Run({"db", "meters", "9", "3"}).exitCode, 2);

    r = Run(Port() << "write"
                   << "--sql"
                   << "--password"
                   << "0"
                   << "--status-reset");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM operation").toInt(), 1);
    EXPECT_EQ(Scalar("SELECT reset FROM set_tariff_3").toBool(), true);
    r = Run(Port() << "fix-db");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM operation").toInt(), 2);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM set_tariff_3 WHERE reset = 0").toInt(), 1);

    r = Run({"db", "show"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("номера 123450-123460")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("тип 3: 2")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Ждут отправки в БД: 0")) << r.out.toStdString();

    // A meter that is not described: refused, and the exit status says so.
    meter_.reset();
    StartMeter(777);
    r = Run(Port() << "fix-db");
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_TRUE(r.err.contains("Номер прибора не описан в БД. Установите его."))
        << r.err.toStdString();
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM operation").toInt(), 2);
}

} // namespace
