// POSIX backend of TVaComm: termios, poll() and eventfd.
#include "link/link_log.h"
#include "link/vacomm_device.h"
#include "link/vasync.h"

#include <QFile>
#include <QLoggingCategory>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace ormix::link {

int VaSetCustomBaud(int fd, int baud); // vacomm_posix_baud.cpp

namespace {

QString OsText(int code) {
    char buf[256];
    // GNU strerror_r returns the text, which may not be buf.
    const char *text = strerror_r(code, buf, sizeof buf);
    return QString::fromLocal8Bit(text);
}

// "Write error (%d), %s" and the like: the OS's code and its text.
[[noreturn]] void Raise(const char *what, int code) {
    throw EVaCommError(
        QStringLiteral("%1 (%2), %3").arg(QLatin1String(what)).arg(code).arg(OsText(code)));
}

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : int(left.count());
}

speed_t SpeedOf(int baud) {
    switch (baud) {
    case 110:
        return B110;
    case 300:
        return B300;
    case 600:
        return B600;
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
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return 0;
    }
}

bool NoSuchIoctl(int code) {
    return code == ENOTTY || code == EINVAL;
}

} // namespace

// ---- thin wrappers -------------------------------------------------------------------

TVaHandleObject::~TVaHandleObject() {
    if (handle_ != kVaInvalidHandle) ::close(int(handle_));
}

