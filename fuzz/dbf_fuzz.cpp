// The dBase reader and appender on damaged tables, with the disk failing at any step:
// every query reads a table or refuses it without changing a byte; an accepted insert
// keeps every earlier byte (only the count and date of the header change, and the
// records go where the count said they end); a refused one changes nothing unless it says
// the row may be in the table.
//
// Input: a byte naming the step of the disk that fails (0 none, then the writes, the data
// flushes, the flushes, the truncations); a byte with the number of the failing call in
// bits 0 and 1 (from 1), whether every later one fails too (bit 2) and whether there is no
// table at all (bit 3: the insert creates one); then the table file.
#include "fuzz/fuzz_main.h"
#include "records/dbf_write_calls.h"
#include "records/setting_log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace ormix::fuzz;
using namespace ormix::records;
using ormix::records::DbfWriteStep;

namespace {

QTemporaryDir *Folder() {
    static QTemporaryDir *dir = new QTemporaryDir; // in TMPDIR; scripts/fuzz puts it in RAM
    return dir;
}

QByteArray Bytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Table {
    bool open = false;
    qint64 count = 0;
    qint64 end = 0; // where the counted records end
    int recordLength = 0;
};

// Every value of every record a reader can reach (the first thousand).
Table ReadEverything(const QString &path) {
    DbfFile file;
    QString error;
    Table t;
    if (!file.Open(path, DbfFile::Mode::Read, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        return t;
    }
    t = {true, file.RecordCount(), file.HeaderLength() + file.RecordCount() * file.RecordLength(),
         file.RecordLength()};
    QByteArray records;
    const qint64 n = qMin<qint64>(file.RecordCount(), 1000);
    if (!file.ReadRecords(0, n, &records, &error)) return t;
    for (qint64 r = 0; r < n; ++r) {
        const char *record = records.constData() + r * file.RecordLength();
        for (int f = 0; f < file.Fields().size(); ++f) {
            file.Value(record, f);
            file.Number(record, f);
        }
    }
    return t;
}

SettingRow TypicalRow() {
    ormix::meter::MeterShown meter;
    meter.factoryNumber = 123456;
    meter.versionText = QStringLiteral("6.12");
    meter.onTime = 7322;
    meter.currentReadingText[0] = QStringLiteral("1300.75");
    meter.billingReadingText[0] = QStringLiteral("1234.50");
    ormix::meter::WriteChoices choices;
    choices.firmwareMajor = 6;
    choices.checkTime = choices.checkPassword = true;
    choices.date = QDate(2026, 12, 9);
    choices.time = QTime(8, 30);
    choices.newPassword = 70000;
    choices.writtenAt = QDateTime(QDate(2026, 12, 10), QTime(14, 5));
    return MakeLocalLogRow(meter, choices);
}

void CheckAppended(const QByteArray &before, const QByteArray &after, const Table &old,
                   const QString &path) {
    const Table now = ReadEverything(path);
    FUZZ_CHECK(now.open && now.count == old.count + 1);
    FUZZ_CHECK(after.size() >= old.end + old.recordLength + 1);
    FUZZ_CHECK(after[0] == before[0]);
    FUZZ_CHECK(after.mid(8, old.end - 8) == before.mid(8, old.end - 8)); // header and records
    FUZZ_CHECK(after[old.end] != '*');                                   // not deleted
    FUZZ_CHECK(after[old.end + old.recordLength] == '\x1A');
    const qint64 behind = old.end + old.recordLength + 1; // untouched behind the new end mark
    FUZZ_CHECK(after.mid(behind) == before.mid(behind));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    StartQt(argc, argv);
    FUZZ_CHECK(Folder()->isValid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    InputReader in(data, size);
    const int failing = in.Int(0, 4); // 0: a sound disk
    const std::uint8_t how = in.Byte();
    const int nth = 1 + (how & 0x03);
    const bool onwards = how & 0x04;
    const bool noTable = how & 0x08;
    const QByteArray image = in.Rest();

    const QString path = Folder()->filePath(QStringLiteral("Setting.DBF"));
    QFile::remove(path);
    if (!noTable) {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly) && f.write(image) == image.size());
    }
    const QByteArray before = Bytes(path);

    // The queries of the window: a bad table is refused, never changed.
    const SettingLog log(path, 0);
    log.QueryMax();
    log.LastLoggedPrefill();
    log.Table1({QDate(1900, 1, 1), QDate(2100, 1, 1), 123456});
    const Table old = ReadEverything(path);
    FUZZ_CHECK(Bytes(path) == before);

    ormix::records::InsertResult r;
    {
        ormix::records::DbfWriteCalls disk = ormix::records::ScopedDbfWriteCalls::System();
        if (failing > 0)
            disk = ormix::records::FailingDbfDisk(DbfWriteStep(failing - 1), nth, EIO, onwards);
        ormix::records::ScopedDbfWriteCalls scoped(disk);
        r = log.QueryInsert(TypicalRow());
    }
    const QByteArray after = Bytes(path);
    if (r.ok()) {
        if (noTable)
            FUZZ_CHECK(ReadEverything(path).count == 1);
        else
            CheckAppended(before, after, old, path);
    } else {
        FUZZ_CHECK(!r.error.isEmpty());
        FUZZ_CHECK(failing > 0 || !r.mayBeInTable);
        // A table it created stays, empty: another program may be waiting for its lock.
        if (noTable && !after.isEmpty())
            FUZZ_CHECK(ReadEverything(path).count == 0);
        else if (!r.mayBeInTable)
            FUZZ_CHECK(after == before);
    }
    // Nothing but the table is left beside it.
    const QStringList left = QDir(Folder()->path()).entryList(QDir::Files | QDir::Hidden);
    FUZZ_CHECK(left.size() <= 1);
    return 0;
}
