// The exchange engine against the meter emulator on a pseudo-terminal, with real timers.
#include "emulator/meter_emulator.h"
#include "link/commands.h"
#include "link/error_report.h"
#include "link/exchange_engine.h"
#include "link/frame.h"
#include "link/port_setup.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace ormix::link;
using namespace ormix::emulator;

namespace {
constexpr std::uint16_t kPassword = 1111;

QByteArray passwordFrame(std::uint16_t password) {
    QByteArray data;
    data.append(char(password & 0xFF));
    data.append(char(password >> 8));
    return MakeFrame(Cmd::Password, data);
}

// Stands in for the window: records what the engine asks of it.
struct TestHost : TExchangeHost {
    bool connected = true;
    bool passwordOk = true;
    int pollIndex = 0;
    QList<std::uint8_t> pollCodes{Cmd::ReadVersion, Cmd::ReadStatus};
    QList<QByteArray> decodedRequests;
    QStringList badDecodes; // replies that reached a decoder without being valid
    std::function<void(const QByteArray &)> onDecode;
    std::function<void()> duringBox;
    int logged = 0, green = 0, red = 0, hidden = 0, resets = 0, boxes = 0, clearViews = 0,
        passwordDisabled = 0, sendCountShown = -1;
    bool settingEnabled = false, fixDbEnabled = false;
    QString linePanel;                // StatusBar1 panel 1
    int settingDisabledAtMissed = -1; // MissedReplies when writing was first disabled
    QStringList lines;
    const TExchangeEngine *engine = nullptr;

    bool IsConnected() const override { return connected; }
    QByteArray NextPollFrame() override {
        const auto code = pollCodes[pollIndex];
        pollIndex = (pollIndex + 1) % int(pollCodes.size());
        return MakeFrame(code);
    }
    void ResetPoll() override { pollIndex = 0; }
    void DecodeReply(const QByteArray &reply, const QByteArray &request) override {
        const int l = std::uint8_t(reply.size() > 1 ? reply[1] : 0);
        if (reply.size() != l + 2 || reply[0] != request[0] || !CheckCrc(reply))
            badDecodes << QString::fromLatin1(reply.toHex(' '));
        decodedRequests << request;
        if (onDecode) onDecode(request);
    }
    bool PasswordConditionHolds() const override { return passwordOk; }
    void SetActionSettingEnabled(bool on) override {
        if (!on && settingEnabled && settingDisabledAtMissed < 0 && engine)
            settingDisabledAtMissed = engine->MissedReplies();
        settingEnabled = on;
    }
    void SetActionFixDbEnabled(bool on) override { fixDbEnabled = on; }
    void ClearMeterView() override { ++clearViews; }
    void LogCompletedWrite() override { ++logged; }
    void DisableAccessPassword() override { ++passwordDisabled; }
    void ShowIndicator(TIndicator i) override { ++(i == TIndicator::Success ? green : red); }
    void HideIndicator() override { ++hidden; }
    void ActionReset() override { ++resets; }
    void ShowWriteFailure(const QString &title, const QString &text) override {
        ++boxes;
        EXPECT_EQ(title, "Ошибка");
        EXPECT_TRUE(text.startsWith("Во время записи установок произошла ошибка."));
        if (duringBox) duringBox();
    }
    void ShowSendCount(int n) override { sendCountShown = n; }
    void ClearLinePanel() override { linePanel.clear(); }
    void ShowLineMessage(const QString &text) override { linePanel = text; }
    void ProtocolLineAdded(const QString &line) override { lines << line; }
    void ProtocolFirstLineRemoved() override { lines.removeFirst(); }
    void ProtocolCleared() override { lines.clear(); }

