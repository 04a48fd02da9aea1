// ormix-cli schedule read, write and diff: the command line, and the program as a child
// process against the meter emulator on a pseudo-terminal.
#include "emulator/meter_emulator.h"
#include "meter/schedule_frames.h"
#include "meter/schedule_template.h"
#include "records/setting_log.h"
#include "tools/ormix_cli/cli_options.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ormix::cli;
using namespace ormix::emulator;
namespace meter = ormix::meter;

namespace {

TEST(CliScheduleArguments, ActionsFilesAndRefusals) {
    struct Case {
        QStringList args;
        ScheduleAction action; // when taken
        QString file;
        QString error; // a part of the refusal; empty: taken
    };
    const Case cases[] = {
        {{"schedule", "read"}, ScheduleAction::Read, "", ""},
        {{"schedule", "read", "--json"}, ScheduleAction::Read, "", ""},
        {{"schedule", "diff", "a.json"}, ScheduleAction::Diff, "a.json", ""},
        {{"schedule", "write", "a.json", "--password", "7"}, ScheduleAction::Write, "a.json", ""},
        {{"schedule", "write", "a.json", "--password", "7", "--no-log"},
         ScheduleAction::Write,
         "a.json",
         ""},
        {{"schedule"}, {}, "", "schedule needs read, write FILE or diff FILE"},
        {{"schedule", "erase"}, {}, "", "unknown schedule command \"erase\""},
        {{"schedule", "diff"}, {}, "", "schedule diff needs a template FILE"},
        {{"schedule", "write", "a.json"}, {}, "", "schedule write needs --password P"},
        {{"schedule", "read", "x.json"}, {}, "", "unexpected argument \"x.json\""},
        {{"schedule", "diff", "a.json", "--json"}, {}, "", "--json belongs to schedule read"},
        {{"schedule", "write", "a.json", "--password", "7", "--display", "3"},
         {},
         "",
         "--display does not belong to schedule"},
        {{"schedule", "write", "a.json", "--password", "70000"}, {}, "", "--password must be"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliParseResult r = ParseCliArguments(c.args);
        if (c.error.isEmpty()) {
            ASSERT_TRUE(r.ok()) << r.error.toStdString();
            EXPECT_EQ(r.options.command, CliCommand::Schedule);
            EXPECT_EQ(r.options.schedule.action, c.action);
            EXPECT_EQ(r.options.schedule.file, c.file);
        } else {
            EXPECT_TRUE(r.error.contains(c.error)) << r.error.toStdString();
        }
    }
}

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class CliScheduleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // A multi-tariff meter with a schedule of its own.
    void StartMeter(int firmware) {
        meter_ = std::make_unique<MeterEmulator>(EmulatorOptions{.firmware = {firmware, 1}});
        ASSERT_TRUE(meter_->start()) << meter_->lastError().toStdString();
        MeterState s = meter_->state();
        s.singleTariff = false;
        s.zones = {{{2, 0, 0}, {1, 7, 0}, {3, 9, 15}, {1, 12, 0}, {2, 18, 45}, {3, 22, 0}}};
        s.masks = {0x1F, 0x60, 0x80, 0x7F, 0x01, 0xFF};
        s.holidays = {};
        s.holidays[0] = {9, 5};
        s.transfers = {};
        s.transfers[0] = {3, 3, 2031, 6};
        meter_->setState(s);
    }

    CliRun Run(QStringList args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.remove("ORMIX_PORTS");
        env.insert("LC_ALL", "C.UTF-8");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(ORMIX_CLI_PATH), QStringList{"--port", meter_->devicePath()} + args);
        EXPECT_TRUE(p.waitForFinished(30000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QString SaveFile(const char *name, const QByteArray &json) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(json);
        return f.fileName();
    }
    qsizetype LoggedRows() const {
        const auto rows = ormix::records::SettingLog(dir.filePath("Setting.DBF"))
                              .QuerySelect(QDate::currentDate());
        return rows.ok() ? rows.value.size() : 0;
    }
    bool Seen(std::uint8_t code) const {
        for (const ObservedRequest &r : meter_->requestsSeen())
            if (std::uint8_t(r.bytes.at(0)) == code) return true;
        return false;
    }

    QTemporaryDir dir;
    std::unique_ptr<MeterEmulator> meter_;
};

// Read as a template, edited, written, compared: the same file reads back equal, the
// meter's first schedule differs from it by the edited zone.
TEST_F(CliScheduleTest, ReadWriteAndDiffAtFirmware9And10) {
    for (const int firmware : {9, 10}) {
        SCOPED_TRACE(firmware);
        StartMeter(firmware);
        const CliRun read = Run({"schedule", "read", "--json"});
        ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
        const meter::TemplateLoad original = meter::ScheduleFromJson(read.out.toUtf8());
        ASSERT_TRUE(original.schedule) << original.error.toStdString();
        EXPECT_FALSE(original.schedule->singleTariff);
        EXPECT_EQ(original.schedule->zones[2], (meter::ZoneEntry{3, QTime(9, 15)}));
        if (firmware >= 10) {
            EXPECT_EQ(original.schedule->masks[1], 0x60);
            EXPECT_EQ(original.schedule->holidays, (QList<meter::Holiday>{{9, 5}}));
            EXPECT_EQ(original.schedule->transfers.size(), 1);
        }
        const QString originalFile = SaveFile("meter.json", read.out.toUtf8());

        meter::Schedule edited = *original.schedule;
        edited.zones[2] = {2, QTime(9, 40)};
        edited.holidays << meter::Holiday{8, 3};
        const QString editedFile = SaveFile("edited.json", meter::ScheduleToJson(edited));
        const qsizetype rowsBefore = LoggedRows();
        const CliRun write = Run({"schedule", "write", editedFile, "--password", "0"});
        ASSERT_EQ(write.exitCode, 0) << write.err.toStdString();
        EXPECT_EQ(meter_->state().zones[2], (Zone{2, 9, 40}));
        EXPECT_EQ(LoggedRows(), rowsBefore + 1);

        const CliRun same = Run({"schedule", "diff", editedFile});
        EXPECT_EQ(same.exitCode, 0) << same.out.toStdString() << same.err.toStdString();
        EXPECT_TRUE(same.out.isEmpty());
        const CliRun differs = Run({"schedule", "diff", originalFile});
        EXPECT_EQ(differs.exitCode, 5) << differs.err.toStdString();
        EXPECT_TRUE(differs.out.contains("Зона 2")) << differs.out.toStdString();
        // Below firmware 10 the meter keeps no holidays to differ in.
        EXPECT_EQ(differs.out.contains("Праздник"), firmware >= 10) << differs.out.toStdString();
    }
}

TEST_F(CliScheduleTest, RefusedOrFailedWriteLogsNothing) {
    StartMeter(10);
    const MeterState before = meter_->state();
    meter::Schedule s;
    s.singleTariff = false;
    s.masks[3] = 0; // zone 3 without a day type
    CliRun run = Run(
        {"schedule", "write", SaveFile("bad.json", meter::ScheduleToJson(s)), "--password", "0"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(meter::ZoneUndefinedMessage(3))) << run.err.toStdString();
    EXPECT_FALSE(Seen(0x14));

    run = Run({"schedule", "diff", SaveFile("broken.json", "{ \"format\": 1")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("не загружен")) << run.err.toStdString();

    s.masks[3] = 0x01;
    meter_->addFault({.kind = Fault::NoReply, .frames = 1, .code = 0x27});
    run = Run(
        {"schedule", "write", SaveFile("good.json", meter::ScheduleToJson(s)), "--password", "0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Во время записи установок произошла ошибка"))
        << run.err.toStdString();
    EXPECT_EQ(LoggedRows(), 0);
    EXPECT_EQ(meter_->state().holidays, before.holidays); // stopped before the list went
}

} // namespace
