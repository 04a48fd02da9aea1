// ormix-cli journal: its command line, and the program as a child process against the meter
// emulator: every format, a read cut short, and the progress line on a terminal.
#include "../common/workbook_reader.h"
#include "emulator/meter_emulator.h"
#include "tools/ormix_cli/cli_journal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

using namespace ormix::cli;
using namespace ormix::emulator;

namespace {

struct ParseCase {
    QStringList args;
    QString error; // a part of the refusal; empty: accepted
    JournalKind kind = JournalKind::Yearly;
    JournalFormat format = JournalFormat::Text;
};

TEST(JournalCommandLine, TakesAKindAndOneFormat) {
    EXPECT_FALSE(ParseJournalCommand({"read", "--json"})); // not a journal command
    const ParseCase cases[] = {
        {{"--port", "/dev/pts/3", "journal", "consumption", "--csv"},
         {},
         JournalKind::Consumption,
         JournalFormat::Csv},
        {{"journal", "records", "--json"}, {}, JournalKind::Records, JournalFormat::Json},
        {{"--baud", "1200", "journal", "billing", "--xlsx", "b.xlsx"},
         {},
         JournalKind::Billing,
         JournalFormat::Xlsx},
        {{"journal"}, "needs a kind"},
        {{"journal", "weekly"}, "unknown journal \"weekly\""},
        {{"journal", "yearly", "--json", "--csv"}, "exclude one another"},
        {{"journal", "yearly", "--xlsx"}, "--xlsx needs a file name"},
        {{"journal", "yearly", "--password", "1"}, "unknown option --password"},
        {{"--baud", "300", "journal", "yearly"}, "--baud must be"},
    };
    for (const ParseCase &c : cases) {
        const auto r = ParseJournalCommand(c.args);
        ASSERT_TRUE(r) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r->error.contains(c.error)) << r->error.toStdString();
        EXPECT_EQ(r->ok(), c.error.isEmpty()) << c.args.join(' ').toStdString();
        if (!r->ok()) continue;
        EXPECT_EQ(r->options.kind, c.kind);
        EXPECT_EQ(r->options.format, c.format);
    }
    EXPECT_EQ(ParseJournalCommand({"--baud", "1200", "journal", "yearly"})->options.common.baud,
              1200);
    EXPECT_EQ(ParseJournalCommand({"journal", "billing", "--xlsx=b.xlsx"})->options.xlsxPath,
              "b.xlsx");
}

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

class CliJournalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void StartMeter(int firmwareMajor) {
        EmulatorOptions o;
        o.firmware = {firmwareMajor, 2};
        meter = std::make_unique<MeterEmulator>(o);
        ASSERT_TRUE(meter->start()) << meter->lastError().toStdString();
    }

    // Starts the program; `whileRunning` is called until it ends.
    CliRun Run(const QStringList &args, const std::function<void()> &whileRunning = {},
               const QString &stderrFile = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("LC_ALL", "C.UTF-8");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        if (!stderrFile.isEmpty()) p.setStandardErrorFile(stderrFile);
        p.start(QStringLiteral(ORMIX_CLI_PATH), QStringList{"--port", meter->devicePath()} + args);
        const QDeadlineTimer deadline(60000);
        while (!p.waitForFinished(20) && !deadline.hasExpired())
            if (whileRunning) whileRunning();
        EXPECT_EQ(p.state(), QProcess::NotRunning);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }

    int RequestsOf(std::uint8_t code) const {
        int n = 0;
        for (const ObservedRequest &r : meter->requestsSeen())
            n += !r.bytes.isEmpty() && std::uint8_t(r.bytes[0]) == code;
        return n;
    }

    QTemporaryDir dir;
    std::unique_ptr<MeterEmulator> meter;
};

struct FullRead {
    int firmware;
    const char *kind;
    int rows; // below the header
    int columns;
};

class CliJournalFullRead : public CliJournalTest, public ::testing::WithParamInterface<FullRead> {};