    int decodedOf(std::uint8_t code) const {
        int n = 0;
        for (const auto &r : decodedRequests)
            n += std::uint8_t(r[0]) == code;
        return n;
    }
    bool hasLine(const QString &text) const {
        for (const auto &l : lines)
            if (l == text || l.endsWith(text)) return true;
        return false;
    }
};

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        EmulatorOptions options;
        options.password = kPassword;
        emu = std::make_unique<MeterEmulator>(options);
        ASSERT_TRUE(emu->start()) << qPrintable(emu->lastError());
        SetupMeterPort(comm);
        comm.SetDeviceName(emu->devicePath());
        comm.SetBaudrate(br9600);
        engine = std::make_unique<TExchangeEngine>(&comm, &host);
        host.engine = engine.get();
        engine->Protocol().SetMasterMode(true);
        engine->Protocol().SetLogging(true);
        connectLine();
    }
    void TearDown() override {
        engine.reset();
        comm.Close();
        emu->stop();
    }
    void connectLine() {
        comm.Open();
        host.connected = true;
        engine->StartExchange();
    }
    // Waits until `pred` holds, the event loop running meanwhile.
    bool waitFor(const std::function<bool()> &pred, int ms = 3000) {
        return QTest::qWaitFor(pred, ms);
    }
    bool waitDecodes(int more, int ms = 3000) {
        const auto target = host.decodedRequests.size() + more;
        return waitFor([&] { return host.decodedRequests.size() >= target; }, ms);
    }
    // Tests that wait for timeouts of a silent meter need not sleep through the 1000 ms.
    void quickTimeouts() { engine->SetTimings({.replyTimeoutMs = kQuickTimeoutMs}); }
    static constexpr int kQuickTimeoutMs = 200;

    void queueWrite(const QList<QByteArray> &frames) {
        engine->SetWritePending(true);
        for (const auto &f : frames)
            engine->Commands().Append(f);
    }

    std::unique_ptr<MeterEmulator> emu;
    TVaComm comm;
    TestHost host;
    std::unique_ptr<TExchangeEngine> engine;
};

