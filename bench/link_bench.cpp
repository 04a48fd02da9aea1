// The exchange engine polling the meter emulator (a child process on a pseudo-terminal,
// replies paced at the line rate) at 9600 and 1200 bit/s. Prints per speed the exchange
// rate, the mean exchange time against its floor, the CPU time of this process and the
// peak memory; with --with-load the same table again while two CPU-bound child processes
// keep every core of a two-core workstation busy. With --journal: the time to read the
// consumption journal (its 79 frames queued behind the poll) against 79 exchange floors.
// Usage: link-bench [--exchanges N] [--emulator PATH] [--with-load] [--journal]
//        (default 200, bin/meter-emulator)
#include "bench/peak_memory.h"
#include "link/exchange_engine.h"
#include "link/frame.h"
#include "link/port_setup.h"
#include "meter/journal_requests.h"
#include "meter/poll_cycle.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace ormix::link;
using namespace ormix::meter;

namespace {

constexpr int kWarmUp = 5;          // exchanges before measuring: connect, first replies
constexpr int kReplyDelayMs = 3;    // the emulator's answer delay, passed to it
constexpr int kFirmware = 6;        // the poll cycle of a current meter, DDM read
constexpr double kBitsPerByte = 11; // start, 8 data, parity, stop
constexpr int kLoadProcesses = 2;   // one per core of the workstations it runs on

[[noreturn]] void Fail(const QString &what) {
    std::fprintf(stderr, "link-bench: %s\n", qUtf8Printable(what));
    std::exit(1);
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct BenchHost : TExchangeHost {
    bool connected = true;
    int pollIndex = 0;
    int decoded = 0;
    int failed = 0;           // rejections and timeouts
    double floorMsSum = 0;    // of the measured exchanges
    double ptyFloorMsSum = 0; // the same as the pseudo-terminal charges it
    bool measuring = false;
    std::optional<std::uint8_t> measuredCode; // only the exchanges of this command count
    int measured = 0;
    int baud = 9600;
    std::function<void()> onDecoded;

    bool IsConnected() const override { return connected; }
    QByteArray NextPollFrame() override {
        const PollStep step = NextPollRequest(pollIndex, kFirmware, true);
        pollIndex = step.nextIndex;
        return step.frame;
    }
    void ResetPoll() override { pollIndex = 0; }
    void DecodeReply(const QByteArray &reply, const QByteArray &request) override {
        ++decoded;
        const bool counted = !measuredCode || std::uint8_t(request.at(0)) == *measuredCode;
        if (measuring && counted) {
            ++measured;
            const double lineMs = (request.size() + reply.size()) * kBitsPerByte * 1000.0 / baud;
            const double fixedMs =
                TExchangeTimings{}.sendTickMs + TExchangeEngine::MarkPauseMs + kReplyDelayMs;
            floorMsSum += fixedMs + lineMs;
            // A pty passes the request at once, and the emulator writes the reply's last
            // byte one byte time before its line time is over.
            ptyFloorMsSum += fixedMs + (reply.size() - 1) * kBitsPerByte * 1000.0 / baud;
        }
        if (onDecoded) onDecoded();
    }
    void ProtocolLineAdded(const QString &) override { ++failed; } // trace is off
};

struct Figures {
    int baud = 0;
    int exchanges = 0;
    int failed = 0;
    double seconds = 0;
    double floorMs = 0;
    double ptyFloorMs = 0;
    double cpu = 0;
};

// `journal`: the consumption journal is queued once the warm-up is over, and the figures
// are those of its frames alone.
Figures Run(const QString &emulator, int baud, int exchanges, bool journal = false) {
    QProcess emu;
    emu.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    emu.start(emulator, {QStringLiteral("--baud"), QString::number(baud),
                         QStringLiteral("--reply-delay"), QString::number(kReplyDelayMs)});
    if (!emu.waitForStarted(5000))
        Fail(QStringLiteral("cannot start %1: %2").arg(emulator, emu.errorString()));
    QElapsedTimer started;
    started.start();
    while (!emu.canReadLine() && started.elapsed() < 5000)
        emu.waitForReadyRead(100);
    const QString path = QString::fromLocal8Bit(emu.readLine()).trimmed();
    if (path.isEmpty()) Fail(QStringLiteral("the emulator named no device"));

    TVaComm comm;
    SetupMeterPort(comm);
    comm.SetDeviceName(path);
    comm.SetBaudrate(*MeterSpeedRate(baud));
    try {
        comm.Open();
    } catch (const EVaCommError &e) {
        Fail(e.text);
    }

    BenchHost host;
    host.baud = baud;
    TExchangeEngine engine(&comm, &host);
    // Without the send/receive trace only rejections and timeouts reach the view.
    engine.Protocol().SetMasterMode(false);
    engine.Protocol().SetLogging(true);

    Figures f;
    f.baud = baud;
    QEventLoop loop;
    QElapsedTimer wall;
    double cpu0 = 0;
    host.onDecoded = [&] {
        if (host.decoded == kWarmUp) {
            host.measuring = true;
            host.failed = 0;
            wall.start();
            cpu0 = CpuSeconds();
            if (journal) {
                host.measuredCode = 0x19;
                // Behind the reply being decoded, as the journal page queues it.
                for (const QByteArray &frame : ConsumptionJournalRequests())
                    engine.Commands().Append(frame);
            }
        } else if (host.measuring && host.measured == exchanges) {
            f.seconds = wall.nsecsElapsed() / 1e9;
            f.cpu = CpuSeconds() - cpu0;
            host.measuring = false;
            loop.quit();
        }
    };
    // Far more than the exchanges can take at 1200 bit/s with every one timing out.
    QTimer::singleShot((exchanges + kWarmUp) * 1200 + 5000, &loop, &QEventLoop::quit);
    engine.StartExchange();
    loop.exec();
    f.exchanges = host.measured;
    f.failed = host.failed;
    f.floorMs = f.exchanges > 0 ? host.floorMsSum / f.exchanges : 0;
    f.ptyFloorMs = f.exchanges > 0 ? host.ptyFloorMsSum / f.exchanges : 0;

    host.connected = false;
    engine.EndConnection();
    emu.terminate();
    emu.waitForFinished(3000);
    return f;
}

// Busy loops in child processes of their own, as other programs on the workstation would
// be: no package needed, and they die with the benchmark whatever way it ends.
class CpuLoad {
public:
    explicit CpuLoad(int processes) {
        for (int i = 0; i < processes; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                static volatile int spin = 0;
                for (;;)
                    (void)spin;
            }
            if (pid < 0) Fail(QStringLiteral("cannot start a load process"));
            pids_.push_back(pid);
        }
    }
    ~CpuLoad() {
        for (const pid_t pid : pids_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    CpuLoad(const CpuLoad &) = delete;
    CpuLoad &operator=(const CpuLoad &) = delete;

private:
    std::vector<pid_t> pids_;
};

void PrintTable(const QString &emulator, int exchanges) {
    std::printf("%-6s %8s %8s %9s %7s %9s %7s %7s %13s %6s\n", "bit/s", "exch/s", "mean ms",
                "floor ms", "ratio", "pty floor", "ratio", "failed", "CPU s/100 ex", "CPU %");
    for (const int baud : {9600, 1200}) {
        const Figures f = Run(emulator, baud, exchanges);
        if (f.exchanges < exchanges)
            Fail(QStringLiteral("only %1 of %2 exchanges at %3 bit/s")
                     .arg(f.exchanges)
                     .arg(exchanges)
                     .arg(baud));
        const double mean = f.seconds * 1000 / f.exchanges;
        std::printf("%-6d %8.2f %8.2f %9.2f %7.3f %9.2f %7.3f %7d %13.4f %6.2f\n", baud,
                    f.exchanges / f.seconds, mean, f.floorMs, mean / f.floorMs, f.ptyFloorMs,
                    mean / f.ptyFloorMs, f.failed, f.cpu * 100 / f.exchanges,
                    f.cpu * 100 / f.seconds);
        std::fflush(stdout);
    }
}

void PrintJournalTable(const QString &emulator) {
    std::printf("consumption journal, %d frames:\n", kConsumptionRecordCount);
    std::printf("%-6s %9s %11s %7s %13s %7s %7s\n", "bit/s", "read ms", "79 floors", "ratio",
                "79 pty floors", "ratio", "failed");
    for (const int baud : {9600, 1200}) {
        const Figures f = Run(emulator, baud, kConsumptionRecordCount, true);
        if (f.exchanges < kConsumptionRecordCount)
            Fail(QStringLiteral("only %1 of %2 journal frames at %3 bit/s")
                     .arg(f.exchanges)
                     .arg(kConsumptionRecordCount)
                     .arg(baud));
        const double readMs = f.seconds * 1000;
        const double floorMs = f.floorMs * f.exchanges, ptyFloorMs = f.ptyFloorMs * f.exchanges;
        std::printf("%-6d %9.1f %11.1f %7.3f %13.1f %7.3f %7d\n", baud, readMs, floorMs,
                    readMs / floorMs, ptyFloorMs, readMs / ptyFloorMs, f.failed);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.addOptions({
        {"exchanges", "Exchanges measured at each speed (at least 200).", "n", "200"},
        {"emulator", "The meter-emulator program.", "path",
         QCoreApplication::applicationDirPath() + QStringLiteral("/meter-emulator")},
        {"with-load",
         QStringLiteral("Then the same again beside %1 CPU-bound processes.").arg(kLoadProcesses)},
        {"journal", "Also the time to read the consumption journal against its floor."},
    });
    p.addHelpOption();
    p.process(app);
    bool ok = false;
    const int exchanges = p.value("exchanges").toInt(&ok);
    if (!ok || exchanges < 1) Fail(QStringLiteral("--exchanges must be a positive number"));

    if (p.isSet("with-load")) std::printf("quiet:\n");
    PrintTable(p.value("emulator"), exchanges);
    if (p.isSet("with-load")) {
        std::printf("with %d CPU-bound processes beside it:\n", kLoadProcesses);
        std::fflush(stdout);
        const CpuLoad load(kLoadProcesses);
        PrintTable(p.value("emulator"), exchanges);
    }
    if (p.isSet("journal")) PrintJournalTable(p.value("emulator"));
    std::printf("peak memory (VmHWM): %.1f MB\n", PeakKb() / 1024.0);
    std::printf("floor = %d ms tick + %d ms mark pause + line time of request and reply "
                "(11 bits a byte) + %d ms answer delay\n",
                TExchangeTimings{}.sendTickMs, TExchangeEngine::MarkPauseMs, kReplyDelayMs);
    std::printf("pty floor = the same with the request passed at once and the reply's line time "
                "up to its last byte, as the pseudo-terminal and the emulator charge it\n");
    return 0;
}
