// Fault drills of the workstation's write-and-log road, ormix-cli against the meter
// emulator (a pseudo-terminal in this process), printing one table:
//  1. writes killed -9 at random moments: every write that exited 0 is in the table, the
//     table reads back here and with python3-dbfread, nothing else is left in its folder;
//  2. writes with a random fault of the emulator's list on about one frame in ten: no run
//     stalls, no failed write leaves a row, each failure names what happened;
//  3. the table locked by another process for 10 s during a write: the row is kept and
//     arrives with the next write, once.
// Usage: drills [--quick] [--cli PATH]   (default bin/ormix-cli beside this program)
#include "emulator/meter_emulator.h"
#include "link/commands.h"
#include "link/frame.h"
#include "records/setting_log.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace ormix::emulator;
using namespace ormix::records;

namespace {

QString cliPath;
QRandomGenerator rng(20261211); // a fixed seed: a failing drill can be run again as it was

struct Run {
    int exitCode = -1; // -1: killed or crashed
    QString err;
    qint64 ms = 0;
};

// One write of factory number `number`; killed after `killAfterMs` when it is >= 0.
Run Write(const QString &port, const QString &table, qint64 number, int killAfterMs = -1) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(cliPath, {"--port", port, "write", "--password", "0", "--number",
                      QString::number(number), "--display", "3", "--log", table});
    if (!p.waitForStarted()) return {};
    if (killAfterMs >= 0 && !p.waitForFinished(killAfterMs)) {
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished(-1);
        return {-1, {}, t.elapsed()};
    }
    p.waitForFinished(120000);
    const int code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return {code, QString::fromUtf8(p.readAllStandardError()), t.elapsed()};
}

// The factory numbers in the table, as this program reads it; nothing when unreadable.
std::optional<QList<qint64>> Numbers(const QString &table) {
    if (!QFileInfo::exists(table)) return QList<qint64>{};
    SettingTableReader reader;
    QString error;
    if (!reader.Open(table, &error)) return std::nullopt;
    QList<qint64> out;
    QByteArray rec;
    for (qint64 i = 0; i < reader.File().RecordCount(); ++i) {
        if (!reader.File().ReadRecords(i, 1, &rec, &error)) return std::nullopt;
        out.append(qint64(reader.Value(rec.constData(), SettingField::CNumber).toDouble()));
    }
    return out;
}

// The record count an independent reader sees; -1 when it cannot read the table.
int DbfreadCount(const QString &table) {
    if (!QFileInfo::exists(table)) return 0;
    QProcess p;
    // Debian's own interpreter, for which python3-dbfread is installed.
    p.start("/usr/bin/python3",
            {"-c", "import sys, dbfread; print(len(list(dbfread.DBF(sys.argv[1]))))", table});
    p.waitForFinished(60000);
    bool ok = false;
    const int n = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toInt(&ok);
    return p.exitCode() == 0 && ok ? n : -1;
}

bool OnlyTheTableAndItsKeptRows(const QString &folder) {
    const QSet<QString> allowed = {"Setting.DBF", "Setting.unsent", "Setting.unsent.lock"};
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System |
                                                      QDir::Dirs | QDir::NoDotAndDotDot))
        if (!allowed.contains(name)) return false;
    return true;
}

struct Row {
    QString drill, figure, result;
    bool pass;
};
QList<Row> table;

void Note(const QString &drill, const QString &figure, const QString &result, bool pass) {
    table.append({drill, figure, result, pass});
}

void KillDrill(MeterEmulator &meter, const QString &folder, int runs) {
    const QString path = folder + "/Setting.DBF";
    QList<qint64> succeeded;
    int killed = 0, unreadable = 0, dbfreadDiffers = 0, litter = 0, missing = 0;
    for (int i = 0; i < runs; ++i) {
        const qint64 number = 1000 + i;
        const Run r = Write(meter.devicePath(), path, number, int(rng.bounded(2500)));
        if (r.exitCode == 0) succeeded.append(number);
        if (r.exitCode == -1) ++killed;
        const auto numbers = Numbers(path);
        if (!numbers) {
            ++unreadable;
            continue;
        }
        if (DbfreadCount(path) != numbers->size()) ++dbfreadDiffers;
        if (!OnlyTheTableAndItsKeptRows(folder)) ++litter;
        for (qint64 n : succeeded)
            if (!numbers->contains(n)) ++missing;
    }
    const QString d = QStringLiteral("1 kill -9");
    Note(d, "runs / killed / exited 0",
         QStringLiteral("%1 / %2 / %3").arg(runs).arg(killed).arg(succeeded.size()), true);
    Note(d, "writes exited 0 missing from the table", QString::number(missing), missing == 0);
    Note(d, "table unreadable after a kill", QString::number(unreadable), unreadable == 0);
    Note(d, "dbfread count differs", QString::number(dbfreadDiffers), dbfreadDiffers == 0);
    Note(d, "other files left in the folder", QString::number(litter), litter == 0);
}

