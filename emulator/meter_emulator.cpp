#include "emulator/meter_emulator.h"
#include "emulator/parity_looks.h"
#include "link/frame.h"
#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace ormix::link;

namespace ormix::emulator {

Q_LOGGING_CATEGORY(lcEmulator, "ormix.emulator", QtWarningMsg)

namespace {

// How often a quiet pty is looked at: often enough to see a sender's mark parity during
// the 10 ms it waits before switching to space.
constexpr int kLookEveryMs = 4;

qint64 SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString Stamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString ParityText(const std::vector<LineParity> &parity) {
    QString s;
    for (LineParity p : parity) {
        switch (p) {
        case LineParity::Mark:
            s += 'M';
            break;
        case LineParity::Space:
            s += 'S';
            break;
        case LineParity::Other:
            s += 'N';
            break;
        case LineParity::Unknown:
            s += '?';
            break;
        }
    }
    return s;
}

speed_t SpeedFor(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

} // namespace

struct MeterEmulator::Impl {
    EmulatorOptions opts;
    mutable std::mutex mutex;
    std::unique_ptr<MeterModel> model;
    FaultList faults;
    std::vector<ObservedRequest> seen;
    int violations = 0;
    int notObserved = 0;
    LineLook lastLook; // the last pinned look at the sender's settings (pty only)
    QString path, error;
    int fd = -1;      // pty master or the device
    int slaveFd = -1; // held open so the master never sees a hang-up between clients
    int stopFd = -1;
    bool isPty = false;
    bool markedParity = false; // a real port that reports mark bytes through PARMRK
    std::thread thread;

    void log(const QString &line) {
        if (opts.log) opts.log(line);
    }
    bool fail(const QString &what) {
        error = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(strerror(errno)));
        closeAll();
        return false;
    }
    void closeAll() {
        for (int *f : {&fd, &slaveFd, &stopFd}) {
            if (*f >= 0) ::close(*f);
            *f = -1;
        }
    }
    bool openLine();
    void run();
    LineParity observeParity() const;
    bool readPty(RequestFramer &framer, std::vector<LineLook> &looks,
                 std::vector<RequestFramer::Event> &events);
    void handle(const RequestFramer::Event &e);
    void logParitySummary();
    bool writeAll(const QByteArray &bytes);
    bool waitMs(int ms); // false when asked to stop
    void saveState();
};

bool MeterEmulator::Impl::openLine() {
    if (opts.port.isEmpty()) {
        fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return fail(QStringLiteral("posix_openpt"));
        char name[128];
        if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0)
            return fail(QStringLiteral("pseudo-terminal"));
        path = QString::fromLocal8Bit(name);
        slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (slaveFd < 0) return fail(path);
        isPty = true;
        termios t{};
        if (tcgetattr(slaveFd, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(slaveFd, TCSANOW, &t);
        }
    } else {
        path = opts.port;
        fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return fail(path);
        termios t{};
        if (tcgetattr(fd, &t) != 0) return fail(path);
        cfmakeraw(&t);
        // Space parity, checked and marked: a byte sent with mark parity arrives as a
        // parity error, which PARMRK turns into FF 00 b.
        t.c_cflag &= ~(PARODD | CSTOPB);
        t.c_cflag |= PARENB | CMSPAR | CLOCAL | CREAD;
        t.c_iflag |= INPCK | PARMRK;
        t.c_iflag &= ~(IGNPAR | ISTRIP);
        if (opts.baud > 0) {
            const speed_t sp = SpeedFor(opts.baud);
            if (sp == B0) {
                errno = EINVAL;
                return fail(QStringLiteral("baud %1").arg(opts.baud));
            }
            cfsetispeed(&t, sp);
            cfsetospeed(&t, sp);
        }
        if (tcsetattr(fd, TCSANOW, &t) != 0) return fail(path);
        // Some adapters drop CMSPAR without saying so; then parity is not seen at all.
        termios back{};
        markedParity = tcgetattr(fd, &back) == 0 && (back.c_cflag & CMSPAR) &&
                       (back.c_cflag & PARENB) && (back.c_iflag & PARMRK);
        if (!markedParity) {
            back.c_cflag &= ~(PARENB | PARODD | CMSPAR);
            back.c_iflag &= ~(INPCK | PARMRK);
            tcsetattr(fd, TCSANOW, &back);
            log(QStringLiteral("%1: the driver keeps no mark/space parity; requests are framed "
                               "by their length byte only")
                    .arg(path));
        }
    }
    stopFd = eventfd(0, EFD_NONBLOCK);
    if (stopFd < 0) return fail(QStringLiteral("eventfd"));
    return true;
}

LineParity MeterEmulator::Impl::observeParity() const {
    if (!isPty) return LineParity::Unknown;
    // The pty keeps CMSPAR and PARODD of the sender's settings visible, not PARENB.
    termios t{};
    if (tcgetattr(fd, &t) != 0) return LineParity::Unknown;
    if (!(t.c_cflag & CMSPAR)) return LineParity::Other;
    return (t.c_cflag & PARODD) ? LineParity::Mark : LineParity::Space;
}

// Reads what waits on the pty and then looks at the sender's settings, until a look is
// pinned: taken when every byte written before it had been read, shown by a read right
// after it that finds nothing. False when the line has hung up.
bool MeterEmulator::Impl::readPty(RequestFramer &framer, std::vector<LineLook> &looks,
                                  std::vector<RequestFramer::Event> &events) {
    for (;;) {
        const LineParity now = observeParity();
        char buf[512];
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got > 0) {
            auto more = framer.push(QByteArray(buf, got), LineParity::Unknown, SteadyMs());
            events.insert(events.end(), more.begin(), more.end());
            continue; // the look may have come before some of these bytes: look again
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno != EAGAIN) return false;
        if (got == 0) return false;
        const LineLook look{framer.received(), now};
        if (looks.empty() || !(looks.back() == look)) looks.push_back(look);
        std::lock_guard lock(mutex);
        lastLook = look;
        return true;
    }
}

