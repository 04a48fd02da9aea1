// ormix-cli as a child process against the meter emulator on a pseudo-terminal: what it
// reads, what a write leaves in the meter and in the local log, and its exit status.
#include "emulator/meter_emulator.h"
#include "link/commands.h"
#include "meter/poll_cycle.h"
#include "records/setting_log.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace ormix::link;
using namespace ormix::meter;
using namespace ormix::records;
using namespace ormix::emulator;

namespace {

// The emulated meter's real time stands still, so its clock and counters are exact.
const QDateTime kMeterNow(QDate(2026, 5, 4), QTime(10, 20, 30));

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class CliEmulatorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    // A meter with a frozen clock on a fresh pty.
    MeterEmulator &StartMeter(FirmwareVersion firmware, std::uint16_t password = 0,
                              std::uint8_t status = 0) {
        EmulatorOptions o;
        o.firmware = firmware;
        o.password = password;
        o.status = status;
        const qint64 frozen = kMeterNow.toMSecsSinceEpoch();
        o.clock = [frozen] { return frozen; };
        meter_ = std::make_unique<MeterEmulator>(o);
        EXPECT_TRUE(meter_->start()) << meter_->lastError().toStdString();
        return *meter_;
    }

    CliRun Run(const QStringList &args, const QString &portMappings = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config")); // QSettings stays in here
        env.remove("ORMIX_PORTS");
        if (!portMappings.isEmpty()) env.insert("ORMIX_PORTS", portMappings);
        env.insert("LC_ALL", "C.UTF-8");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir_.path()); // where the default Setting.DBF goes
        p.start(QStringLiteral(ORMIX_CLI_PATH), args);
        EXPECT_TRUE(p.waitForFinished(30000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QStringList Port() const { return {"--port", meter_->devicePath()}; }

    // The command codes the meter received, in order.
    QList<std::uint8_t> Codes() const {
        QList<std::uint8_t> codes;
        for (const ObservedRequest &r : meter_->requestsSeen())
            codes << std::uint8_t(r.bytes.at(0));
        return codes;
    }

    QTemporaryDir dir_;
    std::unique_ptr<MeterEmulator> meter_;
};

double Kwh(std::uint64_t quarterWattHours) {
    return std::round(double(quarterWattHours) * 0.00025 * 100) / 100;
}

TEST_F(CliEmulatorTest, ReadJsonShowsTheMetersStateForEachFirmwareGeneration) {
    const FirmwareVersion generations[] = {{1, 2}, {5, 3}, {6, 2}, {10, 1}};
    for (const FirmwareVersion fw : generations) {
        SCOPED_TRACE(QStringLiteral("firmware %1.%2").arg(fw.major).arg(fw.minor).toStdString());
        StartMeter(fw, 0, 0x91);
        const MeterState s = meter_->state();
        const CliRun run = Run(Port() << "read"
                                      << "--json");
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
        ASSERT_FALSE(o.isEmpty()) << run.out.toStdString();

        EXPECT_EQ(o["version"].toString(), QStringLiteral("%1.%2").arg(fw.major).arg(fw.minor));
        EXPECT_EQ(o["firmwareMajor"].toInt(), fw.major);
        EXPECT_EQ(o["factoryNumber"].toDouble(), s.number);
        EXPECT_EQ(o["date"].toString(), "2026-05-04");
        EXPECT_EQ(o["time"].toString(), "10:20:30");
        EXPECT_EQ(o["summerTime"].toBool(), s.summerTime);
        EXPECT_EQ(o["correction"].toInt(), s.correction);
        EXPECT_EQ(o["status"].toInt(), 0x91);
        const QJsonArray lines = o["statusLines"].toArray();
        ASSERT_EQ(lines.size(), 3);
        EXPECT_EQ(lines[0].toString(),
                  fw.major < 6 ? "Разряд батареи таймера календаря." : "ДДМ не описан");
        EXPECT_EQ(lines[2].toString(), "Канал 0 вышел из класса (0<Ф=В).");
        EXPECT_EQ(o["display"].toObject()["mask"].toInt(), s.display);
        EXPECT_EQ(o["operatingHalfMinutes"].toDouble(), s.operatingHalfMinutes);
        EXPECT_EQ(o["operatingTime"].toString(), "61:1");
        EXPECT_EQ(o["correctionCount"].toInt(), s.correctionCount);

        const QJsonArray current = o["currentKwh"].toArray();
        ASSERT_EQ(current.size(), 3);
        for (int t = 0; t < 3; ++t) // below 6 the meter gives whole kWh and hundredths
            EXPECT_NEAR(current[t].toDouble(), Kwh(s.energy[t]), fw.major < 6 ? 0.011 : 1e-9);
        if (fw.major < 3) {
            EXPECT_TRUE(o["billingDayKwh"].isNull());
        } else {
            const QJsonArray billing = o["billingDayKwh"].toArray();
            ASSERT_EQ(billing.size(), 3);
            for (int t = 0; t < 3; ++t)
                EXPECT_NEAR(billing[t].toDouble(), Kwh(s.billingEnergy[t]), 1e-9);
        }

        if (fw.major < 3)
            EXPECT_TRUE(o["ddmNumber"].isNull());
        else
            EXPECT_EQ(o["ddmNumber"].toDouble(), s.ddm);
        if (fw.major < 6) {
            EXPECT_TRUE(o["billingDay"].isNull());
            EXPECT_TRUE(o["billingHour"].isNull());
        } else {
            EXPECT_EQ(o["billingDay"].toInt(), s.billingDay);
            EXPECT_EQ(o["billingHour"].toInt(), s.billingHour);
        }
        if (fw.major < 10)
            EXPECT_TRUE(o["lastDdmSession"].isNull());
        else
            EXPECT_EQ(o["lastDdmSession"].toString(),
                      QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC)
                          .addSecs(s.lastDdmSession)
                          .toString("yyyy-MM-ddTHH:mm:ss"));

        // The version as the connect reads it, then exactly one cycle of this firmware,
        // every request mark-then-space like the window's.
        const QList<std::uint8_t> cycle = PollCycleCodes(fw.major, fw.major >= 3);
        EXPECT_EQ(Codes(), QList<std::uint8_t>{0x00} + cycle);
        EXPECT_EQ(meter_->parityViolations(), 0);
        meter_.reset();
    }
}

// Without --port the saved meter port is used, resolved through the port table; --trace
// shows the exchange in the protocol view's formats.
TEST_F(CliEmulatorTest, SavedPortThroughThePortTableWithTrace) {
    StartMeter({6, 2});
    QDir(dir_.path()).mkpath("config/Veltaron");
    QFile conf(dir_.filePath("config/Veltaron/Ormix.conf"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("[General]\nPort=9\n");
    conf.close();

    // COM1, the default when nothing is saved, leads nowhere (never to a real port).
    const CliRun run = Run({"--trace", "read"},
                           "COM1=" + dir_.filePath("absent") + ";COM9=" + meter_->devicePath());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Версия ПО : 6.2\n")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Заводской № : 123456\n"));
    static const QRegularExpression send(R"(^\d\d:\d\d:\d\d\.\d{3} Send 00 02 80 71 $)",
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression received(
        R"(^\d\d:\d\d:\d\d\.\d{3} Received: 00 04 02 06 [0-9A-F]{2} [0-9A-F]{2} $)",
        QRegularExpression::MultilineOption);
    EXPECT_TRUE(send.match(run.err).hasMatch()) << run.err.toStdString();
    EXPECT_TRUE(received.match(run.err).hasMatch()) << run.err.toStdString();
}

TEST_F(CliEmulatorTest, WriteWithEveryOptionReachesTheMeterAndTheLog) {
    StartMeter({10, 1}, 1111, 0x91);
    const CliRun run = Run(Port() << "write"
                                  << "--password"
                                  << "1111"
                                  << "--time"
                                  << "2021-03-15 14:07:09"
                                  << "--summer"
                                  << "--new-password"
                                  << "4321"
                                  << "--number"
                                  << "777"
                                  << "--correction"
                                  << "-5"
                                  << "--status-reset"
                                  << "--billing"
                                  << "15"
                                  << "7"
                                  << "--display"
                                  << "5"
                                  << "--ddm"
                                  << "4242"
                                  << "--reset-billing"
                                  << "--reset-schedule");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    // It says what it wrote and where the row went.
    EXPECT_TRUE(run.out.startsWith("записано: время 2021-03-15 14:07:09 (летнее), пароль, "))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith("; logged to " + QDir(dir_.path()).filePath("Setting.DBF") + "\n"))
        << run.out.toStdString();

    const MeterState s = meter_->state();
    EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(s.clockBaseMs, Qt::UTC),
              QDateTime(QDate(2021, 3, 15), QTime(14, 7, 9), Qt::UTC));
    EXPECT_TRUE(s.summerTime);
    EXPECT_EQ(s.password, 4321);
    EXPECT_EQ(s.number, 777u);
    EXPECT_EQ(s.correction, -5);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.billingDay, 15);
    EXPECT_EQ(s.billingHour, 7);
    EXPECT_EQ(s.display, 5);
    EXPECT_EQ(s.ddm, 4242u);
    EXPECT_EQ(s.billingEnergy, (std::array<std::uint64_t, 3>{}));
    EXPECT_TRUE(s.singleTariff);

    // Behind the poll request in flight, the window's order.
    const QList<std::uint8_t> codes = Codes();
    const QList<std::uint8_t> writes = {0x14, 0x05, 0x14, 0x02, 0x07, 0x0B,
                                        0x23, 0x0E, 0x16, 0x24, 0x09};
    ASSERT_GE(codes.size(), writes.size() + 1);
    EXPECT_EQ(codes.mid(codes.size() - writes.size()), writes);
    EXPECT_EQ(codes.at(codes.size() - writes.size() - 1), 0x00);
    EXPECT_EQ(meter_->parityViolations(), 0);

    // The row the window would log: the meter's values read before the write, the
    // written ones where the write changed them.
    const SettingLog log(QDir(dir_.path()).filePath("Setting.DBF"));
    const auto day = log.QueryMaxDate();
    ASSERT_TRUE(day.ok() && day.value) << day.error.toStdString();
    const auto rows = log.QuerySelect(*day.value);
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows.value.size(), 1);
    const SettingRow &r = rows.value.first();
    EXPECT_EQ(r[SettingField::CNumber].toDouble(), 777);
    EXPECT_EQ(r[SettingField::Version].toString(), "10.1");
    EXPECT_EQ(r[SettingField::TurnOn].toDouble(), 7322);
    EXPECT_EQ(r[SettingField::NCorrect].toDouble(), 0);
    EXPECT_EQ(r[SettingField::Status].toDouble(), 0x91); // as read before the reset
    EXPECT_EQ(r[SettingField::Reset].toBool(), true);
    EXPECT_EQ(r[SettingField::CDate].toDate(), QDate(2021, 3, 15));
    EXPECT_EQ(r[SettingField::CTime].toString().trimmed(), "14:07");
    EXPECT_EQ(r[SettingField::Summer].toBool(), true);
    EXPECT_EQ(r[SettingField::Correct].toDouble(), -5);
    EXPECT_EQ(r[SettingField::Pass].toDouble(), 4321);
    EXPECT_EQ(r[SettingField::Indicator].toDouble(), 5);
    EXPECT_EQ(r[SettingField::Vdm].toDouble(), 4242);
    EXPECT_EQ(r[SettingField::AccountD].toDouble(), 15);
    EXPECT_EQ(r[SettingField::AccountH].toDouble(), 7);
    EXPECT_NEAR(r[SettingField::T11].toDouble(), 3000.00, 1e-6);
    EXPECT_NEAR(r[SettingField::T1C].toDouble(), 3086.42, 1e-6);
    EXPECT_NEAR(r[SettingField::T3C].toDouble(), 586.40, 1e-6);
    EXPECT_EQ(r[SettingField::Report].toBool(), false);
}

