#include "link/error_report.h"
#include "link/port_setup.h"
#include "link/vacomm.h"
#include "pty_pair.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <termios.h>
#include <thread>
#include <time.h>

using namespace ormix::link;

namespace {

// Spins the event loop until `done` holds or `timeoutMs` passes.
template <typename F> bool WaitUntil(F done, int timeoutMs = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

int CountEntries(const char *dir) {
    return int(QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

QString ErrorOf(const std::function<void()> &f) {
    try {
        f();
    } catch (const EVaCommError &e) {
        return e.text;
    }
    return {};
}

QByteArray AllByteValues() {
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    return all;
}

class VaCommTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
        qunsetenv("ORMIX_PORTS");
        ASSERT_TRUE(pty.Ok());
        comm.SetDeviceName(pty.slavePath);
    }
    QTemporaryDir config;
    PtyPair pty;
    TVaComm comm;
};

TEST_F(VaCommTest, MovesEveryByteValueBothWays) {
    comm.SetDirectWrite(true);
    comm.Open();
    ASSERT_TRUE(comm.Active());
    const QByteArray all = AllByteValues();
    EXPECT_TRUE(comm.WriteText(all));
    EXPECT_EQ(pty.Receive(all.size()), all);

    ASSERT_TRUE(pty.Send(all));
    QByteArray got;
    EXPECT_TRUE(WaitUntil([&] {
        got += comm.ReadText();
        return got.size() >= all.size();
    }));
    EXPECT_EQ(got, all);
    comm.Close();
    EXPECT_FALSE(comm.Active());
}

TEST_F(VaCommTest, OpenCloseCyclesLeaveNoThreadOrDescriptor) {
    int opened = 0, closed = 0;
    comm.OnOpen = [&](TVaCustomComm *) { ++opened; };
    comm.OnClose = [&](TVaCustomComm *) { ++closed; };
    comm.SetMonitorEvents(ceRxChar | ceBreak | ceError);
    comm.Open(); // the first cycle may leave Qt's own lazily made objects behind
    comm.Close();
    const int fds = CountEntries("/proc/self/fd");
    const int tasks = CountEntries("/proc/self/task");
    for (bool direct : {true, false, true, false}) {
        comm.SetDirectWrite(direct);
        comm.Open();
        EXPECT_TRUE(comm.Active());
        EXPECT_TRUE(comm.WriteText("x"));
        EXPECT_EQ(pty.Receive(1), "x");
        comm.Close();
        EXPECT_FALSE(comm.Active());
    }
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    EXPECT_EQ(CountEntries("/proc/self/task"), tasks);
    EXPECT_EQ(opened, 5);
    EXPECT_EQ(closed, 5);
    comm.Close(); // closed: nothing happens, no OnClose
    EXPECT_EQ(closed, 5);
}

TEST_F(VaCommTest, RefusedPropertiesRaiseWhileOpenAndKeepTheirValue) {
    comm.SetPortNum(4);
    comm.Open();
    const QString busy = "Can't perform this operation while port is open";
    const QString path = comm.DeviceName();
    struct Case {
        const char *name;
        std::function<void()> set;
        std::function<bool()> unchanged;
    } cases[] = {
        {"Open", [&] { comm.Open(); }, [&] { return comm.Active(); }},
        {"PortNum same value", [&] { comm.SetPortNum(4); }, [&] { return comm.PortNum() == 4; }},
        {"PortNum", [&] { comm.SetPortNum(5); }, [&] { return comm.PortNum() == 4; }},
        {"DeviceName", [&] { comm.SetDeviceName("COM%d"); },
         [&] { return comm.DeviceName() == path; }},
        {"MonitorEvents", [&] { comm.SetMonitorEvents(ceBreak); },
         [&] { return comm.MonitorEvents() == (ceError | ceRxChar | ceTxEmpty); }},
        {"DirectWrite", [&] { comm.SetDirectWrite(true); }, [&] { return !comm.DirectWrite(); }},
        {"UpdateDCB", [&] { comm.SetUpdateDCB(false); }, [&] { return comm.UpdateDCB(); }},
        {"Buffers field", [&] { comm.Buffers().SetReadTimeout(5); },
         [&] { return comm.Buffers().ReadTimeout() == 1000; }},
        {"Buffers group",
         [&] {
             TVaBuffers b;
             b.SetWriteSize(16);
             comm.SetBuffers(b);
         },
         [&] { return comm.Buffers().WriteSize() == 2048; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorOf(c.set), busy);
        EXPECT_TRUE(c.unchanged());
    }
    // Applied ones go through while open.
    EXPECT_NO_THROW(comm.SetBaudrate(br9600));
    EXPECT_NO_THROW(comm.FlowControl().SetControlRts(rtsEnabled));
    EXPECT_NO_THROW(comm.EventChars().SetXonChar(0x12));
    EXPECT_TRUE(comm.WriteText("ok"));
}

TEST(VaCommProperties, DefaultsAndTheBaudratePair) {
    TVaComm c;
    EXPECT_EQ(c.Baudrate(), br1200);
    EXPECT_EQ(c.Parity(), paNone);
    EXPECT_EQ(c.DeviceName(), "COM%d");
    EXPECT_EQ(c.PortNum(), 0);
    EXPECT_FALSE(c.DirectWrite());
    EXPECT_TRUE(c.UpdateDCB());
    EXPECT_EQ(c.MonitorEvents(), ceError | ceRxChar | ceTxEmpty);
    EXPECT_EQ(c.Buffers().ReadSize(), 4096);
    EXPECT_EQ(c.Buffers().WriteSize(), 2048);
    EXPECT_EQ(c.EventChars().XoffChar(), 0x13);
    EXPECT_EQ(c.FlowControl().ControlRts(), rtsDisabled);
    EXPECT_EQ(c.WritePriority(), tpHighest);

    c.SetUserBaudrate(57600);
    EXPECT_EQ(c.Baudrate(), brUser);
    c.SetBaudrate(br9600);
    EXPECT_EQ(c.UserBaudrate(), 0);
    EXPECT_EQ(BaudrateValue(br9600), 9600);
    EXPECT_EQ(BaudrateValue(br256000), 256000);

    // A closed port: writes report nothing, reads yield nothing, lines are off.
    EXPECT_TRUE(c.WriteText(""));
    EXPECT_FALSE(c.WriteText("abc"));
    EXPECT_FALSE(c.WriteChar('a'));
    EXPECT_EQ(c.ReadText(), QByteArray());
    EXPECT_EQ(c.InQueCount(), 0);
    EXPECT_FALSE(c.GetModemState(2));
}

TEST(VaCommProperties, AGroupAssignedWholeNotifiesOnce) {
    TVaFlowControl f;
    int notices = 0;
    f.OnChange = [&] { ++notices; };
    TVaFlowControl other;
    other.SetControlRts(rtsEnabled);
    other.SetXonXoffIn(true);
    f.Assign(other);
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(f == other);
    f.Assign(other); // nothing differs
    EXPECT_EQ(notices, 1);
    f.SetOutCtsFlow(true);
    EXPECT_EQ(notices, 2);
}

TEST_F(VaCommTest, DeviceNameIsNoFormatString) {
    comm.SetDeviceName("/dev/none%s%n%d%%");
    comm.SetPortNum(7);
    EXPECT_EQ(comm.FormattedDeviceName(), "/dev/none%s%n7%");
}

TEST_F(VaCommTest, OpenFailuresNameTheDeviceAndTheSystemError) {
    TVaComm missing;
    missing.SetDeviceName("/dev/ormix-no-such-tty%d");
    missing.SetPortNum(3);
    EXPECT_EQ(ErrorOf([&] { missing.Open(); }),
              "Specified device not found (/dev/ormix-no-such-tty3).");
    EXPECT_FALSE(missing.Active());

    TVaComm unmapped;
    unmapped.SetPortNum(250);
    EXPECT_EQ(ErrorOf([&] { unmapped.Open(); }), "Specified device not found (COM250).");

    QTemporaryDir dir;
    const QString plain = dir.filePath("file");
    QFile(plain).open(QIODevice::WriteOnly);
    TVaComm notTty;
    notTty.SetDeviceName(plain);
    EXPECT_EQ(ErrorOf([&] { notTty.Open(); }), "Can't open specified device " + plain +
                                                   " (Error 25, Inappropriate ioctl for device)");

    // Another program holds the device.
    const int other = ::open(pty.slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ErrorOf([&] { comm.Open(); }), "Can't open specified device " + pty.slavePath +
                                                 " (Error 16, Device or resource busy)");
    EXPECT_FALSE(comm.Active());
    ::close(other);

    // And the component holds it against another one.
    comm.Open();
    TVaComm second;
    second.SetDeviceName(pty.slavePath);
    EXPECT_EQ(ErrorOf([&] { second.Open(); }), "Can't open specified device " + pty.slavePath +
                                                   " (Error 16, Device or resource busy)");
}

TEST_F(VaCommTest, OpenWithoutPermissionReportsIt) {
    if (::geteuid() == 0) GTEST_SKIP() << "root opens any device";
    ASSERT_EQ(::chmod(pty.slavePath.toLocal8Bit().constData(), 0), 0);
    EXPECT_EQ(ErrorOf([&] { comm.Open(); }),
              "Can't open specified device " + pty.slavePath + " (Error 13, Permission denied)");
}

TEST_F(VaCommTest, ReceivedBytesReachTheUiThreadWithTheirCount) {
    comm.SetDirectWrite(true);
    comm.SetMonitorEvents(ceBreak | ceRxChar);
    QByteArray got;
    bool onUiThread = true;
    bool countMatched = true;
    int events = 0;
    comm.OnRxChar = [&](TVaCustomComm *sender, int count) {
        ++events;
        onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
        const QByteArray chunk = sender->ReadText();
        countMatched = countMatched && count > 0 && chunk.size() >= count;
        got += chunk;
    };
    comm.Open();
    ASSERT_TRUE(pty.Send("\x01\x02\x03\x04\x05"));
    ASSERT_TRUE(WaitUntil([&] { return got.size() >= 5; }));
    ASSERT_TRUE(pty.Send(QByteArray("\r\n\xff\x00\x11\x13", 6)));
    ASSERT_TRUE(WaitUntil([&] { return got.size() >= 11; }));
    EXPECT_EQ(got, QByteArray("\x01\x02\x03\x04\x05\r\n\xff\x00\x11\x13", 11));
    EXPECT_TRUE(onUiThread);
    EXPECT_TRUE(countMatched);
    EXPECT_GE(events, 2);
}

TEST_F(VaCommTest, BytesAHandlerLeavesAreNotReportedAgainUntilMoreCome) {
    comm.SetDirectWrite(true);
    comm.SetMonitorEvents(ceRxChar);
    QList<int> counts;
    comm.OnRxChar = [&](TVaCustomComm *, int count) { counts.append(count); };
    comm.Open();
    ASSERT_TRUE(pty.Send("abc"));
    ASSERT_TRUE(WaitUntil([&] { return !counts.isEmpty(); }));
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(counts, QList<int>{3});
    ASSERT_TRUE(pty.Send("de"));
    ASSERT_TRUE(WaitUntil([&] { return counts.size() == 2; }));
    EXPECT_EQ(counts.last(), 5);
    EXPECT_EQ(comm.ReadText(), "abcde");
}

// The bytes were taken before the event reached the UI thread: no OnRxChar for nothing.
TEST_F(VaCommTest, AnEventThatFindsTheQueueEmptyRaisesNoRxChar) {
    comm.SetDirectWrite(true);
    comm.SetMonitorEvents(ceRxChar);
    int events = 0;
    comm.OnRxChar = [&](TVaCustomComm *, int) { ++events; };
    comm.Open();
    ASSERT_TRUE(pty.Send("abc"));
    QThread::msleep(100); // the event thread has handed the event over and waits
    EXPECT_EQ(comm.ReadText(), "abc");
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(events, 0);
    ASSERT_TRUE(pty.Send("d")); // later bytes are reported as usual
    EXPECT_TRUE(WaitUntil([&] { return events == 1; }));
}

TEST_F(VaCommTest, HandlerExceptionsGoToTheErrorReport) {
    QStringList reports;
    SetErrorReportHandler([&](const QString &m) { reports.append(m); });
    comm.SetMonitorEvents(ceRxChar);
    comm.OnRxChar = [](TVaCustomComm *sender, int) {
        sender->ReadText();
        throw EVaCommError("handler failed");
    };
    comm.OnOpen = [](TVaCustomComm *) { throw std::runtime_error("open handler failed"); };
    comm.Open();
    EXPECT_TRUE(comm.Active());
    ASSERT_TRUE(pty.Send("z"));
    EXPECT_TRUE(WaitUntil([&] { return reports.size() == 2; }));
    SetErrorReportHandler(nullptr);
    EXPECT_EQ(reports, (QStringList{"open handler failed", "handler failed"}));
}

// Both ways of writing report output-empty: the write thread itself, or the event
// thread after a direct write.
TEST_F(VaCommTest, OutputEmptyReachesTheUiThread) {
    for (bool direct : {false, true}) {
        SCOPED_TRACE(direct ? "direct write" : "write thread");
        comm.SetDirectWrite(direct);
        int empties = 0;
        bool onUiThread = false;
        comm.OnTxEmpty = [&](TVaCustomComm *) {
            ++empties;
            onUiThread = QThread::currentThread() == qApp->thread();
        };
        comm.Open();
        const QByteArray all = AllByteValues();
        EXPECT_TRUE(comm.WriteText(all));
        EXPECT_EQ(pty.Receive(all.size()), all);
        EXPECT_TRUE(WaitUntil([&] { return empties >= 1; }));
        EXPECT_TRUE(onUiThread);
        comm.Close();
    }
}

TEST_F(VaCommTest, AWriteTheDeviceRefusesReachesOnError) {
    QList<int> errors;
    comm.OnError = [&](TVaCustomComm *, int flags) { errors.append(flags); };
    comm.Open();
    pty.CloseMaster();
    EXPECT_TRUE(comm.WriteText("lost")); // queued: the failure comes later
    ASSERT_TRUE(WaitUntil([&] { return !errors.isEmpty(); }));
    EXPECT_EQ(errors, QList<int>{0x0400}); // CE_IOE
    // The queue was dropped, so the thread does not retry for ever and room is back.
    EXPECT_TRUE(comm.WriteText(QByteArray(2048, 'x')));
}

// Nobody reads the other end: a direct write gives up after ReadTimeout, reporting 0.
TEST_F(VaCommTest, ADirectWriteTheDeviceDoesNotTakeReportsNothingInTime) {
    TVaBuffers quick;
    quick.SetReadTimeout(200);
    comm.SetBuffers(quick);
    comm.SetDirectWrite(true);
    comm.Open();
    QElapsedTimer t;
    t.start();
    int written = -1;
    EXPECT_NO_THROW(written = comm.Write(QByteArray(1 << 20, 'x').constData(), 1 << 20));
    EXPECT_EQ(written, 0);
    EXPECT_GE(t.elapsed(), 150);
    EXPECT_TRUE(comm.Active());
}

TEST_F(VaCommTest, AFullWriteQueueWaitsForRoomThenGivesUp) {
    TVaBuffers small;
    small.SetWriteSize(16);
    small.SetWriteTimeout(200);
    comm.SetBuffers(small);
    comm.Open();
    // Room comes as the thread drains: the second write waits for it and goes through.
    EXPECT_TRUE(comm.WriteText("0123456789"));
    EXPECT_TRUE(comm.WriteText("abcdefghij"));
    EXPECT_EQ(pty.Receive(20), "0123456789abcdefghij");
    // More than the queue can ever hold.
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(ErrorOf([&] { comm.WriteText(QByteArray(17, 'x')); }),
              "Output buffer is full. Please check comm status.");
    EXPECT_GE(t.elapsed(), 150);
}

TEST_F(VaCommTest, LineSettingsReachTheDeviceOrAreRefusedWithTheirOldValue) {
    comm.SetDirectWrite(true);
    comm.SetBaudrate(br14400); // no B-constant: set through termios2
    comm.Open();
    auto speed = [&] {
        termios t{};
        ::tcgetattr(pty.master, &t);
        return ::cfgetospeed(&t);
    };
    EXPECT_EQ(speed(), speed_t(0010000)); // BOTHER, from the kernel's termbits
    comm.SetBaudrate(br4800);
    EXPECT_EQ(speed(), speed_t(B4800));
    comm.SetUserBaudrate(57600);
    EXPECT_EQ(speed(), speed_t(B57600));
    EXPECT_EQ(comm.Baudrate(), brUser);

    // Raw mode: no flow control characters, no CR mapping, no processing on either side.
    termios t{};
    ::tcgetattr(pty.master, &t);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | BRKINT | PARMRK | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    comm.FlowControl().SetXonXoffOut(true);
    ::tcgetattr(pty.master, &t);
    EXPECT_TRUE(t.c_iflag & IXON);

    EXPECT_EQ(ErrorOf([&] { comm.SetDatabits(db4); }), "Error writing dcb (22), Invalid argument");
    EXPECT_EQ(comm.Databits(), db8);
    EXPECT_TRUE(comm.Active());
}

TEST_F(VaCommTest, ParityChangesForTheNextByteWritten) {
    comm.SetDirectWrite(true);
    comm.SetParity(paMark);
    comm.Open();
    // The pty keeps CMSPAR and PARODD visible on the master side: read them per byte.
    std::atomic<int> received{0};
    std::vector<tcflag_t> flags;
    std::thread reader([&] {
        while (received < 4) {
            const QByteArray chunk = pty.Receive(1, 3000);
            if (chunk.isEmpty()) break;
            termios t{};
            ::tcgetattr(pty.master, &t);
            for (int i = 0; i < chunk.size(); ++i)
                flags.push_back(t.c_cflag & (CMSPAR | PARODD));
            received += int(chunk.size());
        }
    });
    EXPECT_TRUE(comm.WriteChar('\x05'));
    for (int i = 0; i < 5000 && received < 1; ++i)
        QThread::msleep(1);
    comm.SetParity(paSpace);
    EXPECT_TRUE(comm.WriteText("\x06\x07\x08"));
    reader.join();
    ASSERT_EQ(flags.size(), 4u);
    EXPECT_EQ(flags[0], tcflag_t(CMSPAR | PARODD));
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(flags[i], tcflag_t(CMSPAR)) << i;

    // The same value again leaves the device alone: a flag set from the other end stays.
    termios t{};
    ::tcgetattr(pty.master, &t);
    t.c_cflag |= PARODD;
    ::tcsetattr(pty.master, TCSANOW, &t);
    comm.SetParity(paSpace);
    ::tcgetattr(pty.master, &t);
    EXPECT_TRUE(t.c_cflag & PARODD);
    comm.SetParity(paMark);
    comm.SetParity(paSpace);
    ::tcgetattr(pty.master, &t);
    EXPECT_FALSE(t.c_cflag & PARODD);
}

TEST_F(VaCommTest, ADeviceThatGoesAwayNeitherCrashesNorSpins) {
    SetupMeterPort(comm);
    comm.SetDeviceName(pty.slavePath);
    int events = 0, lost = 0;
    bool lostOnUiThread = false;
    comm.OnRxChar = [&](TVaCustomComm *, int) { ++events; };
    comm.OnDeviceLost = [&](TVaCustomComm *) {
        ++lost;
        lostOnUiThread = QThread::currentThread() == qApp->thread();
    };
    comm.Open();
    const int tasks = CountEntries("/proc/self/task");
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return lost == 1; }));
    EXPECT_TRUE(lostOnUiThread);
    EXPECT_TRUE(comm.DeviceLost());
    // The event thread has ended by itself.
    EXPECT_TRUE(WaitUntil([&] { return CountEntries("/proc/self/task") == tasks - 1; }));
    timespec before{}, after{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    WaitUntil([] { return false; }, 300);
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double cpuMs =
        (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 150.0) << "something keeps polling a dead device";
    EXPECT_EQ(comm.ReadText(), QByteArray());
    EXPECT_EQ(events, 0);
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(ErrorOf([&] { comm.WriteText("x"); }), "Write error (5), Input/output error");
    EXPECT_FALSE(ErrorOf([&] { comm.SetParity(paSpace); }).isEmpty());
    EXPECT_TRUE(comm.Active()); // until the operator disconnects
    comm.Close();
    EXPECT_FALSE(comm.Active());
    // The device is gone for good: a clear message, no crash.
    EXPECT_EQ(ErrorOf([&] { comm.Open(); }), "Specified device not found (" + pty.slavePath + ").");
}

// The two ports as the program runs them, seen from the other end of the line.
TEST_F(VaCommTest, MeterAndScannerPortsRunTheirOwnSettings) {
    struct Case {
        const char *name;
        void (*setup)(TVaCustomComm &);
        tcflag_t parity; // CMSPAR and PARODD as the pty shows them
        speed_t speed;
        bool direct;
        TVaCommEvents events;
        TVaControlRts rts;
        const char *deviceName;
    };
    const Case cases[] = {
        {"meter", SetupMeterPort, CMSPAR | PARODD, B4800, true, ceBreak | ceRxChar, rtsEnabled,
         "COM%d"},
        {"scanner", SetupScannerPort, 0, B9600, false, ceError | ceRxChar | ceTxEmpty, rtsDisabled,
         "Com%d"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TVaComm port;
        c.setup(port);
        EXPECT_EQ(port.DeviceName(), c.deviceName);
        EXPECT_EQ(port.DirectWrite(), c.direct);
        EXPECT_EQ(port.MonitorEvents(), c.events);
        EXPECT_EQ(port.FlowControl().ControlDtr(), dtrDisabled);
        EXPECT_EQ(port.FlowControl().ControlRts(), c.rts);
        EXPECT_FALSE(port.FlowControl().OutCtsFlow() || port.FlowControl().XonXoffOut() ||
                     port.FlowControl().XonXoffIn());
        port.SetDeviceName(pty.slavePath);
        port.Open();
        termios t{};
        ASSERT_EQ(::tcgetattr(pty.master, &t), 0);
        EXPECT_EQ(t.c_cflag & (CMSPAR | PARODD), c.parity);
        EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | CRTSCTS), tcflag_t(CS8));
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), 0u);
        EXPECT_EQ(::cfgetospeed(&t), c.speed);
        EXPECT_TRUE(port.WriteText("ok"));
        EXPECT_EQ(pty.Receive(2), "ok");
        port.Close();
    }
}

// The start-up probe lists a port only when its zero byte went out: a line that takes
// nothing (its output held) fails the probe, though the port opens.
TEST_F(VaCommTest, ProbeListsOnlyAPortItsZeroByteLeft) {
    const int number = pty.slavePath.section('/', -1).toInt();
    TVaComm port;
    SetupMeterPort(port);
    port.SetDeviceName("/dev/pts/%d");
    TVaBuffers quick; // a shorter wait for the held line
    quick.SetReadTimeout(200);
    port.SetBuffers(quick);
    EXPECT_TRUE(ProbePort(port, number));
    EXPECT_EQ(pty.Receive(1), QByteArray(1, '\0'));
    EXPECT_FALSE(port.Active());

    const int other = ::open(pty.slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::tcflow(other, TCOOFF), 0); // nothing leaves this side of the pty now
    EXPECT_FALSE(ProbePort(port, number));
    EXPECT_FALSE(ProbePort(port, 250)); // no such device
    EXPECT_FALSE(port.Active());
    ::close(other);
}

} // namespace
