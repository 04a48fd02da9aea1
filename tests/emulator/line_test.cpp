// The emulator on a real pseudo-terminal: framing, parity observation, faults,
// pacing and the state file.
#include "../link/pty_pair.h"
#include "emulator/meter_emulator.h"
#include "pty_client.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <time.h>

using namespace ormix::link;
using namespace ormix::emulator;

namespace {

std::string Show(const QByteArray &b) {
    return b.toHex(' ').toUpper().toStdString();
}

struct Line {
    MeterEmulator emu;
    std::unique_ptr<PtyClient> client;
    explicit Line(EmulatorOptions o = {}) : emu(std::move(o)) {
        if (!emu.start()) ADD_FAILURE() << emu.lastError().toStdString();
        client = std::make_unique<PtyClient>(emu.devicePath());
        EXPECT_TRUE(client->isOpen());
    }
};

// Waits until the emulator has seen the sender's settings as `parity` (a condition, not a
// pause: the emulator looks at a quiet line every few ms).
bool Sees(const MeterEmulator &emu, LineParity parity, qint64 position = -1) {
    for (int i = 0; i < 5000; ++i) {
        const LineLook look = emu.lastLook();
        if (look.parity == parity && (position < 0 || look.position == position)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(EmulatorLine, AnswersPollRequestsAndSeesMarkThenSpace) {
    Line line({.firmware = {6, 2}, .number = 123456});
    EXPECT_TRUE(line.emu.devicePath().startsWith("/dev/pts/"));
    // The workstation's way, with the emulator made to look between the first byte and
    // the rest: the parity of both is shown.
    const QByteArray request = Request("01 02");
    line.client->setParity(PtyClient::Mark);
    line.client->write(request.left(1));
    ASSERT_TRUE(Sees(line.emu, LineParity::Mark, 1));
    line.client->setParity(PtyClient::Space);
    line.client->write(request.mid(1));
    EXPECT_EQ(Show(line.client->read()), Show(Request("01 05 40 E2 01")));
    // Noise on the line before a request is skipped.
    line.client->write(QByteArray::fromHex("55AA0102"));
    EXPECT_EQ(Show(line.client->ask(Request("0A 02"))), Show(Request("0A 03 00")));
    EXPECT_EQ(line.emu.parityViolations(), 0);
    const auto seen = line.emu.requestsSeen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].bytes, request);
    EXPECT_EQ(seen[0].verdict, ParityVerdict::MarkThenSpace);
    EXPECT_EQ(seen[0].parity, (std::vector<LineParity>{LineParity::Mark, LineParity::Space,
                                                       LineParity::Space, LineParity::Space}));
    EXPECT_EQ(seen[1].bytes, Request("0A 02"));
}

// What the line can show decides: a switch to space seen before the first byte is a
// violation and goes unanswered; a request that could have been sent right is answered.
TEST(EmulatorLine, AnswersWhatItCannotShowWrongAndCountsItApart) {
    struct Case {
        const char *name;
        std::vector<PtyClient::Parity> before; // settings seen before the request is sent
        bool answered;
        int violations, notObserved;
    };
    const Case cases[] = {
        {"switched to space before the first byte",
         {PtyClient::Mark, PtyClient::Space},
         false,
         1,
         0},
        {"all space, no mark ever seen", {PtyClient::Space}, true, 0, 1},
        {"no mark or space parity at all", {PtyClient::None}, true, 0, 1},
    };
    for (const auto &c : cases) {
        std::vector<QString> lines;
        std::mutex m;
        Line line({.log =
                       [&](const QString &l) {
                           std::lock_guard g(m);
                           lines.push_back(l);
                       },
                   .logParity = true});
        for (PtyClient::Parity p : c.before) {
            line.client->setParity(p);
            ASSERT_TRUE(Sees(line.emu, p == PtyClient::Mark    ? LineParity::Mark
                                       : p == PtyClient::Space ? LineParity::Space
                                                               : LineParity::Other))
                << c.name;
        }
        line.client->write(Request("00 02"));
        EXPECT_EQ(!line.client->read(kRequestGapMs * 3).isEmpty(), c.answered) << c.name;
        EXPECT_EQ(line.emu.parityViolations(), c.violations) << c.name;
        EXPECT_EQ(line.emu.parityNotObserved(), c.notObserved) << c.name;
        line.emu.stop(); // the counts at exit
        std::lock_guard g(m);
        ASSERT_EQ(lines.size(), size_t(c.violations + 1)) << c.name;
        if (c.violations) {
            EXPECT_TRUE(lines[0].contains("00 02 80 71")) << lines[0].toStdString();
            EXPECT_TRUE(lines[0].contains("switched to space before its first byte"))
                << lines[0].toStdString();
        }
        EXPECT_TRUE(lines.back().startsWith(QStringLiteral("parity: 1 requests, 0 shown mark "
                                                           "then space, %1 not observed, %2 ")
                                                .arg(c.notObserved)
                                                .arg(c.violations)))
            << lines.back().toStdString();
    }
}

TEST(EmulatorLine, FaultsAreAppliedOnTheLine) {
    Line line;
    // Split: the first piece comes alone, the rest after the pause.
    line.emu.addFault({.kind = Fault::Split, .value = 2, .pauseMs = 300, .code = 0x01});
    line.client->send(Request("01 02"));
    const QByteArray first = line.client->read(150);
    const QByteArray rest = line.client->read(400);
    EXPECT_EQ(Show(first), Show(Request("01 05 40 E2 01").left(3)));
    EXPECT_EQ(Show(first + rest), Show(Request("01 05 40 E2 01")));

    // An error reply: the write is not carried out.
    line.emu.addFault({.kind = Fault::ErrorReply, .value = 6, .code = 0x14});
    EXPECT_EQ(Show(line.client->ask(Request("14 04 00 00"))), Show(Request("94 03 06")));
    EXPECT_FALSE(line.emu.accessOpen());

    // No reply, then a delayed one.
    line.emu.addFault({.kind = Fault::NoReply});
    EXPECT_TRUE(line.client->ask(Request("00 02")).isEmpty());
    line.emu.addFault({.kind = Fault::Delay, .value = 400});
    line.client->send(Request("00 02"));
    EXPECT_TRUE(line.client->read(200, 250).isEmpty());
    EXPECT_EQ(Show(line.client->read(500)), Show(Request("00 04 02 06")));
}

TEST(EmulatorLine, BaudRatePacesTheReply) {
    Line line({.baud = 1200});
    QElapsedTimer t;
    t.start();
    line.client->send(Request("17 02"));
    const QByteArray reply = line.client->read(300);
    ASSERT_EQ(reply.size(), 28);
    // 28 bytes of 11 bits at 1200 bit/s take 257 ms on the line.
    EXPECT_GE(t.elapsed(), 257 + 10);
}

TEST(EmulatorLine, StateFileKeepsTheMeterAcrossRuns) {
    QTemporaryDir dir;
    const QString file = dir.filePath("meter.json");
    {
        Line line({.firmware = {10, 1}, .password = 7, .stateFile = file});
        EXPECT_EQ(Show(line.client->ask(Request("14 04 07 00"))), Show(Request("14 02")));
        EXPECT_EQ(Show(line.client->ask(Request("02 05 39 30 00"))), Show(Request("02 02")));
        EXPECT_EQ(Show(line.client->ask(Request("27 05 00 31 12"))), Show(Request("27 02")));
    }
    Line again({.firmware = {6, 2}, .number = 1, .stateFile = file});
    EXPECT_EQ(Show(again.client->ask(Request("01 02"))), Show(Request("01 05 39 30 00")));
    EXPECT_EQ(Show(again.client->ask(Request("26 03 00"))), Show(Request("26 05 00 31 12")));

    QFile broken(dir.filePath("broken.json"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\"number\": \"many\"}");
    broken.close();
    MeterEmulator bad({.stateFile = broken.fileName()});
    EXPECT_FALSE(bad.start());
    EXPECT_TRUE(bad.lastError().contains("number")) << bad.lastError().toStdString();
}

// A bench adapter pulled out: the device hangs up and reads return nothing for ever.
TEST(EmulatorLine, ADeviceThatHangsUpDoesNotSpin) {
    PtyPair cable;
    ASSERT_TRUE(cable.Ok());
    MeterEmulator emu({.port = cable.slavePath});
    ASSERT_TRUE(emu.start()) << emu.lastError().toStdString();
    cable.CloseMaster();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    timespec before{}, after{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double cpuMs =
        (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 150.0) << "the emulator keeps reading a dead device";
    emu.stop();
}

} // namespace