TEST_F(CliEmulatorTest, ExitStatusOfEachFailure) {
    // Bad argument: refused before the port is touched.
    StartMeter({6, 2}, 1111);
    CliRun run = Run(Port() << "write"
                            << "--password"
                            << "1111"
                            << "--correction"
                            << "40");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--correction must be a whole number from -31 to 31"));
    EXPECT_TRUE(run.err.contains("usage: ormix-cli"));
    EXPECT_TRUE(meter_->requestsSeen().empty());

    // Wrong password: the meter's error reply, nothing changed, nothing logged.
    run = Run(Port() << "write"
                     << "--password"
                     << "1"
                     << "--number"
                     << "777");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Во время записи установок произошла ошибка"))
        << run.err.toStdString();
    EXPECT_EQ(meter_->state().number, 123456u);
    EXPECT_FALSE(QFile::exists(QDir(dir_.path()).filePath("Setting.DBF")));
    EXPECT_FALSE(Codes().contains(Cmd::WriteNumber));

    // The meter took the write but the log cannot be made: not reported as done.
    run = Run(Port() << "write"
                     << "--password"
                     << "1111"
                     << "--display"
                     << "3"
                     << "--log" << dir_.filePath("missing/Setting.DBF"));
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains("Ошибка записи в БД")) << run.err.toStdString();
    EXPECT_EQ(meter_->state().display, 3);

    // The firmware cannot take the option: refused after the read, before any write frame.
    StartMeter({5, 3}, 1111);
    run = Run(Port() << "write"
                     << "--password"
                     << "1111"
                     << "--billing"
                     << "15"
                     << "7");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--billing needs firmware 6 or later; this meter has 5.3"));
    EXPECT_FALSE(Codes().contains(Cmd::Password));

    // No reply.
    meter_->addFault({.kind = Fault::NoReply, .frames = -1});
    run = Run(Port() << "read");
    EXPECT_EQ(run.exitCode, 1);
    static const QRegularExpression noReply(
        R"(^ormix-cli: порт \S+, запрос 0x00: нет ответа \(\d\d:\d\d:\d\d:\d{3} Timeout\.\)$)",
        QRegularExpression::MultilineOption);
    EXPECT_TRUE(noReply.match(run.err).hasMatch()) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(meter_->devicePath())) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    // A device path with a "%d" in its name is opened as it stands.
    meter_->clearFaults();
    const QString oddName = dir_.filePath("my%d");
    ASSERT_TRUE(QFile::link(meter_->devicePath(), oddName));
    run = Run({"--port", oddName, "read"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();

    // Port missing.
    run = Run({"--port", dir_.filePath("no-such-tty"), "read"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains("Ошибка открытия порта")) << run.err.toStdString();
}

} // namespace