// Bytes before the reply are judged by what they happen to be: a first byte that is not
// the request's code with the reply complete by the length they claim, "Неверный отклик";
// one that claims more than arrives, no reply.
bool GarbageLine(const QString &err) {
    return err.contains(QStringLiteral("Неверный отклик")) ||
           err.contains(QStringLiteral("нет ответа")) ||
           err.contains(QStringLiteral("Отклик длиннее требуемого")) ||
           err.contains(QStringLiteral("Ошибка контрольной суммы"));
}

// What the failure message must say for each fault: the engine's protocol line for it
// (nothing for the faults a run must survive: a reply in pieces, a late one).
QString ExpectedText(Fault::Kind kind) {
    switch (kind) {
    case Fault::NoReply:
        return QStringLiteral("нет ответа");
    case Fault::ExtraByte:
        return QStringLiteral("Отклик длиннее требуемого");
    case Fault::BadChecksum:
        return QStringLiteral("Ошибка контрольной суммы");
    case Fault::WrongCode:
        return QStringLiteral("Неверный отклик");
    case Fault::ErrorReply:
        return QStringLiteral("Ошибка: ");
    default:
        return {};
    }
}

// Shown on standard error, so a run that broke the rule can be looked into.
void Unexpected(const Fault &fault, const Run &r) {
    std::fprintf(stderr, "drills: fault %d on 0x%02x, exit %d: %s\n", int(fault.kind),
                 unsigned(*fault.code), r.exitCode, qUtf8Printable(r.err.trimmed()));
}

void FaultDrill(MeterEmulator &meter, const QString &folder, int exchanges) {
    const QString path = folder + "/Setting.DBF";
    const Fault::Kind kinds[] = {Fault::NoReply,    Fault::Split,       Fault::ExtraByte,
                                 Fault::Garbage,    Fault::BadChecksum, Fault::WrongCode,
                                 Fault::ErrorReply, Fault::Delay};
    // The requests of a write run: the connect, the poll cycle, the write frames.
    const std::uint8_t codes[] = {0x00, 0x01, 0x04, 0x06, 0x0A, 0x0D, 0x11,
                                  0x15, 0x17, 0x22, 0x14, 0x05, 0x0C};
    int seen = 0, runs = 0, stalls = 0, failedLogged = 0, wrongLine = 0, failed = 0;
    qint64 slowestMs = 0;
    while (seen < exchanges) {
        meter.clearFaults();
        meter.clearRequestsSeen();
        // One fault in a run of a dozen to thirty frames: a run ends at its first failure.
        Fault fault;
        fault.kind = kinds[rng.bounded(int(std::size(kinds)))];
        fault.code = codes[rng.bounded(int(std::size(codes)))];
        fault.value = fault.kind == Fault::Delay ? 200 : fault.kind == Fault::ErrorReply ? 1 : 3;
        meter.addFault(fault);
        const qint64 number = 50000 + runs;
        const Run r = Write(meter.devicePath(), path, number);
        ++runs;
        const auto requests = meter.requestsSeen();
        seen += int(requests.size());
        bool faultMet = false;
        for (const auto &req : requests)
            faultMet = faultMet || std::uint8_t(req.bytes.at(0)) == *fault.code;
        slowestMs = qMax(slowestMs, r.ms);
        if (r.exitCode == -1 || r.ms > 60000) ++stalls;
        const QString expected = faultMet ? ExpectedText(fault.kind) : QString();
        if (r.exitCode != 0) {
            ++failed;
            const auto numbers = Numbers(path);
            if (numbers && numbers->contains(number)) ++failedLogged;
            const bool named = fault.kind == Fault::Garbage && faultMet
                                   ? GarbageLine(r.err)
                                   : !expected.isEmpty() && r.err.contains(expected);
            if (!named) {
                ++wrongLine;
                Unexpected(fault, r);
            }
        } else if (!expected.isEmpty() || (fault.kind == Fault::Garbage && faultMet)) {
            ++wrongLine; // a fault that should have failed the run went unnoticed
            Unexpected(fault, r);
        }
    }
    const QString d = QStringLiteral("2 faults");
    Note(d, "exchanges / runs / runs failed",
         QStringLiteral("%1 / %2 / %3").arg(seen).arg(runs).arg(failed), true);
    Note(d, "stalled runs (killed, or past 60 s)", QString::number(stalls), stalls == 0);
    Note(d, "slowest run", QStringLiteral("%1 ms").arg(slowestMs), true);
    Note(d, "rows logged for failed writes", QString::number(failedLogged), failedLogged == 0);
    Note(d, "runs whose message is not the fault's line", QString::number(wrongLine),
         wrongLine == 0);
}

