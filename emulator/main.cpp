// meter-emulator: a meter on a pseudo-terminal (or a given serial device) for
// trying the workstation without hardware. The first line of output is the path
// to open; it runs until interrupted.
#include "emulator/meter_emulator.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>

using namespace ormix::emulator;

namespace {

void Fail(const QString &text) {
    std::fprintf(stderr, "meter-emulator: %s\n", qPrintable(text));
    std::exit(2);
}

template <typename T>
T Number(const QCommandLineParser &p, const char *name, double lo, double hi) {
    bool ok = false;
    const double v = p.value(name).toDouble(&ok);
    if (!ok || v < lo || v > hi)
        Fail(QStringLiteral("--%1 must be a number from %2 to %3")
                 .arg(name)
                 .arg(lo, 0, 'f', 0)
                 .arg(hi, 0, 'f', 0));
    return T(v);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("meter-emulator"));
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Emulates a meter on a pseudo-terminal or serial port."));
    p.addHelpOption();
    p.addOptions({
        {"firmware", "Firmware version MAJOR.MINOR or MAJOR (default 6.2).", "version", "6.2"},
        {"number", "Factory number (default 123456).", "n", "123456"},
        {"password", "Access password 0..65535 (default 0).", "n", "0"},
        {"drift", "Seconds per day the clock runs fast (+) or slow (-).", "s", "0"},
        {"status", "Status byte 0..255.", "n", "0"},
        {"state", "JSON file to start from and keep the meter's state in.", "file"},
        {"port", "Use this serial device instead of a pseudo-terminal.", "path"},
        {"baud", "Pace replies by the line time of this rate (11 bits a byte).", "rate"},
        {"reply-delay", "Milliseconds before each reply.", "ms",
         QString::number(kDefaultReplyDelayMs)},
        {"energy-reply", "Energy reply variant: short (no billing-day values) or long.", "variant"},
        {"fault",
         "Fault KIND[=VALUE][@CODE][*FRAMES]; kinds: noreply, split=K, extra, garbage[=N], "
         "badcrc, wrongcode, error=N, delay=MS. May be repeated.",
         "fault"},
        {"verbose", "One time-stamped line per frame received and sent, on stderr."},
        {"check-parity", "On stderr, a line for each request shown sent otherwise than first "
                         "byte mark, the rest space (not answered), and the counts at exit."},
    });
    p.process(app);

    EmulatorOptions o;
    // "10" is read as 10.0: a generation is what the operator usually means.
    QStringList fw = p.value("firmware").split('.');
    if (fw.size() == 1) fw << QStringLiteral("0");
    bool okMajor = false, okMinor = false;
    o.firmware = {fw.value(0).toInt(&okMajor), fw.value(1).toInt(&okMinor)};
    if (fw.size() != 2 || !okMajor || !okMinor || o.firmware.major < 0 || o.firmware.major > 99 ||
        o.firmware.minor < 0 || o.firmware.minor > 99)
        Fail(QStringLiteral("--firmware must read MAJOR.MINOR or MAJOR, for example 6.2 or 10"));
    o.number = Number<std::uint32_t>(p, "number", 0, 0xFFFFFF);
    o.password = Number<std::uint16_t>(p, "password", 0, 0xFFFF);
    o.driftPerDay = Number<double>(p, "drift", -86400, 86400);
    o.status = Number<std::uint8_t>(p, "status", 0, 255);
    o.replyDelayMs = Number<int>(p, "reply-delay", 0, 60000);
    o.stateFile = p.value("state");
    o.port = p.value("port");
    if (p.isSet("baud")) o.baud = Number<int>(p, "baud", 50, 4000000);
    if (p.isSet("energy-reply")) {
        const QString v = p.value("energy-reply");
        if (v == "short")
            o.energyReply = EnergyReply::Short;
        else if (v == "long")
            o.energyReply = EnergyReply::Long;
        else
            Fail(QStringLiteral("--energy-reply must be short or long"));
    }
    o.logFrames = p.isSet("verbose");
    o.logParity = p.isSet("check-parity");
    o.log = [](const QString &line) {
        std::fprintf(stderr, "%s\n", qPrintable(line));
        std::fflush(stderr);
    };
    std::vector<Fault> faults;
    for (const QString &text : p.values("fault")) {
        Fault f;
        QString why;
        if (!ParseFault(text, f, why)) Fail(why);
        faults.push_back(f);
    }

    // The emulator's thread inherits the blocked signals; this thread waits for them.
    // A shell starts background jobs with SIGINT ignored; an ignored signal never arrives.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    MeterEmulator emu(o);
    if (!emu.start()) Fail(emu.lastError());
    // Options given on the command line win over a state file.
    MeterState s = emu.state();
    if (p.isSet("firmware")) s.firmware = o.firmware;
    if (p.isSet("number")) s.number = o.number;
    if (p.isSet("password")) s.password = o.password;
    if (p.isSet("drift")) s.driftPerDay = o.driftPerDay;
    if (p.isSet("status")) s.status = o.status;
    emu.setState(s);
    for (const Fault &f : faults)
        emu.addFault(f);

    std::printf("%s\n", qPrintable(emu.devicePath()));
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    emu.stop();
    return 0;
}
