// The local log loses no row and leaks nothing: a table locked by another program is
// waited for, every failed write leaves the file as it was and says whether the row may be
// in it, and what a crashed creation leaves beside the table is cleaned up (and nothing else).
#include "records/dbf_write_calls.h"
#include "records_test_util.h"

#include <QDir>
#include <QElapsedTimer>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

using ormix::records::DbfWriteCalls;
using ormix::records::FailingDbfDisk;
using Step = ormix::records::DbfWriteStep;
using ormix::records::ScopedDbfWriteCalls;

class LocalLogSafety : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const QString &name = QStringLiteral("Setting.DBF")) const {
        return dir_.filePath(name);
    }
    static SettingRow Row(qint64 number) {
        LoggedWrite w = TypicalWrite();
        w.meter.factoryNumber = number;
        return MakeLocalLogRow(w.meter, w.choices);
    }
    static qint64 Rows(const QString &path) {
        DbfFile file;
        QString error;
        EXPECT_TRUE(file.Open(path, DbfFile::Mode::Read, &error)) << error.toStdString();
        return file.RecordCount();
    }
    QStringList Folder() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    LocaleScope locale_{QLocale(QLocale::Russian, QLocale::Russia)};
    QTemporaryDir dir_;
};

int LockTable(const QString &path, bool byFcntl) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    if (fd >= 0 && (byFcntl ? ::fcntl(fd, F_OFD_SETLK, &fl) : ::flock(fd, LOCK_EX)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Another program holds its lock for a moment (either kind of lock): the row goes in once
// the lock is free.
TEST_F(LocalLogSafety, ATableLockedForAMomentIsWaitedFor) {
    SettingLog log(Path());
    ASSERT_TRUE(log.QueryInsert(Row(1)).ok());
    for (const bool byFcntl : {false, true}) {
        SCOPED_TRACE(byFcntl ? "fcntl" : "flock");
        const int fd = LockTable(Path(), byFcntl);
        ASSERT_GE(fd, 0);
        std::thread holder([fd] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ::close(fd);
        });
        const auto r = log.QueryInsert(Row(2));
        holder.join();
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
    }
    EXPECT_EQ(Rows(Path()), 3);
}

TEST_F(LocalLogSafety, ALockHeldLongerThanTheWaitRefusesTheRowAndKeepsTheFile) {
    ASSERT_TRUE(SettingLog(Path()).QueryInsert(Row(1)).ok());
    const QByteArray before = FileBytes(Path());
    const int fd = LockTable(Path(), false);
    ASSERT_GE(fd, 0);
    constexpr int kWaitMs = 300;
    QElapsedTimer waited;
    waited.start();
    const auto r = SettingLog(Path(), kWaitMs).QueryInsert(Row(2));
    const qint64 waitedMs = waited.elapsed();
    ::close(fd);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains("занята другой программой")) << r.error.toStdString();
    EXPECT_FALSE(r.mayBeInTable);
    EXPECT_GE(waitedMs, kWaitMs) << "refused without waiting";
    EXPECT_EQ(FileBytes(Path()), before);
}