void MeterEmulator::Impl::run() {
    RequestFramer framer;
    ParityMarkDecoder marks;
    std::vector<LineLook> looks;
    for (;;) {
        int timeout = framer.pending() ? int(kRequestGapMs / 2) : -1;
        if (isPty) timeout = timeout < 0 ? kLookEveryMs : std::min(timeout, kLookEveryMs);
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int n = ::poll(fds, 2, timeout);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || (fds[1].revents & POLLIN)) return;
        std::vector<RequestFramer::Event> events;
        if (isPty) {
            if (!readPty(framer, looks, events) && !waitMs(50)) return;
        } else if (fds[0].revents & POLLIN) {
            char buf[512];
            const ssize_t got = ::read(fd, buf, sizeof buf);
            if (got > 0 && markedParity) {
                for (const auto &run : marks.feed(QByteArray(buf, got))) {
                    auto more = framer.push(run.bytes, run.parity, SteadyMs());
                    events.insert(events.end(), more.begin(), more.end());
                }
            } else if (got > 0) {
                events = framer.push(QByteArray(buf, got), LineParity::Unknown, SteadyMs());
            } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                // A hung-up device (an adapter pulled out) stays readable and yields
                // nothing: look again now and then instead of spinning.
                if (!waitMs(50)) return;
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            if (!waitMs(50)) return; // a device gone away; keep trying until stopped
        }
        if (events.empty() && framer.pending()) events = framer.idle(SteadyMs());
        for (auto &e : events) {
            if (isPty) JudgeByLooks(e.request, looks);
            handle(e);
        }
        // Looks before the bytes still waiting to be framed can judge nothing more.
        const qint64 keepFrom = framer.pendingOffset();
        std::erase_if(looks, [keepFrom](const LineLook &l) { return l.position < keepFrom; });
    }
}

void MeterEmulator::Impl::handle(const RequestFramer::Event &e) {
    const ObservedRequest &req = e.request;
    const std::uint8_t code = req.bytes.isEmpty() ? 0 : static_cast<std::uint8_t>(req.bytes[0]);
    if (opts.logFrames)
        log(QStringLiteral("%1 RX %2[%3]")
                .arg(Stamp(), HexBytes(req.bytes), ParityText(req.parity)));
    ReplyPlan plan;
    {
        std::lock_guard lock(mutex);
        seen.push_back(req);
        if (req.verdict == ParityVerdict::NotObserved) ++notObserved;
        if (req.verdict == ParityVerdict::Violation) {
            // A meter waiting for its address never takes such a request.
            ++violations;
            if (opts.logParity)
                log(QStringLiteral("%1 parity: request %2sent as %3: %4 (want M then S)")
                        .arg(Stamp(), HexBytes(req.bytes), ParityText(req.parity), req.violation));
            return;
        }
        const std::vector<Fault> fs = faults.take(code);
        QByteArray reply;
        if (e.type == RequestFramer::Event::BadLength)
            reply = MakeErrorReply(code, MeterError::WrongLength);
        else if (FaultsCarryOut(fs))
            reply = model->handle(req.bytes);
        plan = ShapeReply(fs, code, reply);
        if (model->takeChanged()) saveState();
    }
    if (plan.pieces.empty()) return;
    if (!waitMs(opts.replyDelayMs + plan.delayMs)) return;
    for (size_t i = 0; i < plan.pieces.size(); ++i) {
        if (i > 0 && !waitMs(plan.pauseMs)) return;
        if (opts.logFrames) log(QStringLiteral("%1 TX %2").arg(Stamp(), HexBytes(plan.pieces[i])));
        if (!writeAll(plan.pieces[i])) return;
    }
}

