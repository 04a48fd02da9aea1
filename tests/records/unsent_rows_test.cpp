// The file of unsent rows: order, refusals, crashes at any moment, damaged lines.
#include "records/unsent_rows.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace ormix::records;

namespace {

using ormix::records::Delivery;
using ormix::records::UnsentRow;
using ormix::records::UnsentRows;

QJsonObject Row(int n) {
    return {{"n", n}};
}

QList<int> Numbers(const QList<UnsentRow> &rows) {
    QList<int> out;
    for (const UnsentRow &r : rows)
        out.append(r.row["n"].toInt());
    return out;
}

class UnsentRowsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path() const { return dir_.filePath(QStringLiteral("sub/unsent.jsonl")); }
    void Keep(UnsentRows &file, int n) {
        QString error;
        ASSERT_TRUE(file.Keep(QString::number(n), Row(n), &error)) << error.toStdString();
    }
    QTemporaryDir dir_;
};

TEST_F(UnsentRowsTest, SendsOldestFirstAndStopsWhileTheReceiverIsAway) {
    UnsentRows file(Path());
    for (int n = 1; n <= 4; ++n)
        Keep(file, n);
    EXPECT_EQ(file.Count().waiting, 4);

    QList<int> offered;
    const auto away = file.Replay([&](const UnsentRow &r) {
        offered.append(r.row["n"].toInt());
        return r.row["n"].toInt() == 3 ? Delivery{Delivery::ServerAway, "нет связи"} : Delivery{};
    });
    EXPECT_EQ(offered, QList<int>({1, 2, 3}));
    EXPECT_EQ(away.sent, 2);
    EXPECT_TRUE(away.stopped && away.receiverAway);
    EXPECT_EQ(away.error, "нет связи");
    EXPECT_EQ(away.waiting, 2);

    offered.clear();
    const auto back = file.Replay([&](const UnsentRow &r) {
        offered.append(r.row["n"].toInt());
        return Delivery{};
    });
    EXPECT_EQ(offered, QList<int>({3, 4}));
    EXPECT_EQ(back.sent, 2);
    EXPECT_FALSE(back.stopped);
    // Nothing left: the file is gone, not left growing.
    EXPECT_FALSE(QFile::exists(Path()));
    EXPECT_EQ(file.Replay([](const UnsentRow &) { return Delivery{}; }).sent, 0);
}

TEST_F(UnsentRowsTest, ARefusedRowStaysWithItsReasonUntilRequeued) {
    UnsentRows file(Path());
    Keep(file, 1);
    Keep(file, 2);
    const auto r = file.Replay([](const UnsentRow &row) {
        return row.row["n"].toInt() == 1 ? Delivery{Delivery::Refused, "не описан"} : Delivery{};
    });
    ASSERT_EQ(r.refused.size(), 1);
    EXPECT_EQ(r.refused[0].refusal, "не описан");
    EXPECT_EQ(r.sent, 1);
    EXPECT_EQ(file.Count().waiting, 0);
    EXPECT_EQ(file.Count().refused, 1);

    // Not offered again on its own; still there after the file was rewritten.
    int offered = 0;
    file.Replay([&](const UnsentRow &) {
        ++offered;
        return Delivery{};
    });
    EXPECT_EQ(offered, 0);
    QString error;
    const auto rows = file.Rows(&error);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].refusal, "не описан");
    EXPECT_EQ(rows[0].row, Row(1));

    ASSERT_TRUE(file.RequeueRefused(&error)) << error.toStdString();
    EXPECT_EQ(file.Replay([](const UnsentRow &) { return Delivery{}; }).sent, 1);
    EXPECT_EQ(file.Count().refused, 0);
}

