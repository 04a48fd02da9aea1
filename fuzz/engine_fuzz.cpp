// The exchange engine's reply assembly and dispatch: received bytes of any kind, split into
// chunks of any size, with sends, reply timeouts, write sequences, reads, disconnects and
// connects in between, against a stand-in for the meter port. The handlers are called the
// way the timers and the port would call them (a timer only while it runs).
//
// Input: a byte of context (low four bits the firmware's major version; bit 4 the DDM
// number read; bits 5 and 6 master mode and protocol logging), then steps: a byte naming
// the step (see Step) and the step's own bytes.
//
// Promises checked after every step: while connected the engine always has a frame queued
// and a timer that moves it on (no stall), TxFrame is the head of the queue, only a reply
// that passed every check reaches a decoder, and a write sequence is reported done (green,
// a log row) only when every one of its frames went out.
#include "fuzz/fuzz_main.h"
#include "fuzz/reply_decoding.h"
#include "fuzz/reply_examples.h"
#include "link/commands.h"
#include "link/exchange_engine.h"
#include "link/frame.h"
#include "link/port_setup.h"
#include "link/vacomm_device.h"
#include "meter/journal_requests.h"
#include "meter/poll_cycle.h"
#include "meter/schedule_frames.h"
#include "meter/write_sequence.h"

#include <memory>

using namespace ormix::fuzz;
using namespace ormix::link;
using namespace ormix::meter;

namespace {

// The device behind the stand-in port: what the engine writes is kept in `written`, what
// the meter sent waits in `inbox` until the engine reads it.
class StandInDevice final : public TVaCommDevice {
public:
    StandInDevice(QByteArray &written, QByteArray &inbox) : written_(written), inbox_(inbox) {}
    void ApplySettings(const TVaLineSettings &, bool) override {}
    void SetupQueues(int, int) override {}
    void SetReadAtOnce() override {}
    void SetEventMask(uint32_t) override {}
    int Write(const char *data, int count, int, const TVaEvent *) override {
        written_.append(data, count);
        return count;
    }
    bool Drain(int, const TVaEvent *) override { return true; }
    int Read(char *data, int count) override {
        const int n = qMin(count, int(inbox_.size()));
        std::memcpy(data, inbox_.constData(), size_t(n));
        inbox_.remove(0, n);
        return n;
    }
    int InQueue() override { return int(inbox_.size()); }
    int TakeErrors() override { return 0; }
    void AddErrors(int) override {}
    int ModemState() override { return 0; }
    uint32_t WaitEvent(const TVaEvent &) override { return 0; }
    void BeginDispatch() override {}
    void EndDispatch() override {}
    void NotifyTxEmpty() override {}

private:
    QByteArray &written_;
    QByteArray &inbox_;
};

// The meter port, opened once for the whole run: no device, no event thread (the fuzzer
// delivers the received-data events itself).
class StandInPort final : public TVaComm {
public:
    QByteArray written;
    QByteArray inbox;

protected:
    std::unique_ptr<TVaCommDevice> CreateHandle() override {
        return std::make_unique<StandInDevice>(written, inbox);
    }
    void CreateThreads() override {}
};

StandInPort *Port() {
    static StandInPort *port = [] {
        auto *p = new StandInPort;
        SetupMeterPort(*p);
        p->Open();
        return p;
    }();
    return port;
}

// The window as the engine sees it, keeping count of the write sequence in the queue.
struct Host : TExchangeHost {
    bool connected = true;
    int firmwareMajor = 6;
    bool ddmEnabled = true;
    int pollIndex = 0;
    QList<QByteArray> writeFrames; // of the write sequence pending, in order
    int writeFramesSent = 0;

    bool IsConnected() const override { return connected; }
    QByteArray NextPollFrame() override {
        const PollStep step = NextPollRequest(pollIndex, firmwareMajor, ddmEnabled);
        pollIndex = step.nextIndex;
        return step.frame;
    }
    void ResetPoll() override { pollIndex = 0; }
    void DecodeReply(const QByteArray &reply, const QByteArray &request) override {
        FUZZ_CHECK(reply.size() >= 4 && reply.size() == std::uint8_t(reply[1]) + 2);
        FUZZ_CHECK(!request.isEmpty() && reply[0] == request[0] && CheckCrc(reply));
        DecodeReplyChecked(std::uint8_t(request[0]), reply, firmwareMajor, 2026);
    }
    void LogCompletedWrite() override {
        FUZZ_CHECK(writeFramesSent == writeFrames.size()); // no success for unsent frames
        ForgetWrite();
    }
    void ShowWriteFailure(const QString &, const QString &) override { ForgetWrite(); }

