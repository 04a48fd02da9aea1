// Setting.DBF on disk: inserts, the queries of the window, foreign tables and bad files.
#include "records_test_util.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ormix::records;

namespace {

using F = SettingField;

class SettingLogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const QString &name = QStringLiteral("Setting.DBF")) const {
        return dir_.filePath(name);
    }
    SettingRow Row(qint64 number, QDate date, double pass = -1) const {
        LoggedWrite in = TypicalWrite();
        in.meter.factoryNumber = number;
        in.choices.writtenAt.setDate(date);
        if (pass >= 0) {
            in.choices.checkPassword = true;
            in.choices.newPassword = qint64(pass);
        }
        return MakeLocalLogRow(in.meter, in.choices);
    }
    void Insert(const SettingLog &log, const SettingRow &row) const {
        const auto r = log.QueryInsert(row);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
    }

    LocaleScope locale_{QLocale(QLocale::Russian, QLocale::Russia)};
    QTemporaryDir dir_;
};

TEST_F(SettingLogTest, OneInsertIsOneRowWithItsFields) {
    SettingLog log(Path());
    LoggedWrite in = TypicalWrite();
    in.choices.checkTime = true;
    in.choices.date = QDate(2026, 12, 9);
    in.choices.time = QTime(23, 59);
    in.choices.summerTime = false;
    in.choices.checkPassword = true;
    in.choices.newPassword = 65535;
    const SettingRow want = MakeLocalLogRow(in.meter, in.choices);
    ASSERT_EQ(LogWrite(log, in), QString());

    const auto rows = log.QuerySelect(QDate(2026, 12, 10));
    ASSERT_TRUE(rows.ok()) << rows.error.toStdString();
    ASSERT_EQ(rows.value.size(), 1);
    for (int i = 0; i < kSettingFieldCount; ++i)
        EXPECT_EQ(rows.value[0].values[i], want.values[i]) << SettingFieldDef(F(i)).name;

    // Dates are stored as the eight characters yyyymmdd; the file ends with one EOF mark.
    const QByteArray bytes = FileBytes(Path());
    EXPECT_TRUE(bytes.contains("20261210")) << "date_rec";
    EXPECT_TRUE(bytes.contains("20261209")) << "c_date";
    EXPECT_EQ(bytes.back(), '\x1A');
    DbfFile file;
    QString error;
    ASSERT_TRUE(file.Open(Path(), DbfFile::Mode::Read, &error));
    EXPECT_EQ(file.RecordCount(), 1);
    EXPECT_EQ(bytes.size(), file.HeaderLength() + file.RecordLength() + 1);
}

TEST_F(SettingLogTest, AppendsWithoutRewritingEarlierRows) {
    SettingLog log(Path());
    Insert(log, Row(1, QDate(2026, 1, 1)));
    const QByteArray before = FileBytes(Path());
    Insert(log, Row(2, QDate(2026, 1, 2)));
    const QByteArray after = FileBytes(Path());
    // Only the count and date of the header change; every earlier byte but the EOF
    // mark stays where it was.
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after.mid(8, before.size() - 9), before.mid(8, before.size() - 9));
    DbfFile file;
    QString error;
    ASSERT_TRUE(file.Open(Path(), DbfFile::Mode::Read, &error));
    EXPECT_EQ(file.RecordCount(), 2);
    EXPECT_EQ(after.size(), before.size() + file.RecordLength());
}

TEST_F(SettingLogTest, RowSurvivesAKillRightAfterTheInsert) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SettingLog log(Path());
        const bool ok = log.QueryInsert(Row(42, QDate(2026, 5, 5))).ok();
        ::raise(ok ? SIGKILL : SIGTERM);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "insert failed";
    const auto rows = SettingLog(Path()).QuerySelect(QDate(2026, 5, 5));
    ASSERT_TRUE(rows.ok()) << rows.error.toStdString();
    ASSERT_EQ(rows.value.size(), 1);
    EXPECT_EQ(rows.value[0][F::CNumber], 42.0);
}

