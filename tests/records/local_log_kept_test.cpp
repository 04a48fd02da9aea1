// A row the meter took but the table cannot take now is kept beside it and appended, once
// and in order, when the table takes rows again; a row that may already be in the table is
// never kept, since a second copy would count the meter twice.
#include "records/dbf_write_calls.h"
#include "records/local_log.h"
#include "records/setting_row_json.h"
#include "records_test_util.h"

#include <QDir>
#include <QJsonDocument>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using ormix::records::FailingDbfDisk;
using ormix::records::ScopedDbfWriteCalls;
using Step = ormix::records::DbfWriteStep;
using Outcome = LogReport::Outcome;

constexpr int kShortWaitMs = 50; // the lock is held for the whole call: no need to wait long

class LocalLogKept : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path() const { return dir_.filePath(QStringLiteral("Setting.DBF")); }
    LogReport Write(LocalLog &log, qint64 number) {
        LoggedWrite w = TypicalWrite();
        w.meter.factoryNumber = number;
        return log.LogCompletedWrite(w.meter, w.choices);
    }
    // The factory numbers in table order.
    QList<qint64> Numbers() const {
        QList<qint64> out;
        SettingTableReader reader;
        QString error;
        EXPECT_TRUE(reader.Open(Path(), &error)) << error.toStdString();
        QByteArray rec;
        for (qint64 i = 0; i < reader.File().RecordCount(); ++i) {
            EXPECT_TRUE(reader.File().ReadRecords(i, 1, &rec, &error));
            out.append(qint64(reader.Value(rec.constData(), SettingField::CNumber).toDouble()));
        }
        return out;
    }
    // Holds an exclusive lock on the table as another program would, until destroyed.
    struct TableLock {
        explicit TableLock(const QString &path)
            : fd(::open(QFile::encodeName(path).constData(), O_RDWR)) {
            EXPECT_EQ(::flock(fd, LOCK_EX), 0);
        }
        ~TableLock() { ::close(fd); }
        int fd;
    };

    LocaleScope locale_{QLocale(QLocale::Russian, QLocale::Russia)};
    QTemporaryDir dir_;
};

TEST_F(LocalLogKept, ARowTheLockedTableRefusedIsKeptAndAppendedLaterOnce) {
    LocalLog log(Path(), kShortWaitMs);
    ASSERT_TRUE(Write(log, 1).logged());
    {
        TableLock lock(Path());
        const LogReport kept = Write(log, 2);
        EXPECT_EQ(kept.outcome, Outcome::Kept);
        EXPECT_TRUE(kept.text.contains("занята другой программой")) << kept.text.toStdString();
        EXPECT_TRUE(kept.text.endsWith("Запись сохранена и будет добавлена в журнал позже."))
            << kept.text.toStdString();
        // Still locked: the next row waits behind the first, without a second wait.
        EXPECT_EQ(Write(log, 3).outcome, Outcome::Kept);
        EXPECT_EQ(log.KeptCount(), 2);
        EXPECT_EQ(log.UnsentCount(), 2);
    }
    EXPECT_EQ(Numbers(), (QList<qint64>{1}));

    ASSERT_TRUE(Write(log, 4).logged());
    EXPECT_EQ(Numbers(), (QList<qint64>{1, 2, 3, 4}));
    EXPECT_EQ(log.KeptCount(), 0);
    ASSERT_TRUE(Write(log, 5).logged());
    EXPECT_EQ(Numbers(), (QList<qint64>{1, 2, 3, 4, 5}));
    // The kept file's lock may stay; nothing else is left beside the table.
    QStringList folder = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
    folder.removeAll(QStringLiteral("Setting.unsent.lock"));
    EXPECT_EQ(folder, QStringList{"Setting.DBF"});
}

