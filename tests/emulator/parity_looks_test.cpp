// The parity of a request judged from looks at the sender's settings pinned between
// bytes: only what no sender following the protocol could show counts against it.
#include "emulator/parity_looks.h"
#include "link/frame.h"

#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::emulator;

namespace {

using P = LineParity;
using V = ParityVerdict;

// A four-byte request starting at stream position 10: gap g is position 10 + g.
std::vector<LineLook> At(std::initializer_list<std::pair<int, P>> gaps) {
    std::vector<LineLook> looks;
    for (const auto &[gap, parity] : gaps)
        looks.push_back({10 + gap, parity});
    return looks;
}

TEST(ParityLooks, OnlyWhatNoCorrectSenderShowsIsAViolation) {
    struct Case {
        const char *name;
        std::vector<LineLook> looks;
        V verdict;
        const char *parity; // per byte: M, S or ?
    };
    const Case cases[] = {
        {"seen on time: mark after the first byte, space after the last",
         At({{0, P::Space}, {0, P::Mark}, {1, P::Mark}, {4, P::Space}}), V::MarkThenSpace, "MSSS"},
        {"the switch to space seen between the first and second byte",
         At({{1, P::Mark}, {1, P::Space}}), V::MarkThenSpace, "MSSS"},
        {"read in one piece after the switch (woke late)", At({{0, P::Space}, {4, P::Space}}),
         V::NotObserved, "????"},
        {"nothing pinned at all", {}, V::NotObserved, "????"},
        {"space seen after the first byte: it may have come after the switch",
         At({{1, P::Space}, {4, P::Space}}), V::NotObserved, "????"},
        {"mark after the last byte: the sender may have moved on", At({{1, P::Mark}, {4, P::Mark}}),
         V::NotObserved, "M???"},
        {"a sender without mark or space parity", At({{0, P::Other}, {1, P::Other}}),
         V::NotObserved, "????"},
        {"looks outside the request", At({{-1, P::Mark}, {-1, P::Space}, {5, P::Mark}}),
         V::NotObserved, "????"},
        {"mark set, then space, then the first byte",
         At({{0, P::Mark}, {0, P::Space}, {4, P::Space}}), V::Violation, "S???"},
        {"mark, space and mark again before the first byte",
         At({{0, P::Mark}, {0, P::Space}, {0, P::Mark}, {1, P::Mark}, {4, P::Space}}),
         V::MarkThenSpace, "MSSS"},
        {"back to mark before the rest", At({{1, P::Mark}, {1, P::Space}, {1, P::Mark}}),
         V::Violation, "MMMM"},
        {"mark between two bytes of the rest", At({{1, P::Mark}, {2, P::Mark}}), V::Violation,
         "MMMM"},
    };
    for (const Case &c : cases) {
        ObservedRequest r;
        r.bytes = QByteArray::fromHex("00028071");
        r.offset = 10;
        JudgeByLooks(r, c.looks);
        EXPECT_EQ(r.verdict, c.verdict) << c.name;
        QString shown;
        for (P p : r.parity)
            shown += p == P::Mark ? 'M' : p == P::Space ? 'S' : '?';
        EXPECT_EQ(shown, QString(c.parity)) << c.name;
        EXPECT_EQ(r.violation.isEmpty(), c.verdict != V::Violation) << c.name;
    }
}

} // namespace