    void Sent(const QByteArray &frame) {
        if (writeFramesSent < writeFrames.size() && frame == writeFrames[writeFramesSent])
            ++writeFramesSent;
    }
    void ForgetWrite() {
        writeFrames.clear();
        writeFramesSent = 0;
    }
};

enum Step : int {
    Tick,          // Timer1
    Timeout,       // Timer2
    IndicatorOff,  // TimerShape
    MeterAnswers,  // the meter puts its reply to TxFrame on the line: a form (1 byte)
    Reply,         // made up: data count (0..32), data, flags (bit 0: a length byte follows,
                   // bit 1: a wrong checksum)
    ErrorReply,    // an error reply with the error code given (1 byte)
    Noise,         // some bytes: count, bytes
    Deliver,       // bytes on the line arrive, a received-data event: count (0: all)
    SettingsWrite, // the operator's choices (see Choices)
    ScheduleWrite, // single tariff (1 byte), password (2)
    JournalRead,   // which journal (1 byte)
    ScheduleRead,
    Disconnect,
    Connect, // also a second one while connected
    kStepCount
};

WriteChoices Choices(InputReader &in, int firmwareMajor) {
    WriteChoices c;
    const std::uint8_t ticks = in.Byte();
    c.checkPassword = ticks & 0x01;
    c.checkTime = ticks & 0x02;
    c.factoryNumberMarked = ticks & 0x04;
    c.checkCorrect = ticks & 0x08;
    c.checkStatus = ticks & 0x10;
    c.checkSchedule = ticks & 0x20;
    c.checkIndi = ticks & 0x40;
    c.checkDdm = c.ddmEnabled = ticks & 0x80;
    const std::uint8_t more = in.Byte();
    c.checkResetVisible = c.checkReset = more & 0x01;
    c.checkResetTariff = more & 0x02;
    c.accessPassword = in.Word();
    c.newPassword = in.Word();
    c.date = QDate(2026, 3, 1).addDays(qint16(in.Word()));
    c.time = QTime(0, 0).addSecs(in.Word() * 2);
    c.factoryNumber = qint32(in.Word() << 8 | in.Byte());
    c.correction = in.Int(-40, 40);
    c.billingDay = in.Int(0, 40);
    c.billingHour = in.Int(0, 30);
    c.ddmNumber = qint32(in.Word() << 8 | in.Byte());
    c.firmwareMajor = firmwareMajor;
    return c;
}

class Run {
public:
    explicit Run(InputReader &in) : in_(in) {
        const std::uint8_t context = in.Byte();
        host_.firmwareMajor = context & 0x0F;
        host_.ddmEnabled = context & 0x10;
        TExchangeTimings timings;
        timings.markPauseMs = 0; // the pause only matters on a real line
        engine_ = std::make_unique<TExchangeEngine>(Port(), &host_, nullptr, timings);
        engine_->Protocol().SetMasterMode(context & 0x20);
        engine_->Protocol().SetLogging(context & 0x40);
        Port()->inbox.clear();
        engine_->StartExchange();
    }