// A disk that fills in the middle of a record: the insert fails and the file is as it was.
TEST_F(SettingLogTest, WriteFailingHalfWayLeavesTheFileAsItWas) {
    SettingLog log(Path());
    Insert(log, Row(1, QDate(2026, 1, 1)));
    const QByteArray before = FileBytes(Path());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(before.size() + 10), rlim_t(before.size() + 10)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(log.QueryInsert(Row(2, QDate(2026, 1, 2))).ok() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the insert was reported as written";
    EXPECT_EQ(FileBytes(Path()), before);
    Insert(log, Row(3, QDate(2026, 1, 3)));
    EXPECT_EQ(log.QueryMax().value, 3.0);
}

// A table without rows and no table at all (a new workstation) read the same.
TEST_F(SettingLogTest, QueriesOfAnEmptyOrMissingTable) {
    MakeTable(Path(), NewSettingTableFields(), {});
    for (const QString &path : {Path(), Path("missing.dbf")}) {
        SCOPED_TRACE(path.toStdString());
        SettingLog log(path);
        EXPECT_EQ(log.NextFactoryNumber().value, 1);
        EXPECT_FALSE(log.QueryMax().value.has_value());
        EXPECT_FALSE(log.QueryMaxDate().value.has_value());
        EXPECT_TRUE(log.QuerySelect(QDate(2026, 1, 1)).value.isEmpty());
        EXPECT_TRUE(log.Table1({QDate(2000, 1, 1), QDate(2100, 1, 1), 0}).value.isEmpty());
        const auto prefill = log.LastLoggedPrefill();
        EXPECT_TRUE(prefill.ok()) << prefill.error.toStdString();
        EXPECT_FALSE(prefill.value.pass || prefill.value.indicator);
    }
    EXPECT_FALSE(QFile::exists(Path("missing.dbf"))) << "reading created a table";
}

TEST_F(SettingLogTest, MaxNextNumberAndPrefill) {
    SettingLog log(Path());
    Insert(log, Row(5, QDate(2026, 3, 1), 1111));
    SettingRow first = Row(25, QDate(2026, 3, 2), 2222);
    first[F::Indicator] = 9.0;
    Insert(log, first);
    Insert(log, Row(7, QDate(2026, 3, 2), 3333)); // same day, later: not the pre-fill
    Insert(log, Row(9, QDate(2026, 2, 28)));      // later in the file, older day

    EXPECT_EQ(log.QueryMax().value, 25.0);
    EXPECT_EQ(log.NextFactoryNumber().value, 26);
    EXPECT_EQ(log.QueryMaxDate().value, QDate(2026, 3, 2));
    const auto day = log.QuerySelect(QDate(2026, 3, 2)).value;
    ASSERT_EQ(day.size(), 2);
    EXPECT_EQ(day[0][F::CNumber], 25.0);
    EXPECT_EQ(day[1][F::CNumber], 7.0);
    const LogPrefill p = log.LastLoggedPrefill().value;
    EXPECT_EQ(p.pass, 2222);
    EXPECT_EQ(p.indicator, 9);
}

TEST_F(SettingLogTest, Table1Filter) {
    SettingLog log(Path());
    const QList<std::pair<qint64, QDate>> rows = {
        {25, QDate(2026, 1, 31)}, {25, QDate(2026, 2, 1)}, {7, QDate(2026, 2, 15)},
        {25, QDate(2026, 2, 28)}, {7, QDate(2026, 3, 1)},
    };
    for (const auto &[n, d] : rows)
        Insert(log, Row(n, d));
    struct Case {
        LogFilter filter;
        QList<qint64> records;
    };
    const Case cases[] = {
        {{QDate(2026, 2, 1), QDate(2026, 2, 28), 0}, {1, 2, 3}}, // both ends inclusive
        {{QDate(2026, 2, 1), QDate(2026, 2, 28), 25}, {1, 3}},
        {{QDate(2026, 1, 1), QDate(2026, 12, 31), 7}, {2, 4}},
        {{QDate(2026, 1, 1), QDate(2026, 12, 31), 99}, {}},
        {{QDate(2026, 2, 15), QDate(2026, 2, 15), 0}, {2}},
        {{QDate(2026, 2, 28), QDate(2026, 2, 1), 0}, {}}, // DTP2 before DTP1
    };
    for (const Case &c : cases) {
        const auto got = log.Table1(c.filter);
        ASSERT_TRUE(got.ok());
        EXPECT_EQ(got.value, c.records)
            << c.filter.from.toString(Qt::ISODate).toStdString() << " "
            << c.filter.to.toString(Qt::ISODate).toStdString() << " " << c.filter.number;
    }
}

TEST_F(SettingLogTest, ExistingTableInAnotherOrderAndOtherWidths) {
    // Fields reversed, narrower and wider numbers, longer strings, no ZONE/TIME fields,
    // and a name in other case, as a table copied from another workstation may have.
    QList<DbfField> fields;
    for (int i = kSettingFieldCount - 1; i >= 0; --i) {
        const SettingFieldInfo &d = SettingFieldDef(F(i));
        DbfField f{d.name, d.type, d.width, d.decimals, 0};
        if (d.type == 'N') {
            f.width = 18;
            f.decimals = 3;
        }
        if (d.type == 'C') f.width = 20;
        fields.append(f);
    }
    MakeTable(Path("SETTING.DBF"), fields, {{{"PASS", 70000.6}, {"DATE_REC", QDate(2026, 4, 1)}}});

    SettingLog log(Path());
    // Pre-fill from a stored fraction: nearest integer, then its low 16 bits.
    EXPECT_EQ(log.LastLoggedPrefill().value.pass, (70001 & 0xFFFF));

    const SettingRow row = Row(31, QDate(2026, 4, 2), 40000);
    Insert(log, row);
    EXPECT_FALSE(QFile::exists(Path())) << "a second table was created";
    const auto got = log.QuerySelect(QDate(2026, 4, 2));
    ASSERT_TRUE(got.ok()) << got.error.toStdString();
    ASSERT_EQ(got.value.size(), 1);
    for (int i = 0; i < kSettingFieldCount; ++i)
        EXPECT_EQ(got.value[0].values[i], row.values[i]) << SettingFieldDef(F(i)).name;
    EXPECT_EQ(log.LastLoggedPrefill().value.pass, 40000);
    EXPECT_EQ(log.NextFactoryNumber().value, 32);
}

TEST_F(SettingLogTest, ValueWiderThanItsFieldIsRefused) {
    QList<DbfField> fields = NewSettingTableFields();
    for (DbfField &f : fields)
        if (f.name == "C_NUMBER") f.width = 4;
    MakeTable(Path(), fields, {});
    const QByteArray before = FileBytes(Path());
    const auto r = SettingLog(Path()).QueryInsert(Row(123456, QDate(2026, 1, 1)));
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains("C_NUMBER")) << r.error.toStdString();
    EXPECT_EQ(FileBytes(Path()), before);
}

