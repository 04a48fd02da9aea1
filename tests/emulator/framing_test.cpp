// Cutting the received bytes into requests by the mark byte and the length byte.
#include "emulator/request_framer.h"
#include "link/frame.h"

#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::emulator;

namespace {

using P = LineParity;
using Type = RequestFramer::Event::Type;

QByteArray Req(const char *text) {
    QByteArray f = QByteArray::fromHex(QByteArray(text).replace(' ', ""));
    AppendCrc(f);
    return f;
}

// Feeds a request the way the workstation sends it: first byte mark, the rest space.
std::vector<RequestFramer::Event> Send(RequestFramer &f, const QByteArray &frame, qint64 &now,
                                       P first = P::Mark, P rest = P::Space) {
    auto out = f.push(frame.left(1), first, now);
    now += 10;
    auto more = f.push(frame.mid(1), rest, now);
    out.insert(out.end(), more.begin(), more.end());
    return out;
}

TEST(RequestFramer, FramesRequestsAndSkipsGarbage) {
    RequestFramer f;
    qint64 now = 1000;
    auto ev = Send(f, Req("00 02"), now);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, Type::Request);
    EXPECT_EQ(ev[0].request.bytes, Req("00 02"));
    EXPECT_EQ(ev[0].request.verdict, ParityVerdict::MarkThenSpace);

    // Space-parity noise between requests is skipped.
    EXPECT_TRUE(f.push(QByteArray("\x55\x02\x13", 3), P::Space, now).empty());
    ev = Send(f, Req("0E 03 05"), now);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].request.bytes, Req("0E 03 05"));

    // A request cut short is abandoned when the next mark byte comes.
    EXPECT_TRUE(f.push(Req("05 0A 00 00 12 02 15 03 11 00").left(4), P::Mark, now).empty());
    ev = Send(f, Req("0A 02"), now);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].request.bytes, Req("0A 02"));
    EXPECT_FALSE(f.pending());
}

TEST(RequestFramer, ReportsChecksumAndLengthFaults) {
    RequestFramer f;
    qint64 now = 1000;
    QByteArray bad = Req("01 02");
    bad[3] = char(bad[3] ^ 1);
    auto ev = Send(f, bad, now);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, Type::BadChecksum);

    ev = Send(f, QByteArray("\x04\x01", 2), now);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, Type::BadLength);

    // More bytes announced than sent: error 2 once the line stays quiet.
    EXPECT_TRUE(Send(f, Req("04 03"), now).empty());
    EXPECT_TRUE(f.idle(now + kRequestGapMs).empty());
    ev = f.idle(now + kRequestGapMs + 1);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, Type::BadLength);
    EXPECT_FALSE(f.pending());
}

TEST(RequestFramer, ObservesParityOfEachByte) {
    struct Case {
        const char *name;
        P first, rest;
        Type type;
        ParityVerdict verdict;
    };
    const Case cases[] = {
        {"mark then space", P::Mark, P::Space, Type::Request, ParityVerdict::MarkThenSpace},
        {"all mark", P::Mark, P::Mark, Type::Stray, ParityVerdict::Violation},
        {"all space", P::Space, P::Space, Type::Stray, ParityVerdict::Violation},
        {"space then mark", P::Space, P::Mark, Type::Stray, ParityVerdict::Violation},
        {"parity not shown", P::Unknown, P::Unknown, Type::Request, ParityVerdict::NotObserved},
    };
    for (const auto &c : cases) {
        RequestFramer f;
        qint64 now = 1000;
        auto ev = Send(f, Req("01 02"), now, c.first, c.rest);
        if (ev.empty()) ev = f.idle(now + kRequestGapMs + 1);
        ASSERT_EQ(ev.size(), 1u) << c.name;
        EXPECT_EQ(ev[0].type, c.type) << c.name;
        EXPECT_EQ(ev[0].request.bytes, Req("01 02")) << c.name;
        EXPECT_EQ(ev[0].request.verdict, c.verdict) << c.name;
        EXPECT_EQ(ev[0].request.parity.size(), 4u) << c.name;
    }
}

// Where no byte's parity shows, the checksum finds the request, wherever it starts.
TEST(RequestFramer, WithoutParityNoiseBeforeARequestIsSkipped) {
    RequestFramer f;
    qint64 now = 1000;
    // Noise whose length byte announces more than ever comes, then a request, in one read.
    auto ev = f.push(QByteArray::fromHex("55AA0102") + Req("0A 02"), P::Unknown, now);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, Type::Request);
    EXPECT_EQ(ev[0].request.bytes, Req("0A 02"));
    EXPECT_EQ(ev[0].request.offset, 4);
    EXPECT_EQ(ev[0].request.verdict, ParityVerdict::NotObserved);
    // Noise complete by its length byte is no request either while one follows.
    ev = f.push(QByteArray::fromHex("550213") + Req("0E 03 05"), P::Unknown, now);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].request.bytes, Req("0E 03 05"));
    EXPECT_EQ(ev[0].request.offset, 8 + 3);
    EXPECT_EQ(f.pendingOffset(), f.received());

    // A bad request is answered once nothing better came.
    QByteArray bad = Req("01 02");
    bad[3] = char(bad[3] ^ 1);
    EXPECT_TRUE(f.push(bad, P::Unknown, now).empty());
    ev = f.idle(now + kRequestGapMs + 1);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, Type::BadChecksum);
    EXPECT_TRUE(f.push(QByteArray::fromHex("0401"), P::Unknown, now).empty());
    ev = f.idle(now + kRequestGapMs + 1);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].type, Type::BadLength);
    EXPECT_FALSE(f.pending());
}

TEST(ParityMarkDecoder, UndoesTheMarkingOfARealPort) {
    ParityMarkDecoder d;
    // 00 sent with mark parity, then 02 FF (a plain FF doubled) 71, split mid-marking.
    auto runs = d.feed(QByteArray::fromHex("FF"));
    EXPECT_TRUE(runs.empty());
    runs = d.feed(QByteArray::fromHex("000002FFFF"));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].bytes, QByteArray::fromHex("00"));
    EXPECT_EQ(runs[0].parity, LineParity::Mark);
    EXPECT_EQ(runs[1].bytes, QByteArray::fromHex("02FF"));
    EXPECT_EQ(runs[1].parity, LineParity::Space);
    runs = d.feed(QByteArray::fromHex("71FF00FF"));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].bytes, QByteArray::fromHex("71"));
    EXPECT_EQ(runs[1].bytes, QByteArray::fromHex("FF"));
    EXPECT_EQ(runs[1].parity, LineParity::Mark);
}

} // namespace