    void Do(Step step) {
        switch (step) {
        case Tick:
            if (!host_.connected || !engine_->Timer1Active()) break;
            Port()->written.clear();
            engine_->Timer1Timer();
            if (!Port()->written.isEmpty()) host_.Sent(Port()->written);
            break;
        case Timeout:
            if (host_.connected && engine_->Timer2Active()) engine_->Timer2Timer();
            break;
        case IndicatorOff:
            if (engine_->TimerShapeActive()) engine_->TimerShapeTimer();
            break;
        case MeterAnswers:
            line_ += ExampleReply(std::uint8_t(Code()), in_.Byte());
            break;
        case Reply:
            line_ += MakeReply();
            break;
        case ErrorReply: {
            QByteArray e;
            e.append(char(std::uint8_t(Code()) + Cmd::ErrorBit));
            e.append(char(3));
            e.append(char(in_.Byte()));
            AppendCrc(e);
            line_ += e;
            break;
        }
        case Noise:
            line_ += in_.Bytes(in_.Int(1, 8));
            break;
        case Deliver: {
            if (line_.isEmpty()) break;
            const int count = in_.Byte();
            const qsizetype n = count == 0 ? line_.size() : qMin<qsizetype>(count, line_.size());
            // A closed port hears nothing.
            if (host_.connected) Port()->inbox += line_.left(n);
            line_.remove(0, n);
            if (host_.connected) engine_->VaComm1RxChar(Port(), int(n));
            Port()->inbox.clear();
            break;
        }
        case SettingsWrite: {
            const WriteSequence w = BuildWriteSequence(Choices(in_, host_.firmwareMajor));
            if (w.ok()) Queue(w.frames, false);
            break;
        }
        case ScheduleWrite: {
            ormix::meter::ScheduleWriteChoices c;
            c.schedule.singleTariff = in_.Bool();
            c.accessPassword = in_.Word();
            c.firmwareMajor = host_.firmwareMajor;
            const auto w = ormix::meter::BuildScheduleWrite(c);
            if (w.ok()) Queue(w.frames, true);
            break;
        }
        case JournalRead: {
            const int kind = in_.Int(0, 2);
            const auto frames = kind == 0   ? ormix::meter::YearlyJournalRequests()
                                : kind == 1 ? ormix::meter::ConsumptionJournalRequests()
                                            : ormix::meter::OldJournalRequests();
            for (const QByteArray &f : frames)
                engine_->Commands().Append(f);
            break;
        }
        case ScheduleRead:
            for (const QByteArray &f : ormix::meter::ScheduleReadFrames(host_.firmwareMajor))
                engine_->Commands().Append(f);
            break;
        case Disconnect:
            // What a disconnect does but closing the port (which takes 300 ms): nothing
            // more is sent or heard, and the queue drops what it holds.
            host_.connected = false;
            line_.clear();
            engine_->Commands().Clear();
            break;
        case Connect: // also a second connect while connected
            host_.connected = true;
            line_.clear();
            engine_->StartExchange();
            break;
        case kStepCount:
            break;
        }
        CheckNoStall();
        // A write the engine no longer has pending ended, reported or not.
        if (!engine_->WritePending() && !engine_->ScheduleWritePending()) host_.ForgetWrite();
    }

private:
    char Code() const { return engine_->TxFrame().isEmpty() ? '\0' : engine_->TxFrame()[0]; }

    // A reply to the frame in flight: its code, data, a length byte that fits the data or
    // one given, and a checksum that is right or not.
    QByteArray MakeReply() {
        const QByteArray data = in_.Bytes(in_.Int(0, 32));
        const std::uint8_t flags = in_.Byte();
        QByteArray r;
        r.append(Code());
        r.append(flags & 0x01 ? char(in_.Byte()) : char(data.size() + 2));
        r.append(data);
        AppendCrc(r);
        if (flags & 0x02) r[r.size() - 1] = char(r.back() ^ 0x01);
        return r;
    }

    void Queue(const QList<QByteArray> &frames, bool schedule) {
        schedule ? engine_->SetScheduleWritePending(true) : engine_->SetWritePending(true);
        host_.writeFrames += frames;
        for (const QByteArray &f : frames)
            engine_->Commands().Append(f);
    }

    void CheckNoStall() const {
        if (!host_.connected) return;
        FUZZ_CHECK(!engine_->Commands().IsEmpty());
        FUZZ_CHECK(engine_->Timer1Active() || engine_->Timer2Active());
        FUZZ_CHECK(engine_->TxFrame() == engine_->Commands().Head());
    }

    InputReader &in_;
    Host host_;
    std::unique_ptr<TExchangeEngine> engine_;
    QByteArray line_; // sent by the meter, not yet arrived
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    StartQt(argc, argv);
    Port();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    InputReader in(data, size);
    Run run(in);
    for (int steps = 0; steps < 1000 && !in.Empty(); ++steps)
        run.Do(Step(in.Byte() % kStepCount));
    return 0;
}
