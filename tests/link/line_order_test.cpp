// The order in which a frame reaches the line, proved through a recorded device layer in
// place of the serial driver: whatever way the port writes, a parity change waits until
// the bytes written before it have left, so the first byte goes with mark parity and the
// rest with space.
#include "link/exchange_engine.h"
#include "link/frame.h"
#include "link/port_setup.h"
#include "link/vacomm_device.h"

#include <QTest>
#include <QThread>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using namespace ormix::link;

namespace {

// Records what the component asks of the device, one line per step: "parity M",
// "write 00", "drain". A drain with nothing handed over since the last one is not a step.
class RecordedDevice final : public TVaCommDevice {
public:
    // holdWritesMs: a write from another thread (the write thread) waits this long, or
    // until the next settings change, before it reaches the line: a write thread that is
    // late, as on a busy PC. A change that overtakes the byte then shows in the record.
    RecordedDevice(QStringList &record, std::mutex &lock, int holdWritesMs)
        : record_(record), lock_(lock), holdMs_(holdWritesMs) {}

    void ApplySettings(const TVaLineSettings &s, bool) override {
        std::lock_guard g(lock_);
        const char *names[] = {"N", "O", "E", "M", "S"};
        record_ << QStringLiteral("parity %1").arg(QLatin1String(names[s.parity]));
        changed_.notify_all();
    }
    void SetupQueues(int, int) override {}
    void SetReadAtOnce() override {}
    void SetEventMask(uint32_t) override {}
    int Write(const char *data, int count, int, const TVaEvent *) override {
        std::unique_lock g(lock_);
        if (QThread::currentThread() != qApp->thread() && holdMs_ > 0) {
            const qsizetype before = record_.size();
            changed_.wait_for(g, std::chrono::milliseconds(holdMs_),
                              [&] { return record_.size() != before; });
        }
        record_ << QStringLiteral("write ") + QByteArray(data, count).toHex(' ').toUpper();
        handedOver_ = true;
        return count;
    }
    bool Drain(int, const TVaEvent *) override {
        std::lock_guard g(lock_);
        if (handedOver_) record_ << QStringLiteral("drain");
        handedOver_ = false;
        return true;
    }
    int Read(char *, int) override { return 0; }
    int InQueue() override { return 0; }
    int TakeErrors() override { return 0; }
    void AddErrors(int) override {}
    int ModemState() override { return 0; }
    uint32_t WaitEvent(const TVaEvent &stop) override {
        stop.WaitFor(-1);
        return 0;
    }
    void BeginDispatch() override {}
    void EndDispatch() override {}
    void NotifyTxEmpty() override {}

private:
    QStringList &record_;
    std::mutex &lock_;
    int holdMs_;
    bool handedOver_ = false;
    std::condition_variable changed_;
};

class RecordedComm : public TVaComm {
public:
    explicit RecordedComm(int holdWritesMs) : holdMs_(holdWritesMs) {}
    QStringList Record() {
        std::lock_guard g(lock_);
        return record_;
    }

protected:
    std::unique_ptr<TVaCommDevice> CreateHandle() override {
        return std::make_unique<RecordedDevice>(record_, lock_, holdMs_);
    }

private:
    int holdMs_;
    QStringList record_;
    std::mutex lock_;
};

struct SilentHost : TExchangeHost {
    bool connected = true;
    bool IsConnected() const override { return connected; }
    QByteArray NextPollFrame() override { return MakeFrame(0x00); }
    void DecodeReply(const QByteArray &, const QByteArray &) override {}
};

TEST(LineOrder, EachFrameGoesFirstByteMarkThenTheRestSpace) {
    const QStringList frame = {"parity M", "write 00",       "drain",
                               "parity S", "write 02 80 71", "drain"};
    for (const bool direct : {true, false}) {
        SCOPED_TRACE(direct ? "direct writes (the meter port)" : "through the write thread");
        RecordedComm port(direct ? 0 : 200);
        SetupMeterPort(port);
        port.SetDirectWrite(direct);
        // Room for the held writes however slowly this machine runs: the bound is not
        // what is tested here.
        port.Buffers().SetWriteTimeout(10000);
        port.SetParity(paSpace); // as after an earlier session, so each frame sets mark
        port.Open();
        SilentHost host;
        TExchangeEngine engine(&port, &host);
        engine.Commands().Append(MakeFrame(0x00));
        for (int i = 0; i < 2; ++i) {
            engine.Timer1Timer();             // the send tick
            if (i == 0) engine.Timer2Timer(); // as if the reply timed out: the poll goes on
        }
        host.connected = false; // nothing more is sent
        // The rest of the last frame may still be with the write thread.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return port.Record().size() >= 2 * frame.size(); }, 10000));
        EXPECT_EQ(port.Record().mid(1), frame + frame) << qPrintable(port.Record().join(", "));
        EXPECT_EQ(port.Record().value(0), "parity S"); // applied at Open
        port.Close();
    }
}

} // namespace