TVaWaitResult TVaHandleObject::WaitFor(int timeoutMs) const {
    if (handle_ == kVaInvalidHandle) return wrError;
    pollfd p{int(handle_), POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return wrError;
    if (r == 0) return wrTimeout;
    if (p.revents & (POLLERR | POLLNVAL)) return wrAbandoned;
    return wrSignaled;
}

int TVaHandleObject::WaitForEither(const TVaHandleObject &a, const TVaHandleObject &b,
                                   int timeoutMs) {
    pollfd p[2] = {{int(a.handle_), POLLIN, 0}, {int(b.handle_), POLLIN, 0}};
    int r;
    do {
        r = ::poll(p, 2, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r <= 0) return -1;
    return p[0].revents ? 0 : 1;
}

TVaWaitEvent::TVaWaitEvent() {
    handle_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

void TVaEvent::SetEvent() {
    uint64_t one = 1;
    // The counter only has to be non-zero; a full counter (EAGAIN) is still set.
    [[maybe_unused]] ssize_t n = ::write(int(handle_), &one, sizeof one);
}

void TVaEvent::ResetEvent() {
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(int(handle_), &value, sizeof value);
}

// ---- the device ------------------------------------------------------------------------

namespace {

// What a device that has gone away reports: a hung-up tty (an adapter pulled out, the
// other side of a pseudo-terminal closed) fails every call with EIO; some drivers say
// ENODEV or ENXIO.
bool DeviceGone(int code) {
    return code == EIO || code == ENODEV || code == ENXIO;
}

class TVaPosixDevice final : public TVaCommDevice {
public:
    explicit TVaPosixDevice(int fd) : fd_(fd) {}
    ~TVaPosixDevice() override {
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
    }

    void ApplySettings(const TVaLineSettings &s, bool drained) override;
    void SetupQueues(int readSize, int) override {
        // The kernel's queues have a fixed size; the read size only sets the 80 % mark.
        readSize_ = readSize > 0 ? readSize : 4096;
    }
    void SetReadAtOnce() override {
        // The descriptor is non-blocking and VMIN = VTIME = 0: a read returns what waits.
    }
    void SetEventMask(uint32_t mask) override {
        mask_ = mask;
        CheckCounters(); // the baseline for break and line-error events
    }
    int Write(const char *data, int count, int timeoutMs, const TVaEvent *stop) override;
    bool Drain(int timeoutMs, const TVaEvent *stop) override;
    int Read(char *data, int count) override;
    int InQueue() override;
    int TakeErrors() override;
    void AddErrors(int flags) override {
        std::lock_guard g(countersLock_);
        pendingErrors_ |= flags;
    }
    int ModemState() override;
    uint32_t WaitEvent(const TVaEvent &stop) override;
    void BeginDispatch() override { readsAtDispatch_ = readCount_; }
    void EndDispatch() override;
    void NotifyTxEmpty() override {
        if (!(mask_ & ceTxEmpty)) return;
        txEmpty_ = true;
        wake_.SetEvent();
    }

private:
    uint32_t CheckCounters();

    const int fd_;
    uint32_t mask_ = 0;
    int readSize_ = 4096;
    TVaWaitEvent wake_; // direct writes report output-empty through it

    // Written by the event thread only.
    bool lost_ = false;
    int rxSeen_ = 0; // bytes already reported and left waiting by the handlers
    uint64_t readsAtDispatch_ = 0;
    bool rx80Reported_ = false;
    int lastModem_ = -1;
    bool modemSupported_ = true;

    std::atomic<uint64_t> readCount_{0}; // bytes taken by Read, any thread
    std::atomic<bool> txEmpty_{false};

    std::mutex countersLock_;
    bool icountSupported_ = true;
    bool icountValid_ = false;
    serial_icounter_struct last_{};
    int pendingErrors_ = 0;
};

// Reads the interrupt counters: line events since the last look, errors gathered.
uint32_t TVaPosixDevice::CheckCounters() {
    std::lock_guard g(countersLock_);
    if (!icountSupported_) return 0;
    serial_icounter_struct now{};
    if (::ioctl(fd_, TIOCGICOUNT, &now) != 0) {
        if (NoSuchIoctl(errno)) icountSupported_ = false; // pty: cannot report breaks
        if (DeviceGone(errno)) return kVaDeviceLost;
        return 0;
    }
    uint32_t word = 0;
    if (icountValid_) {
        if (now.brk != last_.brk) word |= ceBreak, pendingErrors_ |= ceBreakError;
        if (now.cts != last_.cts) word |= ceCts;
        if (now.dsr != last_.dsr) word |= ceDsr;
        if (now.rng != last_.rng) word |= ceRing;
        if (now.dcd != last_.dcd) word |= ceRlsd;
        int errors = 0;
        if (now.frame != last_.frame) errors |= ceFrame;
        if (now.parity != last_.parity) errors |= ceRxParity;
        if (now.overrun != last_.overrun) errors |= ceOverrun;
        if (now.buf_overrun != last_.buf_overrun) errors |= ceRxOver;
        if (errors) word |= ceError, pendingErrors_ |= errors;
    }
    last_ = now;
    icountValid_ = true;
    return word;
}

} // namespace

std::unique_ptr<TVaCommDevice> TVaCommDevice::Open(const QString &shownName, const QString &path) {
    const QByteArray native = QFile::encodeName(path);
    int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    int code = errno;
    auto cantOpen = [&](int err) {
        return EVaCommError(QStringLiteral("Can't open specified device %1 (Error %2, %3)")
                                .arg(shownName)
                                .arg(err)
                                .arg(OsText(err)));
    };
    if (fd < 0) {
        // ENXIO/ENODEV: a node without hardware behind it (a ttyS with no UART).
        if (code == ENOENT || code == ENXIO || code == ENODEV)
            throw EVaCommError(QStringLiteral("Specified device not found (%1).").arg(shownName));
        throw cantOpen(code);
    }
    if (!::isatty(fd)) {
        ::close(fd);
        throw cantOpen(ENOTTY);
    }
    // TIOCEXCL keeps other programs out (except privileged ones); the lock also tells
    // us when another program that locks the same way holds the device, root or not.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        code = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        throw cantOpen(code);
    }
    ::ioctl(fd, TIOCEXCL);
    // A freshly opened port starts with empty queues, as on Windows: bytes left in the
    // tty by an earlier session (a reply nobody read) must not meet the first request.
    ::tcflush(fd, TCIOFLUSH);
    return std::make_unique<TVaPosixDevice>(fd);
}

// Waits until the driver's output queue is empty, then until the transmitter is.
// The queue is watched with a bounded poll: tcdrain alone cannot be interrupted.
bool TVaPosixDevice::Drain(int timeoutMs, const TVaEvent *stop) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
        if (stop && stop->IsSet()) return false;
        if (timeoutMs >= 0 && RemainingMs(deadline) == 0) return false;
        if (stop)
            stop->WaitFor(1);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    while (::tcdrain(fd_) != 0 && errno == EINTR) {
    }
    return true;
}

void TVaPosixDevice::ApplySettings(const TVaLineSettings &s, bool drained) {
    const int fd = fd_;
    termios t{};
    if (::tcgetattr(fd, &t) != 0) Raise("Error writing dcb", errno);
    // A rate without a B-constant is set afterwards through termios2.
    const bool customRate = SpeedOf(s.baud) == 0;
    const speed_t speed = customRate ? B38400 : SpeedOf(s.baud);
    if (s.baud <= 0 || s.databits == db4) Raise("Error writing dcb", EINVAL);

    // Raw bytes: no break-to-signal, no CR mapping, no XON/XOFF unless asked, no output
    // processing, no echo; no PARMRK, which would double every received 0xFF.
    ::cfmakeraw(&t);
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | INPCK | IGNPAR);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CREAD | CLOCAL;
    static const tcflag_t sizes[] = {CS5, CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[s.databits];
    switch (s.parity) {
    case paNone:
        break;
    case paOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case paEven:
        t.c_cflag |= PARENB;
        break;
    case paMark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case paSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    // 1.5 stop bits: the UART gives 1.5 for CSTOPB with 5 data bits, 2 otherwise.
    if (s.stopbits != sb1) t.c_cflag |= CSTOPB;
    if (s.options & coParityCheck) t.c_iflag |= INPCK;
    if (s.outCtsFlow || s.controlRts == rtsHandshake) t.c_cflag |= CRTSCTS;
    if (s.xonXoffOut) t.c_iflag |= IXON;
    if (s.xonXoffIn) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = s.xonChar;
    t.c_cc[VSTOP] = s.xoffChar;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);

    // TCSANOW could change the line under bytes still in the adapter; after a drain
    // TCSADRAIN lets the last of them leave first. A line that did not drain in time
    // (held by flow control) must not block the caller: then the change is at once.
    if (::tcsetattr(fd, drained ? TCSADRAIN : TCSANOW, &t) != 0) {
        // glibc reports EINVAL when the driver dropped PARENB or the character size, as a
        // pseudo-terminal always does. The rest was applied: check what matters below.
        const int code = errno;
        termios back{};
        if (code != EINVAL || ::tcgetattr(fd, &back) != 0 || ::cfgetospeed(&back) != speed ||
            (back.c_iflag & (IXON | IXOFF | INPCK | ICRNL)) !=
                (t.c_iflag & (IXON | IXOFF | INPCK | ICRNL)))
            Raise("Error writing dcb", code);
    }
    if (customRate) {
        if (int code = VaSetCustomBaud(fd, s.baud)) Raise("Error writing dcb", code);
    }

    // tcsetattr succeeds even when a flag was dropped. Mark and space parity carry the
    // protocol's address bit, so a driver that lost them must not pass silently. (A
    // pseudo-terminal clears PARENB but keeps CMSPAR and PARODD: that is accepted.)
    if (s.parity == paMark || s.parity == paSpace) {
        termios back{};
        if (::tcgetattr(fd, &back) != 0) Raise("Error writing dcb", errno);
        const bool odd = back.c_cflag & PARODD;
        if (!(back.c_cflag & CMSPAR) || odd != (s.parity == paMark))
            Raise("Error writing dcb", EOPNOTSUPP);
    }

    auto setLine = [fd](int bit, bool on) {
        if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit) != 0 && !NoSuchIoctl(errno))
            Raise("Error writing dcb", errno);
    };
    if (s.controlDtr != dtrHandshake) setLine(TIOCM_DTR, s.controlDtr == dtrEnabled);
    if (s.controlRts == rtsEnabled || s.controlRts == rtsDisabled)
        setLine(TIOCM_RTS, s.controlRts == rtsEnabled);
}