// The next run of the program (its start-up pre-fill) appends what an earlier one kept.
TEST_F(LocalLogKept, StartUpAppendsTheRowsAnEarlierRunKept) {
    ASSERT_TRUE(SettingLog(Path())
                    .QueryInsert(MakeLocalLogRow(TypicalWrite().meter, TypicalWrite().choices))
                    .ok());
    {
        LocalLog earlier(Path(), kShortWaitMs);
        TableLock lock(Path());
        ASSERT_EQ(Write(earlier, 77).outcome, Outcome::Kept);
    }
    LocalLog later(Path(), kShortWaitMs);
    EXPECT_EQ(later.KeptCount(), 1);
    const auto prefill = later.Prefill();
    EXPECT_TRUE(prefill.ok()) << prefill.error.toStdString();
    EXPECT_EQ(Numbers(), (QList<qint64>{123456, 77}));
    EXPECT_EQ(later.KeptCount(), 0);
}

// The program died after a kept row went into the table but before the kept file said so:
// the row is recognised at the record where it went and not appended again.
TEST_F(LocalLogKept, ARowAppendedJustBeforeACrashIsNotAppendedAgain) {
    LocalLog log(Path(), kShortWaitMs);
    ASSERT_TRUE(Write(log, 1).logged());
    {
        TableLock lock(Path());
        ASSERT_EQ(Write(log, 2).outcome, Outcome::Kept);
    }
    QString error;
    const QList<UnsentRow> kept = UnsentRows(log.KeptPath()).Rows(&error);
    ASSERT_EQ(kept.size(), 1) << error.toStdString();
    // What the crashed replay had done: its note, then the append.
    WriteBytes(log.KeptPath() + ".appending",
               QStringLiteral(R"({"key":"%1","count":1})").arg(kept[0].key).toUtf8());
    ASSERT_TRUE(log.Table().QueryInsert(*SettingRowFromJson(kept[0].row)).ok());

    EXPECT_EQ(log.AppendKept().value, 1);
    EXPECT_EQ(Numbers(), (QList<qint64>{1, 2}));
    EXPECT_EQ(log.KeptCount(), 0);
}

// A write whose row may be in the table (the count neither flushed nor taken back) is
// reported, not kept; one that surely is not there (disk full) is kept.
TEST_F(LocalLogKept, OnlyARowSurelyNotInTheTableIsKept) {
    LocalLog log(Path(), kShortWaitMs);
    ASSERT_TRUE(Write(log, 1).logged());
    struct Case {
        const char *name;
        ormix::records::DbfWriteCalls calls;
        Outcome outcome;
        int keptAfter;
    };
    const Case cases[] = {
        {"disk full", FailingDbfDisk(Step::Write, 1, ENOSPC), Outcome::Kept, 1},
        {"may be in the table", FailingDbfDisk(Step::Sync, 1, EIO, true), Outcome::Failed, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LogReport r;
        {
            ScopedDbfWriteCalls disk(c.calls);
            r = Write(log, 2);
        }
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.text.contains("Запись сохранена"), c.outcome == Outcome::Kept)
            << r.text.toStdString();
        EXPECT_EQ(log.KeptCount(), c.keptAfter);
        ASSERT_TRUE(log.AppendKept().ok());
        EXPECT_EQ(log.KeptCount(), 0);
        QFile::remove(log.KeptPath());
        WriteBytes(Path(), {});
        QFile::remove(Path());
        ASSERT_TRUE(Write(log, 1).logged());
    }
}

// Every value a row holds survives the kept file; a line that is no row is refused.
TEST(SettingRowJson, RoundTripsEveryKindOfValueAndRefusesForeignObjects) {
    LoggedWrite w = TypicalWrite();
    w.choices.checkTime = w.choices.summerTime = true;
    w.choices.date = QDate(2026, 3, 1);
    w.choices.time = QTime(7, 5);
    const SettingRow row = MakeLocalLogRow(w.meter, w.choices);
    const std::optional<SettingRow> back = SettingRowFromJson(SettingRowToJson(row));
    ASSERT_TRUE(back);
    for (int i = 0; i < kSettingFieldCount; ++i)
        EXPECT_EQ(back->values[i], row.values[i]) << SettingFieldDef(SettingField(i)).name;

    for (const char *foreign :
         {R"({})", R"({"DATE_REC":"2026-01-01"})", R"({"DATE_REC":{"date":"x"}})",
          R"({"DATE_REC":{"date":"2026-01-01"},"zz":1})"}) {
        SCOPED_TRACE(foreign);
        EXPECT_FALSE(SettingRowFromJson(QJsonDocument::fromJson(foreign).object()));
    }
}

} // namespace
