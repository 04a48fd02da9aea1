#include "link/vacomm.h"
#include "pty_pair.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

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

} // namespace
