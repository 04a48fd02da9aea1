#include "link/command_queue.h"

#include <gtest/gtest.h>

using namespace ormix::link;

namespace {
TEST(CommandQueue, EveryChangeRunsTheHandlerBeforeReturning) {
    TCommandQueue q;
    QList<int> seen; // the size the handler saw, each time
    q.OnChange = [&] { seen << q.Count(); };
    q.Append("a");
    q.Append("b");
    q.RemoveHead();
    q.Clear();
    EXPECT_EQ(seen, (QList<int>{1, 2, 1, 0}));
    q.Clear();      // empty: no change
    q.RemoveHead(); // empty: no change
    EXPECT_EQ(seen.size(), 4);
}

TEST(CommandQueue, TheHandlerRefillsAnEmptyQueueNestedInItself) {
    TCommandQueue q;
    int depth = 0, maxDepth = 0, calls = 0;
    q.OnChange = [&] {
        ++calls;
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        if (q.IsEmpty()) q.Append("poll"); // as the engine does when the queue runs dry
        --depth;
    };
    q.Append("write");
    q.Append("write2");
    q.Clear();
    EXPECT_EQ(q.Count(), 1);
    EXPECT_EQ(q.Head(), "poll");
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(maxDepth, 2);
}

TEST(CommandQueue, SerialsTellEqualFramesApart) {
    TCommandQueue q;
    EXPECT_EQ(q.HeadSerial(), 0u);
    q.Append("same");
    const auto first = q.HeadSerial();
    q.Clear();
    q.Append("same");
    EXPECT_NE(q.HeadSerial(), first);
    EXPECT_NE(q.HeadSerial(), 0u);
}
} // namespace