int TVaPosixDevice::Write(const char *data, int count, int timeoutMs, const TVaEvent *stop) {
    if (count <= 0) return 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    int done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, data + done, size_t(count - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) Raise("Write error", errno);
        // The driver is full: wait for room, for the stop signal or the time-out.
        pollfd p[2] = {{fd_, POLLOUT, 0}, {stop ? int(stop->Handle()) : -1, POLLIN, 0}};
        int wait = timeoutMs < 0 ? -1 : RemainingMs(deadline);
        if (timeoutMs >= 0 && wait == 0) return 0;
        int r = ::poll(p, 2, wait);
        if (r < 0 && errno != EINTR) Raise("Write error", errno);
        if (p[1].revents) return 0;
        if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) Raise("Write error", EIO);
    }
    return done;
}

int TVaPosixDevice::Read(char *data, int count) {
    if (count <= 0) return 0;
    ssize_t n;
    do {
        n = ::read(fd_, data, size_t(count));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        // Nothing waiting, or the device went away under us: nothing to read.
        if (errno == EAGAIN || DeviceGone(errno)) return 0;
        Raise("Read error", errno);
    }
    readCount_ += uint64_t(n);
    return int(n);
}

int TVaPosixDevice::InQueue() {
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0) {
        if (DeviceGone(errno)) return 0;
        Raise("Error retrieving statistics", errno);
    }
    return n;
}

int TVaPosixDevice::TakeErrors() {
    CheckCounters();
    std::lock_guard g(countersLock_);
    int errors = pendingErrors_;
    pendingErrors_ = 0;
    return errors;
}

