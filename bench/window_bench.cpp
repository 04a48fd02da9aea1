// The operator's window as it runs all day: bin/ormix on the offscreen platform, connected
// to bin/meter-emulator on a pseudo-terminal, polling without pause. Prints the window
// process's share of one core and its peak memory over the measured seconds, and the
// exchanges the meter answered meanwhile. Targets: at most 2 % of a core and 60 MB.
// Usage: window-bench [--seconds N] (default 30)
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kSettleMs = 5000; // start-up, connect and the first poll cycles are not measured

[[noreturn]] void Fail(const QString &what) {
    std::fprintf(stderr, "window-bench: %s\n", qUtf8Printable(what));
    std::exit(1);
}

// User and system CPU seconds of a process so far (/proc/PID/stat, fields 14 and 15).
double CpuSeconds(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) Fail(QStringLiteral("the window has gone"));
    const QByteArray stat = f.readAll();
    // The command name in parentheses may hold blanks: count the fields after it.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// Peak resident memory of a process in kB (VmHWM).
long PeakKb(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The emulator prints one line per request it was sent ("hh:mm:ss.zzz RX ...").
int RequestsIn(const QByteArray &output) {
    return int(output.count(" RX "));
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    const QString bin = QCoreApplication::applicationDirPath();
    p.addOptions({
        {"seconds", "Seconds measured (at least 10).", "n", "30"},
        {"window", "The ormix program.", "path", bin + QStringLiteral("/ormix")},
        {"emulator", "The meter-emulator program.", "path",
         bin + QStringLiteral("/meter-emulator")},
    });
    p.addHelpOption();
    p.process(app);
    bool ok = false;
    const int seconds = p.value("seconds").toInt(&ok);
    if (!ok || seconds < 10) Fail(QStringLiteral("--seconds must be 10 or more"));

    QTemporaryDir dir;
    if (!dir.isValid()) Fail(QStringLiteral("no temporary folder"));
    QProcess emu;
    // Its device path comes first on standard output, its frames on standard error.
    emu.setProcessChannelMode(QProcess::MergedChannels);
    emu.start(p.value("emulator"), {QStringLiteral("--verbose")});
    if (!emu.waitForStarted(5000)) Fail(emu.errorString());
    QElapsedTimer started;
    started.start();
    while (!emu.canReadLine() && started.elapsed() < 5000)
        emu.waitForReadyRead(100);
    const QString pty = QString::fromLocal8Bit(emu.readLine()).trimmed();
    if (pty.isEmpty()) Fail(QStringLiteral("the emulator named no device"));

    // The window connects by itself, as for the README's pictures, and ends some time
    // after the measurement; a configuration and a working folder of its own.
    QProcess window;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("ORMIX_PORTS"), QStringLiteral("COM9=") + pty);
    env.insert(QStringLiteral("ORMIX_SCREENSHOT"), dir.filePath(QStringLiteral("window.png")));
    env.insert(QStringLiteral("ORMIX_SCREENSHOT_DELAY"),
               QString::number(kSettleMs + seconds * 1000 + 5000));
    window.setProcessEnvironment(env);
    QDir(dir.path()).mkdir(QStringLiteral("work"));
    window.setWorkingDirectory(dir.filePath(QStringLiteral("work")));
    window.setProcessChannelMode(QProcess::ForwardedChannels);
    window.start(p.value("window"), {QStringLiteral("--port"), QStringLiteral("COM9")});
    if (!window.waitForStarted(5000)) Fail(window.errorString());
    const qint64 pid = window.processId();

    QThread::msleep(kSettleMs);
    emu.waitForReadyRead(0);
    emu.readAll();
    const double cpu0 = CpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    QByteArray trace;
    while (wall.elapsed() < seconds * 1000) {
        emu.waitForReadyRead(200);
        trace += emu.readAll();
    }
    const double cpu = CpuSeconds(pid) - cpu0;
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const long peak = PeakKb(pid);
    window.kill();
    window.waitForFinished(3000);
    emu.terminate();
    emu.waitForFinished(3000);

    const int requests = RequestsIn(trace);
    if (requests == 0) Fail(QStringLiteral("the window did not poll the meter"));
    std::printf("window polling the meter for %.1f s: %d exchanges (%.1f a second)\n", elapsed,
                requests, requests / elapsed);
    std::printf("CPU: %.2f s, %.2f %% of a core (target at most 2 %%)\n", cpu, cpu * 100 / elapsed);
    std::printf("peak memory (VmHWM): %.1f MB (target at most 60 MB)\n", peak / 1024.0);
    return 0;
}