TEST_F(SettingLogTest, ProductionIndexBesideTheTableRefusesTheInsert) {
    SettingLog log(Path());
    Insert(log, Row(1, QDate(2026, 1, 1)));
    QByteArray bytes = FileBytes(Path());
    bytes[28] = 1;
    WriteBytes(Path(), bytes);

    // The flag alone, without the index file, leaves nothing to go stale.
    Insert(log, Row(2, QDate(2026, 1, 2)));

    WriteBytes(Path("setting.mdx"), "index");
    const QByteArray before = FileBytes(Path());
    const auto r = log.QueryInsert(Row(3, QDate(2026, 1, 3)));
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains("setting.mdx")) << r.error.toStdString();
    EXPECT_EQ(FileBytes(Path()), before);
    EXPECT_EQ(log.QueryMax().value, 2.0) << "reading still works";
}

// Every query and the insert report a bad file and leave it byte for byte as it was.
TEST_F(SettingLogTest, BadFilesAreReportedAndLeftAlone) {
    SettingLog good(Path("good.dbf"));
    Insert(good, Row(1, QDate(2026, 1, 1)));
    Insert(good, Row(2, QDate(2026, 1, 2)));
    const QByteArray valid = FileBytes(Path("good.dbf"));

    QByteArray noTerminator = valid;
    noTerminator.replace(valid.indexOf('\r'), 1, "X");
    QByteArray wrongRecordLength = valid;
    wrongRecordLength[10] = char(wrongRecordLength[10] + 1);

    struct Case {
        const char *name;
        QByteArray bytes;
        const char *reason; // a word the message must carry
    };
    const Case cases[] = {
        {"truncated", valid.left(valid.size() - 20), "повреждена"},
        {"not dBase", QByteArray("Номер;Дата\n1;01.01.2026\n").repeated(4), "dBase"},
        {"empty", QByteArray(), "dBase"},
        {"no field terminator", noTerminator, "dBase"},
        {"wrong record length", wrongRecordLength, "dBase"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(Path(), c.bytes);
        SettingLog log(Path());
        const auto insert = log.QueryInsert(Row(3, QDate(2026, 1, 3)));
        EXPECT_FALSE(insert.ok());
        EXPECT_TRUE(insert.error.contains(QString::fromUtf8(c.reason)))
            << insert.error.toStdString();
        EXPECT_FALSE(log.QueryMax().ok());
        EXPECT_FALSE(log.LastLoggedPrefill().ok());
        EXPECT_EQ(FileBytes(Path()), c.bytes);
    }
}

TEST_F(SettingLogTest, ReadOnlyTableIsRefusedButStillRead) {
    SettingLog log(Path());
    Insert(log, Row(1, QDate(2026, 1, 1)));
    ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ReadGroup));
    const QByteArray before = FileBytes(Path());
    const auto r = log.QueryInsert(Row(2, QDate(2026, 1, 2)));
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains("только для чтения")) << r.error.toStdString();
    EXPECT_EQ(FileBytes(Path()), before);
    EXPECT_EQ(log.NextFactoryNumber().value, 2);
}