TEST_F(UnsentRowsTest, ALineCutShortByACrashNeverSwallowsTheNextRow) {
    UnsentRows file(Path());
    Keep(file, 1);
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(R"({"op":"keep","key":"2","at":"2026-)"); // killed in the middle of a write
    }
    EXPECT_EQ(file.Count().waiting, 1);
    Keep(file, 3);
    QString error;
    EXPECT_EQ(Numbers(file.Rows(&error)), QList<int>({1, 3}));

    // A line whose checksum does not match is not a row; it is moved aside, not dropped.
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("{\"op\":\"keep\",\"key\":\"9\",\"at\":\"\",\"row\":{\"n\":9}}\t00000000\n");
    }
    EXPECT_EQ(Numbers(file.Rows(&error)), QList<int>({1, 3}));
    file.Replay([](const UnsentRow &) { return Delivery{}; });
    QFile damaged(Path() + ".damaged");
    ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
    const QByteArray kept = damaged.readAll();
    EXPECT_TRUE(kept.contains("\"key\":\"9\"")) << kept.toStdString();
    EXPECT_TRUE(kept.contains("2026-")) << kept.toStdString();
}

TEST_F(UnsentRowsTest, AFileThatCannotBeWrittenIsReported) {
    const QString blocked = dir_.filePath(QStringLiteral("plain-file"));
    QFile f(blocked);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    UnsentRows file(blocked + QStringLiteral("/unsent.jsonl")); // its folder is a file
    QString error;
    EXPECT_FALSE(file.Keep(QStringLiteral("1"), Row(1), &error));
    EXPECT_FALSE(error.isEmpty());
}

// The receiver of the crash test: a file of keys, flushed per key, that recognises a
// key it has (as the production database does through its table of keys).
Delivery Receive(const QString &receiver, const UnsentRow &row) {
    QFile f(receiver);
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line == row.key.toUtf8()) return {};
        f.close();
    }
    const int fd =
        ::open(QFile::encodeName(receiver).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    const QByteArray line = row.key.toUtf8() + '\n';
    const bool ok =
        fd >= 0 && ::write(fd, line.constData(), line.size()) == line.size() && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    return ok ? Delivery{} : Delivery{Delivery::ServerAway, "receiver"};
}

// Children keep rows and replay them and are killed -9 at random moments; every row
// whose Keep returned arrives, and none arrives twice.
TEST_F(UnsentRowsTest, KillNineAtAnyMomentLosesNoRowAndSendsNoneTwice) {
    const QString receiver = dir_.filePath(QStringLiteral("received"));
    const QString acknowledged = dir_.filePath(QStringLiteral("acknowledged"));
    std::mt19937 random(12345);
    for (int round = 0; round < 24; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            UnsentRows file(Path());
            const int ack = ::open(QFile::encodeName(acknowledged).constData(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0600);
            for (int i = 0;; ++i) {
                if (i % 5 == 4) {
                    file.Replay([&](const UnsentRow &r) { return Receive(receiver, r); });
                    continue;
                }
                const QString key = QStringLiteral("%1-%2").arg(round).arg(i);
                QString error;
                if (!file.Keep(key, {{"key", key}}, &error)) _exit(3);
                const QByteArray line = key.toUtf8() + '\n';
                if (::write(ack, line.constData(), line.size()) != line.size()) _exit(4);
            }
        }
        usleep(2000 + random() % 30000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself: " << status;
    }

    UnsentRows file(Path());
    const auto last = file.Replay([&](const UnsentRow &r) { return Receive(receiver, r); });
    EXPECT_FALSE(last.stopped) << last.error.toStdString();
    EXPECT_EQ(file.Count().waiting, 0);

    auto lines = [](const QString &path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        QList<QByteArray> out = f.readAll().split('\n');
        out.removeAll(QByteArray());
        return out;
    };
    const QList<QByteArray> received = lines(receiver);
    const QSet<QByteArray> receivedSet(received.begin(), received.end());
    EXPECT_EQ(receivedSet.size(), received.size()) << "a row arrived twice";
    int acked = 0;
    for (const QByteArray &key : lines(acknowledged)) {
        ++acked;
        EXPECT_TRUE(receivedSet.contains(key)) << "lost " << key.toStdString();
    }
    EXPECT_GT(acked, 24) << "the children kept too few rows to prove anything";
}

} // namespace
