#include "link/protocol_view.h"

#include <gtest/gtest.h>

using namespace ormix::link;

namespace {
QByteArray hex(const char *text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

TEST(ProtocolLines, FormatsTimeAndUpperCaseHex) {
    const QTime t(14, 3, 7, 125);
    const QTime early(4, 5, 6, 7); // zero padding of every field
    EXPECT_EQ(ProtocolSendLine(t, hex("00 02 80 71")), "14:03:07.125 Send 00 02 80 71 ");
    EXPECT_EQ(ProtocolReceiveLine(t, hex("81 03 01 e0 d8")),
              "14:03:07.125 Received: 81 03 01 E0 D8 ");
    EXPECT_EQ(ProtocolTimeoutLine(QTime(14, 3, 8, 125)), "14:03:08:125 Timeout.");
    EXPECT_EQ(ProtocolSendLine(early, hex("2a")), "04:05:06.007 Send 2A ");
    EXPECT_EQ(ProtocolTimeoutLine(QTime(23, 59, 59, 999)), "23:59:59:999 Timeout.");
}

struct Recorder {
    TProtocolView view;
    QStringList changes;
    int beeps = 0;
    explicit Recorder(bool master, bool logging = true) {
        view.SetMasterMode(master);
        view.SetLogging(logging);
        view.OnChange = [this](TProtocolView::Change c, const QString &line) {
            switch (c) {
            case TProtocolView::Change::LineAdded:
                changes << "add " + line;
                break;
            case TProtocolView::Change::FirstLineRemoved:
                changes << "remove";
                break;
            case TProtocolView::Change::Cleared:
                changes << "clear";
                break;
            }
        };
        view.OnBeep = [this] { ++beeps; };
    }
    void addAll() {
        view.AddSend(hex("00 02 80 71"));
        view.AddReceived(hex("00"));
        view.AddTimeout();
        view.AddMessage(QStringLiteral("Неверный отклик"));
    }
};

TEST(ProtocolView, WhichLinesAreWrittenAndWhenItBeeps) {
    struct Case {
        const char *name;
        bool master, logging;
        int lines, beeps;
    } cases[] = {
        {"master, logging: full trace, silent", true, true, 4, 0},
        {"operator, logging: no trace, each line beeps", false, true, 2, 2},
        {"master, not logging: nothing", true, false, 0, 0},
        {"operator, not logging: nothing, silent", false, false, 0, 0},
    };
    for (const auto &c : cases) {
        Recorder r(c.master, c.logging);
        r.addAll();
        EXPECT_EQ(r.view.Lines().size(), c.lines) << c.name;
        EXPECT_EQ(r.changes.size(), c.lines) << c.name;
        EXPECT_EQ(r.beeps, c.beeps) << c.name;
    }
    Recorder op(false);
    op.addAll();
    ASSERT_EQ(op.view.Lines().size(), 2);
    EXPECT_TRUE(op.view.Lines()[0].endsWith(" Timeout."));
    EXPECT_EQ(op.view.Lines()[1], "Неверный отклик");
}

TEST(ProtocolView, ClearingIsAChangeEvenWhenEmpty) {
    Recorder op(false);
    op.view.Clear();
    EXPECT_EQ(op.changes, QStringList{"clear"});
    EXPECT_EQ(op.beeps, 1);
    Recorder master(true);
    master.view.AddMessage("x");
    master.view.Clear();
    EXPECT_TRUE(master.view.Lines().isEmpty());
    EXPECT_EQ(master.beeps, 0);
}

TEST(ProtocolView, AFullViewDropsTheOldestLineAndBeepsForBothChanges) {
    Recorder op(false);
    for (int i = 0; i < TProtocolView::MaxLines; ++i)
        op.view.AddMessage(QString::number(i));
    EXPECT_EQ(op.view.Lines().size(), 1500);
    EXPECT_EQ(op.beeps, 1500);
    op.changes.clear();

    op.view.AddMessage("new");
    EXPECT_EQ(op.view.Lines().size(), 1500);
    EXPECT_EQ(op.view.Lines().first(), "1");
    EXPECT_EQ(op.view.Lines().last(), "new");
    EXPECT_EQ(op.changes, (QStringList{"add new", "remove"}));
    EXPECT_EQ(op.beeps, 1502);
}
} // namespace