bool MeterEmulator::Impl::waitMs(int ms) {
    if (ms <= 0) return true;
    pollfd p{stopFd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 0;
}

bool MeterEmulator::Impl::writeAll(const QByteArray &bytes) {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    // At a given rate each byte takes 11 bit times (start, 8 data, parity, stop).
    const qsizetype step = opts.baud > 0 ? 1 : bytes.size();
    for (qsizetype at = 0; at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + at, std::min(step, bytes.size() - at));
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            qCWarning(lcEmulator) << "write failed:" << strerror(errno);
            return false;
        }
        if (n < 0) {
            pollfd fds[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
            if (::poll(fds, 2, 1000) <= 0 || (fds[1].revents & POLLIN)) return false;
            continue;
        }
        at += n;
        if (opts.baud > 0) {
            const auto due = start + microseconds(at * 11'000'000LL / opts.baud);
            const auto left = duration_cast<milliseconds>(due - steady_clock::now()).count();
            if (left > 0 && !waitMs(int(left))) return false;
        }
    }
    return true;
}

void MeterEmulator::Impl::logParitySummary() {
    const qsizetype shown = std::count_if(seen.begin(), seen.end(), [](const ObservedRequest &r) {
        return r.verdict == ParityVerdict::MarkThenSpace;
    });
    log(QStringLiteral("parity: %1 requests, %2 shown mark then space, %3 not observed, %4 "
                       "shown sent otherwise")
            .arg(seen.size())
            .arg(shown)
            .arg(notObserved)
            .arg(violations));
}

void MeterEmulator::Impl::saveState() {
    if (opts.stateFile.isEmpty()) return;
    QSaveFile f(opts.stateFile);
    if (!f.open(QIODevice::WriteOnly) || f.write(MeterStateToJson(model->state())) < 0 ||
        !f.commit())
        log(QStringLiteral("cannot save the state to %1: %2").arg(opts.stateFile, f.errorString()));
}

MeterEmulator::MeterEmulator(EmulatorOptions options) : d(std::make_unique<Impl>()) {
    d->opts = std::move(options);
    const qint64 now = d->opts.clock ? d->opts.clock() : QDateTime::currentMSecsSinceEpoch();
    MeterState s = DefaultMeterState(now);
    s.firmware = d->opts.firmware;
    s.number = d->opts.number & 0xFFFFFF;
    s.password = d->opts.password;
    s.driftPerDay = d->opts.driftPerDay;
    s.status = d->opts.status;
    d->model = std::make_unique<MeterModel>(s, d->opts.clock);
    d->model->setEnergyReply(d->opts.energyReply);
}

MeterEmulator::~MeterEmulator() {
    stop();
}

bool MeterEmulator::start() {
    if (d->thread.joinable()) return true;
    if (!d->opts.stateFile.isEmpty() && QFile::exists(d->opts.stateFile)) {
        QFile f(d->opts.stateFile);
        if (!f.open(QIODevice::ReadOnly)) {
            d->error = QStringLiteral("%1: %2").arg(d->opts.stateFile, f.errorString());
            return false;
        }
        MeterState s;
        QString why;
        std::lock_guard lock(d->mutex);
        if (!MeterStateFromJson(f.readAll(), d->model->state(), s, why)) {
            d->error = QStringLiteral("%1: %2").arg(d->opts.stateFile, why);
            return false;
        }
        // Energy and operating time stood still while the meter was unpowered.
        s.lastAdvanceMs = d->opts.clock ? d->opts.clock() : QDateTime::currentMSecsSinceEpoch();
        d->model->setState(s);
    }
    if (!d->openLine()) return false;
    d->thread = std::thread([this] { d->run(); });
    return true;
}

void MeterEmulator::stop() {
    if (!d->thread.joinable()) return;
    const std::uint64_t one = 1;
    if (::write(d->stopFd, &one, sizeof one) < 0) qCWarning(lcEmulator) << "cannot stop the thread";
    d->thread.join();
    {
        std::lock_guard lock(d->mutex);
        d->saveState();
        if (d->opts.logParity) d->logParitySummary();
    }
    d->closeAll();
}

QString MeterEmulator::lastError() const {
    return d->error;
}
QString MeterEmulator::devicePath() const {
    return d->path;
}

void MeterEmulator::addFault(const Fault &fault) {
    std::lock_guard lock(d->mutex);
    d->faults.add(fault);
}

void MeterEmulator::clearFaults() {
    std::lock_guard lock(d->mutex);
    d->faults.clear();
}

int MeterEmulator::parityViolations() const {
    std::lock_guard lock(d->mutex);
    return d->violations;
}

std::vector<ObservedRequest> MeterEmulator::requestsSeen() const {
    std::lock_guard lock(d->mutex);
    return d->seen;
}

int MeterEmulator::parityNotObserved() const {
    std::lock_guard lock(d->mutex);
    return d->notObserved;
}

LineLook MeterEmulator::lastLook() const {
    std::lock_guard lock(d->mutex);
    return d->lastLook;
}

void MeterEmulator::clearRequestsSeen() {
    std::lock_guard lock(d->mutex);
    d->seen.clear();
    d->violations = 0;
    d->notObserved = 0;
}

MeterState MeterEmulator::state() const {
    std::lock_guard lock(d->mutex);
    return d->model->state();
}

void MeterEmulator::setState(const MeterState &state) {
    std::lock_guard lock(d->mutex);
    d->model->setState(state);
}

bool MeterEmulator::accessOpen() const {
    std::lock_guard lock(d->mutex);
    return d->model->accessOpen();
}

} // namespace ormix::emulator
