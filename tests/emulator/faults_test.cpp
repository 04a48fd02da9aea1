// Faults on demand: which requests they hit and what they do to the reply.
#include "emulator/faults.h"
#include "emulator/meter_model.h"
#include "link/frame.h"

#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::emulator;

namespace {

QByteArray Hex(const char *text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
const QByteArray kReply = Hex("0A 03 00 51 32"); // status 0 with its checksum

TEST(Faults, ShapeTheReply) {
    struct Case {
        const char *name;
        Fault fault;
        bool carryOut;
        std::vector<QByteArray> pieces;
        int delayMs = 0;
    };
    QByteArray wrongCode = Hex("0B 03 00");
    AppendCrc(wrongCode);
    const Case cases[] = {
        {"none", {.kind = Fault::Delay, .value = 0}, true, {kReply}},
        {"no reply", {.kind = Fault::NoReply}, false, {}},
        {"split", {.kind = Fault::Split, .value = 2}, true, {Hex("0A 03"), Hex("00 51 32")}},
        {"split finer than the bytes",
         {.kind = Fault::Split, .value = 9},
         true,
         {Hex("0A"), Hex("03"), Hex("00"), Hex("51"), Hex("32")}},
        {"extra byte", {.kind = Fault::ExtraByte}, true, {kReply + char(0x5A)}},
        {"garbage", {.kind = Fault::Garbage, .value = 2}, true, {Hex("A5 A5") + kReply}},
        {"bad checksum", {.kind = Fault::BadChecksum}, true, {Hex("0A 03 00 AE 32")}},
        {"wrong code", {.kind = Fault::WrongCode}, true, {wrongCode}},
        {"error reply", {.kind = Fault::ErrorReply, .value = 5}, false, {MakeErrorReply(0x0A, 5)}},
        {"delay", {.kind = Fault::Delay, .value = 250}, true, {kReply}, 250},
    };
    for (const auto &c : cases) {
        const ReplyPlan plan = ShapeReply({c.fault}, 0x0A, kReply);
        EXPECT_EQ(plan.carryOut, c.carryOut) << c.name;
        EXPECT_EQ(plan.pieces, c.pieces) << c.name;
        EXPECT_EQ(plan.delayMs, c.delayMs) << c.name;
    }
    // Added bytes go around the damaged reply, not into its checksum.
    const ReplyPlan both =
        ShapeReply({{.kind = Fault::Garbage}, {.kind = Fault::WrongCode}}, 0x0A, kReply);
    EXPECT_EQ(both.pieces, std::vector<QByteArray>{Hex("A5 A5 A5") + wrongCode});
}

TEST(Faults, CountFramesAndCodes) {
    FaultList list;
    list.add({.kind = Fault::NoReply, .frames = 2});
    list.add({.kind = Fault::Delay, .value = 5, .frames = -1, .code = 0x14});
    EXPECT_EQ(list.take(0x00).size(), 1u);
    EXPECT_EQ(list.take(0x14).size(), 2u);
    EXPECT_EQ(list.take(0x01).size(), 0u) << "the frame fault is used up";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(list.take(0x14).size(), 1u);
    list.add({.kind = Fault::ExtraByte, .code = 0x0A});
    EXPECT_TRUE(list.take(0x00).empty()) << "another code does not use it up";
    EXPECT_EQ(list.take(0x0A).size(), 1u);
    EXPECT_TRUE(list.take(0x0A).empty());
}

TEST(Faults, ParseFromTheCommandLine) {
    struct Case {
        const char *text;
        Fault::Kind kind;
        int value;
        int frames;
        std::optional<std::uint8_t> code;
    };
    const Case good[] = {
        {"noreply", Fault::NoReply, 0, 1, {}},
        {"split=3*5", Fault::Split, 3, 5, {}},
        {"error=6@0x14", Fault::ErrorReply, 6, -1, 0x14},
        {"delay=500@0A*2", Fault::Delay, 500, 2, 0x0A},
        {"badcrc*all", Fault::BadChecksum, 0, -1, {}},
        {"garbage", Fault::Garbage, 0, 1, {}},
    };
    for (const auto &c : good) {
        Fault f;
        QString why;
        ASSERT_TRUE(ParseFault(c.text, f, why)) << c.text << " " << why.toStdString();
        EXPECT_EQ(f.kind, c.kind) << c.text;
        EXPECT_EQ(f.value, c.value) << c.text;
        EXPECT_EQ(f.frames, c.frames) << c.text;
        EXPECT_EQ(f.code, c.code) << c.text;
    }
    for (const char *bad : {"", "nope", "split", "split=1", "error=300", "delay=-4", "extra@100",
                            "extra*0", "extra*x"}) {
        Fault f;
        QString why;
        EXPECT_FALSE(ParseFault(bad, f, why)) << bad;
        EXPECT_FALSE(why.isEmpty()) << bad;
    }
}

} // namespace