int TVaPosixDevice::ModemState() {
    int bits = 0;
    if (::ioctl(fd_, TIOCMGET, &bits) != 0) {
        // A pseudo-terminal has no modem lines: they count as off.
        if (NoSuchIoctl(errno) || DeviceGone(errno)) return 0;
        Raise("Error reading modem state", errno);
    }
    int state = 0;
    if (bits & TIOCM_CTS) state |= 1;
    if (bits & TIOCM_DSR) state |= 2;
    if (bits & TIOCM_RNG) state |= 4;
    if (bits & TIOCM_CAR) state |= 8;
    return state;
}

void TVaPosixDevice::EndDispatch() {
    // A handler that read has seen everything before; what waits now is new. A handler
    // that read nothing is not told again about the same bytes.
    if (readCount_ != readsAtDispatch_) {
        rxSeen_ = 0;
        return;
    }
    int n = 0;
    rxSeen_ = ::ioctl(fd_, FIONREAD, &n) == 0 ? n : 0;
    readsAtDispatch_ = readCount_;
}

uint32_t TVaPosixDevice::WaitEvent(const TVaEvent &stop) {
    const uint32_t rxMask = ceRxChar | ceRxFlag | ceRx80Full;
    const uint32_t counterMask = ceBreak | ceError | ceCts | ceDsr | ceRing | ceRlsd;
    const uint32_t modemMask = ceCts | ceDsr | ceRing | ceRlsd;
    for (;;) {
        if (stop.IsSet()) return 0;
        if (lost_) return kVaDeviceLost;
        uint32_t word = 0;
        if (txEmpty_.exchange(false)) word |= ceTxEmpty;
        if (mask_ & counterMask) word |= CheckCounters();
        if (!icountSupported_ && (mask_ & modemMask) && modemSupported_) {
            int bits = 0;
            if (::ioctl(fd_, TIOCMGET, &bits) == 0) {
                if (lastModem_ >= 0) {
                    int changed = bits ^ lastModem_;
                    if (changed & TIOCM_CTS) word |= ceCts;
                    if (changed & TIOCM_DSR) word |= ceDsr;
                    if (changed & TIOCM_RNG) word |= ceRing;
                    if (changed & TIOCM_CAR) word |= ceRlsd;
                }
                lastModem_ = bits;
            } else {
                if (DeviceGone(errno)) word |= kVaDeviceLost;
                modemSupported_ = false;
            }
        }
        if (mask_ & rxMask) {
            int queued = 0;
            if (::ioctl(fd_, FIONREAD, &queued) != 0) {
                if (DeviceGone(errno)) word |= kVaDeviceLost;
                queued = 0;
            }
            if (readCount_ != readsAtDispatch_ || queued < rxSeen_) rxSeen_ = 0;
            if (queued > rxSeen_) word |= ceRxChar;
            if (queued * 5 >= readSize_ * 4) {
                if (!rx80Reported_) word |= ceRx80Full;
                rx80Reported_ = true;
            } else {
                rx80Reported_ = false;
            }
        }
        word &= mask_ | kVaDeviceLost;
        if (word & kVaDeviceLost) {
            qCInfo(lcLink) << "serial device gone";
            lost_ = true;
        }
        if (word) return word;

        const bool watchDevice = (mask_ & rxMask) && rxSeen_ == 0;
        int timeout = -1;
        if ((mask_ & rxMask) && rxSeen_ > 0) timeout = 10; // bytes left waiting: look again
        if ((mask_ & counterMask) && icountSupported_) timeout = 20;
        if ((mask_ & modemMask) && !icountSupported_ && modemSupported_) timeout = 20;
        pollfd p[3] = {{int(stop.Handle()), POLLIN, 0},
                       {int(wake_.Handle()), POLLIN, 0},
                       {watchDevice ? fd_ : -1, POLLIN, 0}};
        // A device that has gone away is reported by the next round's ioctls; one that
        // hangs up with nothing to read says so here.
        int r = ::poll(p, 3, timeout);
        if (r < 0) {
            if (errno != EINTR) return 0; // the thread tries again
            continue;
        }
        if (p[1].revents) wake_.ResetEvent();
        if ((p[2].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(p[2].revents & POLLIN))
            lost_ = true;
    }
}

long VaCurrentThreadId() {
    return long(::syscall(SYS_gettid));
}

void VaSetThreadPriority(long threadId, TVaThreadPriority priority) {
    static const int nice[] = {19, 10, 5, 0, -5, -10, -20};
    // Raising a priority needs privileges; without them the thread keeps its own.
    ::setpriority(PRIO_PROCESS, id_t(threadId), nice[priority]);
}

void VaSleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace ormix::link