void LockDrill(MeterEmulator &meter, const QString &folder, int lockSeconds) {
    const QString path = folder + "/Setting.DBF";
    meter.clearFaults();
    Write(meter.devicePath(), path, 7000); // the table exists
    QProcess holder;                       // another program holding the table
    holder.start("flock", {"-x", path, "sleep", QString::number(lockSeconds)});
    holder.waitForStarted();
    QThread::msleep(300);
    const Run locked = Write(meter.devicePath(), path, 7001);
    holder.waitForFinished(-1);
    const Run next = Write(meter.devicePath(), path, 7002);
    const auto numbers = Numbers(path).value_or(QList<qint64>{});
    const QString d = QStringLiteral("3 locked %1 s").arg(lockSeconds);
    Note(d, "write during the lock: exit, row kept",
         QStringLiteral("%1, %2")
             .arg(locked.exitCode)
             .arg(locked.err.contains("Запись сохранена") ? "yes" : "no"),
         locked.exitCode == 0);
    Note(d, "the kept row in the table afterwards", QString::number(numbers.count(7001)),
         numbers.count(7001) == 1);
    Note(d, "rows in order", QStringLiteral("%1").arg(numbers.size()),
         numbers == QList<qint64>{7000, 7001, 7002} && next.exitCode == 0);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addOption({"quick", "fewer runs: 20 kills, 600 exchanges"});
    args.addOption({"kills", "runs killed -9 (default 200)", "N"});
    args.addOption({"exchanges", "exchanges under faults (default 10000)", "N"});
    args.addOption(
        {"cli", "ormix-cli to run", "PATH", QCoreApplication::applicationDirPath() + "/ormix-cli"});
    args.process(app);
    cliPath = args.value("cli");
    const bool quick = args.isSet("quick");

    QTemporaryDir dir;
    MeterEmulator meter;
    if (!dir.isValid() || !meter.start()) {
        std::fprintf(stderr, "drills: no temporary folder or emulator\n");
        return 1;
    }
    for (const char *sub : {"kill", "fault", "lock"})
        QDir(dir.path()).mkdir(sub);
    const auto count = [&](const char *name, int byDefault) {
        return args.isSet(name) ? args.value(name).toInt() : byDefault;
    };
    // Each drill's lines as soon as it is done: the whole run takes a while.
    std::printf("%-14s %-42s %-20s %s\n", "drill", "figure", "value", "");
    bool all = true;
    const auto print = [&] {
        for (const Row &r : table) {
            std::printf("%-14s %-42s %-20s %s\n", qUtf8Printable(r.drill), qUtf8Printable(r.figure),
                        qUtf8Printable(r.result), r.pass ? "ok" : "FAIL");
            all = all && r.pass;
        }
        std::fflush(stdout);
        table.clear();
    };
    KillDrill(meter, dir.filePath("kill"), count("kills", quick ? 20 : 200));
    print();
    FaultDrill(meter, dir.filePath("fault"), count("exchanges", quick ? 600 : 10000));
    print();
    LockDrill(meter, dir.filePath("lock"), 10);
    print();
    return all ? 0 : 1;
}