// A disk that fails at each step of an append. The table carries bytes behind its counted
// records (only those the new row overwrites are put back; the rest is never touched).
TEST_F(LocalLogSafety, EveryFailedWriteLeavesTheFileAsItWasAndSaysSo) {
    SettingLog log(Path());
    ASSERT_TRUE(log.QueryInsert(Row(1)).ok());
    QByteArray table = FileBytes(Path());
    DbfFile file;
    QString error;
    ASSERT_TRUE(file.Open(Path(), DbfFile::Mode::Read, &error));
    table.chop(1); // the end-of-file mark: three records' length of junk instead
    table += QByteArray(3 * file.RecordLength(), 'J');
    file.Close();
    struct Case {
        const char *name;
        DbfWriteCalls calls;
        bool mayBeInTable;
    };
    const Case cases[] = {
        {"disk full at the first byte", FailingDbfDisk(Step::Write, 1, ENOSPC), false},
        {"disk full half way through the row", FailingDbfDisk(Step::Write, 2, ENOSPC, false, true),
         false},
        {"the row not flushed", FailingDbfDisk(Step::DataSync, 1, EIO), false},
        {"the count not written", FailingDbfDisk(Step::Write, 2, EIO), false},
        {"the count not flushed, then taken back", FailingDbfDisk(Step::Sync, 1, EIO), false},
        {"the count neither flushed nor taken back", FailingDbfDisk(Step::Sync, 1, EIO, true),
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(Path(), table);
        ormix::records::InsertResult r;
        {
            ScopedDbfWriteCalls disk(c.calls);
            r = log.QueryInsert(Row(2));
        }
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(r.error.startsWith("Ошибка записи в таблицу")) << r.error.toStdString();
        EXPECT_EQ(r.mayBeInTable, c.mayBeInTable);
        EXPECT_EQ(r.error.contains("могли остаться в таблице"), c.mayBeInTable);
        if (!c.mayBeInTable) {
            EXPECT_EQ(FileBytes(Path()), table);
        }

        // The next write, on a sound disk, adds its row and keeps every earlier byte.
        const QByteArray before = FileBytes(Path());
        ASSERT_TRUE(log.QueryInsert(Row(3)).ok());
        EXPECT_EQ(Rows(Path()), 2);
        const QByteArray after = FileBytes(Path());
        EXPECT_EQ(after.mid(8, 1000), before.mid(8, 1000));
        EXPECT_EQ(log.QueryMax().value, 3.0);
    }
}

// Creating the table links it into place under its own name only.
TEST_F(LocalLogSafety, CreatingTheTableLeavesNothingBesideIt) {
    ASSERT_TRUE(SettingLog(Path()).QueryInsert(Row(1)).ok());
    EXPECT_EQ(Folder(), QStringList{"Setting.DBF"});
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(Path()).constData(), &st), 0);
    EXPECT_EQ(st.st_nlink, 1u) << "a second name of the table is left";
}

// What a process killed while creating the table leaves is removed at the next write: its
// temporary name still linked to the table, or a temporary it never linked. Files that are
// not provably such leftovers stay.
TEST_F(LocalLogSafety, LeftoversOfACrashedCreationGoAndNothingElse) {
    const auto link = [&](const QString &name) {
        ASSERT_EQ(::link(QFile::encodeName(Path()).constData(),
                         QFile::encodeName(Path(name)).constData()),
                  0);
    };
    QString error;
    ASSERT_TRUE(DbfFile::Create(Path("fresh.dbf"), NewSettingTableFields(), &error));
    const QByteArray emptyTable = FileBytes(Path("fresh.dbf"));
    ASSERT_TRUE(QFile::remove(Path("fresh.dbf")));

    SettingLog log(Path());
    ASSERT_TRUE(log.QueryInsert(Row(1)).ok());
    link(".Setting-Ab12Cd");                 // killed between the link and the removal
    WriteBytes(Path(".Setting-Ef34Gh"), {}); // killed before the header went in
    WriteBytes(Path(".Setting-Ij56Kl"), emptyTable.left(100)); // ... while it went in
    WriteBytes(Path(".Setting-Mn78Op"), emptyTable);           // ... before the link
    // Kept: a temporary whose creator is at work (it holds the lock), a table with rows of
    // that naming, another naming, and names the user gave.
    WriteBytes(Path(".Setting-Live01"), emptyTable);
    const int creator = ::open(QFile::encodeName(Path(".Setting-Live01")).constData(), O_RDONLY);
    ASSERT_EQ(::flock(creator, LOCK_EX), 0);
    WriteBytes(Path(".Setting-Rows01"), FileBytes(Path()));
    link(".Setting-Ab12");
    link("backup.dbf");
    WriteBytes(Path("notes.txt"), "шаблоны");

    ASSERT_TRUE(log.QueryInsert(Row(2)).ok());
    const QStringList kept = {".Setting-Ab12", ".Setting-Live01", ".Setting-Rows01",
                              "Setting.DBF",   "backup.dbf",      "notes.txt"};
    EXPECT_EQ(Folder(), kept);
    EXPECT_EQ(Rows(Path()), 2);
    EXPECT_EQ(Rows(Path(".Setting-Rows01")), 1);

    // Once its creator is gone, the unfinished temporary is a leftover too.
    ::close(creator);
    ASSERT_TRUE(log.QueryInsert(Row(3)).ok());
    EXPECT_FALSE(Folder().contains(".Setting-Live01"));
}

} // namespace
