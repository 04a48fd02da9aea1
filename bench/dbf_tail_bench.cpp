// The memory one logged insert costs when a table carries bytes behind its counted records
// (a copy that lost its count, a file another program left longer): an empty Setting.DBF
// whose count says 0 with MB megabytes behind it, then one insert.
// Usage: dbf-tail-bench [MB]   (default 400; the table lives in a temporary directory,
// its tail is a hole in the file, so it takes no disk space)
#include "bench/peak_memory.h"
#include "records/setting_log.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

using namespace ormix::records;

namespace {

[[noreturn]] void Fail(const QString &what) {
    std::fprintf(stderr, "dbf-tail-bench: %s\n", qUtf8Printable(what));
    std::exit(1);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 400;
    QTemporaryDir dir;
    if (!dir.isValid() || megabytes < 0) Fail(QStringLiteral("no temporary directory or bad size"));
    const QString path = dir.filePath(QStringLiteral("Setting.DBF"));
    QString error;
    if (!DbfFile::Create(path, NewSettingTableFields(), &error)) Fail(error);
    QFile table(path);
    if (!table.resize(table.size() + megabytes * 1024 * 1024))
        Fail(QStringLiteral("cannot lengthen the table: ") + table.errorString());

    ormix::meter::MeterShown meter;
    meter.factoryNumber = 1;
    meter.versionText = QStringLiteral("6.12");
    ormix::meter::WriteChoices choices;
    choices.writtenAt = QDateTime(QDate(2026, 1, 1), QTime(12, 0));
    const long before = PeakKb();
    const auto r = SettingLog(path).QueryInsert(MakeLocalLogRow(meter, choices));
    if (!r.ok()) Fail(r.error);
    const long after = PeakKb();

    std::printf("dbf-tail-bench: an insert into a table with %lld MB behind its 0 records\n",
                static_cast<long long>(megabytes));
    std::printf("peak memory (VmHWM) before the insert %8.1f MB\n", before / 1024.0);
    std::printf("peak memory (VmHWM) after the insert  %8.1f MB   (%.1f MB for the insert)\n",
                after / 1024.0, (after - before) / 1024.0);
    return 0;
}