// Another reader of dBase files must see what we wrote.
TEST_F(SettingLogTest, IndependentReaderSeesTheRows) {
    QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python)) python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) GTEST_SKIP() << "python3 missing";
    const char *script = R"(
import sys, json
try:
    import dbfread
except ImportError:
    sys.exit(3)
t = dbfread.DBF(sys.argv[1], char_decode_errors='strict')
out = {'fields': [f.name for f in t.fields], 'rows': []}
for r in t:
    out['rows'].append({k: (v.isoformat() if hasattr(v, 'isoformat') else v) for k, v in r.items()})
print(json.dumps(out))
)";
    SettingLog log(Path());
    LoggedWrite in = TypicalWrite();
    in.meter.versionText = QStringLiteral("Ю.1");
    in.choices.checkTime = true;
    in.choices.date = QDate(2026, 12, 9);
    in.choices.time = QTime(8, 30);
    in.choices.summerTime = true;
    in.meter.billingReadingText[1] = "";
    ASSERT_EQ(LogWrite(log, in), QString());
    in = TypicalWrite();
    in.choices.checkPassword = true;
    in.choices.newPassword = 70000;
    ASSERT_EQ(LogWrite(log, in), QString());

    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromUtf8(script), Path()});
    ASSERT_TRUE(p.waitForFinished(30000));
    if (p.exitCode() == 3) GTEST_SKIP() << "dbfread missing";
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject out = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    const QJsonArray fields = out["fields"].toArray();
    ASSERT_EQ(fields.size(), 36);
    EXPECT_EQ(fields[0].toString(), "DATE_REC");
    const QJsonArray rows = out["rows"].toArray();
    ASSERT_EQ(rows.size(), 2);
    const QJsonObject a = rows[0].toObject(), b = rows[1].toObject();
    EXPECT_EQ(a["DATE_REC"].toString(), "2026-12-10");
    EXPECT_EQ(a["TIME_REC"].toString(), "14:05");
    EXPECT_EQ(a["C_NUMBER"].toDouble(), 123456);
    EXPECT_EQ(a["VERSION"].toString(), QStringLiteral("Ю.1"));
    EXPECT_EQ(a["C_DATE"].toString(), "2026-12-09");
    EXPECT_EQ(a["C_TIME"].toString(), "08:30");
    EXPECT_EQ(a["SUMMER"].toBool(), true);
    EXPECT_EQ(a["RESET"].toBool(), false);
    EXPECT_EQ(a["REPORT"].toBool(), false);
    EXPECT_EQ(a["T_1_1"].toDouble(), 1234.5);
    EXPECT_TRUE(a["T_2_1"].isNull());
    EXPECT_TRUE(a["T_3_1"].isNull());
    EXPECT_EQ(a["T_1_C"].toDouble(), 1300.75);
    EXPECT_TRUE(a["PASS"].isNull());
    EXPECT_TRUE(b["C_DATE"].isNull());
    EXPECT_TRUE(b["SUMMER"].isNull());
    EXPECT_EQ(b["PASS"].toDouble(), 4464);
    EXPECT_TRUE(b["ZONE_0"].isNull());
}

} // namespace