TEST_F(Engine, PollsOneFrameAtATimeWithMarkThenSpaceParity) {
    ASSERT_TRUE(waitDecodes(6));
    const auto seen = emu->requestsSeen();
    ASSERT_GE(seen.size(), 6u);
    // A connect reads the version twice: the request of the connect, then the poll's.
    EXPECT_EQ(seen[0].bytes, MakeFrame(Cmd::ReadVersion));
    EXPECT_EQ(seen[1].bytes, MakeFrame(Cmd::ReadVersion));
    EXPECT_EQ(seen[2].bytes, MakeFrame(Cmd::ReadStatus));
    // The line shows a byte's parity only where the emulator happened to look between two
    // bytes; what it shows is never wrong (the order itself is proved by LineOrder).
    for (const auto &r : seen) {
        ASSERT_EQ(r.parity.size(), std::size_t(r.bytes.size()));
        EXPECT_NE(r.parity[0], LineParity::Space) << r.bytes.toHex(' ').data();
        for (std::size_t i = 1; i < r.parity.size(); ++i)
            EXPECT_NE(r.parity[i], LineParity::Mark) << r.bytes.toHex(' ').data() << " byte " << i;
    }
    EXPECT_EQ(emu->parityViolations(), 0);
    EXPECT_TRUE(host.badDecodes.isEmpty()) << qPrintable(host.badDecodes.join('|'));
    EXPECT_GE(engine->SendCount(), 6);
    EXPECT_EQ(host.sendCountShown, engine->SendCount());

    // The trace: every send line followed by the reply it got, times in local time.
    ASSERT_GE(host.lines.size(), 2);
    EXPECT_TRUE(host.lines[0].endsWith(" Send 00 02 80 71 ")) << qPrintable(host.lines[0]);
    EXPECT_TRUE(host.lines[1].contains(" Received: 00 ")) << qPrintable(host.lines[1]);
    EXPECT_EQ(host.lines[0].indexOf(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ")), 0);
    EXPECT_TRUE(host.fixDbEnabled);
    EXPECT_TRUE(host.settingEnabled);
}

struct RejectCase {
    const char *name;
    Fault fault;
    QString line; // the protocol line it leaves (a suffix for the timed timeout line)
};

// Each row of the failure table, on a poll request: a line in the protocol view, no box,
// and the poll goes on. A rejected reply never reaches a decoder.
TEST_F(Engine, FailedExchangesLeaveALineAndThePollGoesOn) {
    const RejectCase cases[] = {
        {"error reply", {.kind = Fault::ErrorReply, .value = 6}, "Ошибка: Доступ запрещен"},
        {"unknown error code", {.kind = Fault::ErrorReply, .value = 7}, "Неизвестная ошибка"},
        {"wrong code", {.kind = Fault::WrongCode}, "Неверный отклик"},
        {"one extra byte", {.kind = Fault::ExtraByte}, "Отклик длиннее требуемого"},
        {"checksum", {.kind = Fault::BadChecksum}, "Ошибка контрольной суммы"},
        {"no reply", {.kind = Fault::NoReply}, " Timeout."},
    };
    ASSERT_TRUE(waitDecodes(2));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        host.lines.clear();
        Fault f = c.fault;
        f.code = Cmd::ReadStatus;
        if (f.kind == Fault::NoReply) quickTimeouts(); // the last row: nothing else waits
        emu->addFault(f);
        ASSERT_TRUE(waitFor([&] { return host.hasLine(c.line); }, 2500));
        const int status = host.decodedOf(Cmd::ReadStatus);
        ASSERT_TRUE(waitFor([&] { return host.decodedOf(Cmd::ReadStatus) > status; }));
        EXPECT_EQ(host.boxes, 0);
        EXPECT_EQ(host.red, 0);
        EXPECT_EQ(engine->MissedReplies(), 0);
    }
    EXPECT_TRUE(host.badDecodes.isEmpty()) << qPrintable(host.badDecodes.join('|'));
}

TEST_F(Engine, AReplyInPiecesIsAssembledBeforeAnythingIsDecided) {
    ASSERT_TRUE(waitDecodes(2));
    host.lines.clear();
    const int status = host.decodedOf(Cmd::ReadStatus);
    emu->addFault({.kind = Fault::Split, .value = 3, .pauseMs = 40, .code = Cmd::ReadStatus});
    ASSERT_TRUE(waitFor([&] { return host.decodedOf(Cmd::ReadStatus) > status; }));
    int pieces = 0;
    for (const auto &l : host.lines)
        pieces += l.contains(" Received: ");
    EXPECT_GE(pieces, 3);
    EXPECT_FALSE(host.hasLine("Неверный отклик"));
    EXPECT_TRUE(host.badDecodes.isEmpty()) << qPrintable(host.badDecodes.join('|'));
}

TEST_F(Engine, AByteAfterAnAcceptedReplyIsJudgedAgainstTheNextFrame) {
    ASSERT_TRUE(waitDecodes(2));
    host.lines.clear();
    const int status = host.decodedOf(Cmd::ReadStatus);
    // One byte a piece, 15 ms apart: the extra byte comes after the reply was accepted
    // and before the next send (which waits for the 50 ms tick).
    emu->addFault({.kind = Fault::ExtraByte, .code = Cmd::ReadStatus});
    emu->addFault({.kind = Fault::Split, .value = 64, .pauseMs = 15, .code = Cmd::ReadStatus});
    ASSERT_TRUE(waitFor([&] { return host.hasLine("Неверный отклик"); }));
    EXPECT_GT(host.decodedOf(Cmd::ReadStatus), status);
    EXPECT_FALSE(host.hasLine("Отклик длиннее требуемого"));
    EXPECT_TRUE(waitDecodes(2));
}

TEST_F(Engine, AllAcknowledgedWriteIsLoggedOnceAndThePollResumes) {
    ASSERT_TRUE(waitDecodes(2));
    int logViews = -1;
    host.onDecode = [&](const QByteArray &) {};
    queueWrite({passwordFrame(kPassword), MakeFrame(Cmd::WriteDisplay, QByteArray(1, 0x05)),
                MakeFrame(Cmd::ResetStatus)});
    ASSERT_TRUE(waitFor([&] { return host.logged > 0; }));
    logViews = host.clearViews;
    EXPECT_EQ(host.green, 1);
    EXPECT_EQ(host.passwordDisabled, 1);
    EXPECT_GE(logViews, 1);
    EXPECT_FALSE(engine->WritePending());
    ASSERT_TRUE(waitDecodes(3));
    EXPECT_EQ(host.logged, 1);
    EXPECT_EQ(host.green, 1);
    EXPECT_EQ(host.red + host.boxes, 0);
    EXPECT_EQ(emu->state().display, 0x05);
    EXPECT_EQ(host.decodedOf(Cmd::Password), 1);
    EXPECT_EQ(host.decodedOf(Cmd::WriteDisplay), 0); // an acknowledgement only removes the head
}

TEST_F(Engine, ATimeoutDuringAWriteFailsItOnceAndLogsNothing) {
    ASSERT_TRUE(waitDecodes(2));
    engine->SetTimings({.replyTimeoutMs = kQuickTimeoutMs, .indicatorMs = 300});
    int sentDuringBox = -1;
    bool timer1DuringBox = true;
    host.duringBox = [&] {
        // A modal box runs the event loop; nothing may be sent meanwhile.
        const auto before = emu->requestsSeen().size();
        QTest::qWait(300);
        sentDuringBox = int(emu->requestsSeen().size() - before);
        timer1DuringBox = engine->Timer1Active();
    };
    emu->addFault({.kind = Fault::NoReply, .code = Cmd::WriteDisplay});
    queueWrite({passwordFrame(kPassword), MakeFrame(Cmd::WriteDisplay, QByteArray(1, 0x05)),
                MakeFrame(Cmd::ResetStatus)});
    ASSERT_TRUE(waitFor([&] { return host.boxes > 0; }));
    EXPECT_TRUE(host.hasLine(" Timeout."));
    EXPECT_EQ(sentDuringBox, 0);
    EXPECT_FALSE(timer1DuringBox);
    EXPECT_EQ(host.red, 1);
    EXPECT_FALSE(engine->WritePending());
    ASSERT_TRUE(waitDecodes(2)); // the poll resumes after the box
    ASSERT_TRUE(waitFor([&] { return host.resets > 0; }, 2500));
    EXPECT_EQ(host.hidden, 1);
    EXPECT_EQ(host.boxes, 1);
    EXPECT_EQ(host.logged + host.green, 0);
    for (const auto &r : emu->requestsSeen())
        EXPECT_NE(std::uint8_t(r.bytes[0]), Cmd::ResetStatus); // the rest was dropped
}

// The meter answers the failed write only after the timeout, while the operator reads
// the box: the late reply is rejected, and still nothing goes out until the box closes.
TEST_F(Engine, ALateReplyDuringTheFailureBoxSendsNothing) {
    ASSERT_TRUE(waitDecodes(2));
    quickTimeouts();
    int sentDuringBox = -1;
    bool rejectedDuringBox = false;
    host.duringBox = [&] {
        const auto before = emu->requestsSeen().size();
        rejectedDuringBox = waitFor([&] { return host.hasLine("Неверный отклик"); }, 5000);
        QTest::qWait(100); // a send would follow the rejection at once
        sentDuringBox = int(emu->requestsSeen().size() - before);
    };
    // Answered only well after the reply timeout, whenever this machine gets to it.
    emu->addFault({.kind = Fault::Delay, .value = 3 * kQuickTimeoutMs, .code = Cmd::WriteDisplay});
    queueWrite({passwordFrame(kPassword), MakeFrame(Cmd::WriteDisplay, QByteArray(1, 0x05))});
    ASSERT_TRUE(waitFor([&] { return host.boxes > 0; }, 4000));
    EXPECT_TRUE(rejectedDuringBox);
    EXPECT_EQ(sentDuringBox, 0);
    EXPECT_EQ(host.boxes, 1);
    ASSERT_TRUE(waitDecodes(2)); // the poll resumes after the box
    EXPECT_EQ(host.logged + host.green, 0);
}

TEST_F(Engine, SixTimeoutsDisableWritingAndOneByteEnablesIt) {
    ASSERT_TRUE(waitDecodes(2));
    ASSERT_TRUE(host.settingEnabled);
    quickTimeouts();
    const int views = host.clearViews;
    emu->addFault({.kind = Fault::NoReply, .frames = -1});
    ASSERT_TRUE(waitFor([&] { return engine->MissedReplies() >= 6; }, 8000));
    EXPECT_EQ(host.settingDisabledAtMissed, 6);
    EXPECT_FALSE(host.fixDbEnabled);
    EXPECT_EQ(host.clearViews, views + 1);
    EXPECT_EQ(host.boxes, 0);
    EXPECT_EQ(host.linePanel, TExchangeEngine::NoAnswerText);

    emu->clearFaults();
    emu->addFault({.kind = Fault::WrongCode, .frames = 1});
    ASSERT_TRUE(waitFor([&] { return host.hasLine("Неверный отклик"); }));
    EXPECT_EQ(engine->MissedReplies(), 0);
    EXPECT_TRUE(host.settingEnabled);
    EXPECT_TRUE(host.fixDbEnabled);
    EXPECT_EQ(host.linePanel, "");
}

TEST_F(Engine, ADisconnectDuringAWriteLogsNothing) {
    ASSERT_TRUE(waitDecodes(2));
    quickTimeouts();
    emu->addFault({.kind = Fault::Delay, .value = 300, .code = Cmd::Password});
    queueWrite({passwordFrame(kPassword), MakeFrame(Cmd::WriteDisplay, QByteArray(1, 0x05))});
    ASSERT_TRUE(waitFor([&] {
        const auto seen = emu->requestsSeen();
        return !seen.empty() && std::uint8_t(seen.back().bytes[0]) == Cmd::Password;
    }));
    engine->EndConnection();
    host.connected = false;
    EXPECT_TRUE(engine->Commands().IsEmpty());
    EXPECT_FALSE(engine->WritePending());
    QTest::qWait(600); // longer than the delayed reply and the reply timeout
    EXPECT_EQ(host.logged + host.green + host.red + host.boxes, 0);
    EXPECT_TRUE(engine->Commands().IsEmpty());
    EXPECT_FALSE(engine->Timer1Active());
    EXPECT_FALSE(engine->Timer2Active());

    connectLine();
    ASSERT_TRUE(waitDecodes(3));
    EXPECT_EQ(host.logged + host.green, 0);
    EXPECT_EQ(engine->SendCount(), host.sendCountShown);
}

// A write whose frames never went out is no success: queued while disconnected (the
// queue drops them at once), or still queued when a connect empties the queue.
TEST_F(Engine, AWriteNotSentBeforeAConnectIsNeitherReportedNorLogged) {
    const QList<QByteArray> frames = {passwordFrame(kPassword),
                                      MakeFrame(Cmd::WriteDisplay, QByteArray(1, 0x05))};
    ASSERT_NE(emu->state().display, 0x05);
    for (const bool schedule : {false, true}) {
        SCOPED_TRACE(schedule ? "schedule write" : "settings write");
        const auto pend = [&] {
            (schedule ? engine->SetScheduleWritePending(true) : engine->SetWritePending(true));
            for (const auto &f : frames)
                engine->Commands().Append(f);
        };
        ASSERT_TRUE(waitDecodes(2));
        engine->EndConnection();
        host.connected = false;
        pend();
        EXPECT_TRUE(engine->Commands().IsEmpty());
        connectLine();
        ASSERT_TRUE(waitDecodes(3));

        pend(); // behind the poll request in flight; the connect's first exchange comes first
        engine->StartExchange();
        ASSERT_TRUE(waitDecodes(3));

        EXPECT_EQ(host.logged + host.green + host.red + host.boxes, 0);
        EXPECT_FALSE(engine->WritePending() || engine->ScheduleWritePending());
    }
    for (const auto &r : emu->requestsSeen())
        EXPECT_NE(std::uint8_t(r.bytes[0]), Cmd::Password) << "a write frame was sent";
}

TEST_F(Engine, AFailingDecoderIsReportedAndTheExchangeGoesOn) {
    QStringList reports;
    SetErrorReportHandler([&](const QString &m) { reports << m; });
    bool thrown = false;
    host.onDecode = [&](const QByteArray &request) {
        if (!thrown && std::uint8_t(request[0]) == Cmd::ReadStatus) {
            thrown = true;
            throw std::runtime_error("database gone");
        }
    };
    ASSERT_TRUE(waitFor([&] { return thrown; }));
    ASSERT_TRUE(waitDecodes(3));
    SetErrorReportHandler({});
    EXPECT_EQ(reports, QStringList{"database gone"});
}

// The adapter pulled out: the other side of the pty closes while connected.
TEST_F(Engine, ALostPortIsReportedAndEndsInTimeoutsUntilDisconnected) {
    ASSERT_TRUE(waitDecodes(2));
    quickTimeouts();
    emu->stop(); // the far end of the line is gone: writes fail
    ASSERT_TRUE(waitFor([&] { return comm.DeviceLost(); }));
    EXPECT_EQ(host.linePanel, TExchangeEngine::PortLostText);
    const int sent = engine->SendCount();
    // Sends fail without being counted, each exchange ends in a timeout, and the sixth in a
    // row does not hide the reason.
    ASSERT_TRUE(waitFor([&] { return engine->MissedReplies() >= 7; }, 8000));
    EXPECT_EQ(engine->SendCount(), sent);
    EXPECT_EQ(host.sendCountShown, sent);
    EXPECT_TRUE(host.hasLine(" Timeout."));
    EXPECT_EQ(host.linePanel, TExchangeEngine::PortLostText);
    host.connected = false;
    EXPECT_NO_THROW(engine->EndConnection());
    EXPECT_FALSE(comm.Active());
}
} // namespace
