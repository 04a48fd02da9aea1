// Setting.DBF at a million rows: a logged insert at the start and at the end, "+",
// the browse opened on one month, and a plain sequential read of the file as the floor.
// Usage: dbf-bench [rows]   (default 1000000; the table lives in a temporary directory)
#include "records/log_browse_model.h"
#include "records/setting_log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace ormix::records;

namespace {

constexpr int kRepeats = 7;

double Ms(const QElapsedTimer &t) {
    return t.nsecsElapsed() / 1e6;
}

template <typename Fn> double Median(Fn fn) {
    std::vector<double> times;
    for (int i = 0; i < kRepeats; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        times.push_back(Ms(t));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

[[noreturn]] void Fail(const QString &what) {
    std::fprintf(stderr, "dbf-bench: %s\n", qUtf8Printable(what));
    std::exit(1);
}

// A typical row: every option ticked, the readings in the point locale of the benchmark.
SettingRow Typical(qint64 number, QDate day) {
    ormix::meter::MeterShown m;
    m.factoryNumber = number;
    m.versionText = QStringLiteral("6.12");
    m.onTime = 7322;
    m.lastStatus = 5;
    m.correctionCount = 3;
    for (int i = 0; i < 3; ++i) {
        m.billingReadingText[i] = QStringLiteral("1234.50");
        m.currentReadingText[i] = QStringLiteral("1300.75");
    }
    ormix::meter::WriteChoices c;
    c.firmwareMajor = 6;
    c.checkTime = c.checkPassword = c.checkIndi = true;
    c.date = day;
    c.time = QTime(12, 0);
    c.newPassword = 1234;
    c.display = 15;
    c.writtenAt = QDateTime(day, QTime(12, 0));
    return MakeLocalLogRow(m, c);
}

double SequentialRead(const QString &path) {
    return Median([&] {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        std::vector<char> buf(1 << 20);
        while (::read(fd, buf.data(), buf.size()) > 0) {
        }
        ::close(fd);
    });
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTemporaryDir dir;
    if (!dir.isValid() || rows < 1) Fail(QStringLiteral("no temporary directory or bad row count"));
    const QString path = dir.filePath(QStringLiteral("Setting.DBF"));
    SettingLog log(path);
    const QDate start(2024, 1, 1);

    // A logged insert into a nearly empty table.
    qint64 number = 0;
    const double insertEmpty = Median([&] {
        const auto r = log.QueryInsert(Typical(++number, start));
        if (!r.ok()) Fail(r.error);
    });

    // The bulk, about a thousand rows a day, in batches with one flush at the end.
    QElapsedTimer build;
    build.start();
    {
        DbfFile file;
        QString error;
        if (!file.Open(path, DbfFile::Mode::Append, &error)) Fail(error);
        QByteArray model = file.BlankRecord();
        const SettingRow row = Typical(0, start);
        for (int i = 0; i < kSettingFieldCount; ++i)
            if (!file.SetValue(model.data(), file.FieldIndex(SettingFieldDef(SettingField(i)).name),
                               row.values[i], &error))
                Fail(error);
        const int dateCol = file.FieldIndex("DATE_REC");
        const int numberCol = file.FieldIndex("C_NUMBER");
        QList<QByteArray> batch;
        for (qint64 n = file.RecordCount(); n < rows; ++n) {
            QByteArray rec = model;
            file.SetValue(rec.data(), dateCol, start.addDays(n / 1000), &error);
            file.SetValue(rec.data(), numberCol, double(n + 1), &error);
            batch.append(rec);
            if (batch.size() == 10000 || n + 1 == rows) {
                if (!file.Append(batch, &error, false)) Fail(error);
                batch.clear();
            }
        }
        if (!file.Sync(&error)) Fail(error);
    }
    const double buildMs = Ms(build);
    const qint64 bytes = QFile(path).size();

    const double floor = SequentialRead(path);
    const double insertFull = Median([&] {
        const auto r = log.QueryInsert(Typical(++number, start.addDays(rows / 1000)));
        if (!r.ok()) Fail(r.error);
    });
    qint64 next = 0;
    const double plus = Median([&] { next = log.NextFactoryNumber().value; });
    // One month in the middle of the table.
    const QDate monthStart = start.addDays(rows / 2000);
    const LogFilter month{monthStart, monthStart.addMonths(1).addDays(-1), 0};
    qint64 monthRows = 0;
    const double open = Median([&] {
        LogBrowseModel model;
        QString error;
        if (!model.Open(path, month, &error)) Fail(error);
        monthRows = model.RecordCount();
    });

    std::printf("dbf-bench: Setting.DBF of %lld rows, %.1f MB (bulk built in %.0f ms)\n",
                static_cast<long long>(rows), bytes / 1e6, buildMs);
    std::printf("logged insert at %lld rows     %8.3f ms\n", 0LL, insertEmpty);
    std::printf("logged insert at %lld rows %8.3f ms   ratio %.2f (target <= 1.5)\n",
                static_cast<long long>(rows), insertFull, insertFull / insertEmpty);
    std::printf(
        "\"+\" MAX(c_number)              %8.1f ms   %.2f x floor (target <= 3), next %lld\n", plus,
        plus / floor, static_cast<long long>(next));
    std::printf("browse open, one month         %8.1f ms   %.2f x floor (target <= 3), %lld rows\n",
                open, open / floor, static_cast<long long>(monthRows));
    std::printf("sequential read (floor)        %8.1f ms\n", floor);
    return 0;
}