TEST_P(CliJournalFullRead, JsonHoldsEveryRecord) {
    const FullRead &c = GetParam();
    StartMeter(c.firmware);
    const CliRun run = Run({"journal", c.kind, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(json["journal"].toString(), c.kind);
    EXPECT_EQ(json["columns"].toArray().size(), c.columns);
    const QJsonArray rows = json["rows"].toArray();
    ASSERT_EQ(rows.size(), c.rows);
    for (const QJsonValue &row : rows) {
        ASSERT_EQ(row.toArray().size(), c.columns);
        EXPECT_TRUE(row.toArray()[1].isDouble()); // an energy or a record number
    }
}

INSTANTIATE_TEST_SUITE_P(EachJournal, CliJournalFullRead,
                         ::testing::Values(FullRead{6, "yearly", 12, 5},
                                           FullRead{6, "consumption", 79, 7},
                                           FullRead{5, "billing", 12, 5},
                                           FullRead{5, "records", 12, 4}),
                         [](const auto &info) { return std::string(info.param.kind); });

TEST_F(CliJournalTest, CsvAndWorkbookCarryTheTitleAndTheTable) {
    StartMeter(6);
    const CliRun csv = Run({"journal", "consumption", "--csv"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err.toStdString();
    ASSERT_TRUE(csv.out.startsWith("\xEF\xBB\xBF")); // the BOM spreadsheets look for
    const QList<QByteArray> lines = csv.out.mid(3).split('\n');
    EXPECT_EQ(lines.size(), 1 + 1 + 79 + 1); // title, captions, records, after the last CRLF
    // Quoted: the title ends in a separator and a blank.
    EXPECT_TRUE(lines[0].startsWith("\"Журнал потребления Счетчик № 123456, \""))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith('\r'));

    const QString book = dir.filePath("yearly.xlsx");
    const CliRun xlsx = Run({"journal", "yearly", "--xlsx", book});
    ASSERT_EQ(xlsx.exitCode, 0) << xlsx.err.toStdString();
    EXPECT_TRUE(xlsx.out.isEmpty());
    const WorkbookReading read = ReadWorkbook(book);
    if (!read.skipReason.isEmpty()) GTEST_SKIP() << read.skipReason.toStdString();
    ASSERT_TRUE(read.sheet) << read.error.toStdString();
    EXPECT_EQ((*read.sheet)["maxRow"].toInt(), 14);
    EXPECT_EQ((*read.sheet)["maxColumn"].toInt(), 5);
}

TEST_F(CliJournalTest, AJournalTheFirmwareLacksIsRefusedBeforeAnyRecordIsAsked) {
    StartMeter(5);
    const CliRun run = Run({"journal", "yearly"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("firmware 6 and later")) << run.err.toStdString();
    EXPECT_EQ(RequestsOf(0x18), 0);
}

TEST_F(CliJournalTest, ATimeoutMidwayPrintsTheRecordsThatArrivedAndFails) {
    StartMeter(6);
    bool faulted = false;
    const CliRun run = Run({"journal", "consumption", "--json"}, [&] {
        if (!faulted && RequestsOf(0x19) >= 20) {
            Fault silent;
            silent.kind = Fault::NoReply;
            silent.code = 0x19;
            meter->addFault(silent);
            faulted = true;
        }
    });
    ASSERT_TRUE(faulted);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Timeout")) << run.err.toStdString();
    const int rows = int(QJsonDocument::fromJson(run.out).object()["rows"].toArray().size());
    EXPECT_GE(rows, 19);
    EXPECT_LT(rows, 79);
    EXPECT_EQ(RequestsOf(0x19), rows + 1); // nothing asked after the silent one
}

TEST_F(CliJournalTest, ATerminalSeesTheProgressLine) {
    StartMeter(6);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString terminal = QString::fromLatin1(ptsname(master));
    QByteArray seen;
    const auto drain = [&] {
        char buf[4096];
        fcntl(master, F_SETFL, O_NONBLOCK);
        for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;)
            seen.append(buf, n);
    };
    const CliRun run = Run({"journal", "yearly"}, drain, terminal);
    drain();
    close(master);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.out).count('\n'), 13); // the header and twelve months
    const QString progress = QString::fromUtf8(seen);
    EXPECT_TRUE(progress.contains("\r0 из 12 (0 %)")) << progress.toStdString();
    EXPECT_TRUE(progress.contains("\r12 из 12 (100 %)")) << progress.toStdString();
    EXPECT_TRUE(progress.contains("осталось"));
}

} // namespace
