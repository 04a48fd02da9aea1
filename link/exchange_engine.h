#pragma once
// The exchange engine: sends the head of Commands, collects the reply in RxBuffer,
// validates it against TxFrame, hands it to the host's decoder and removes the head,
// which lets the next frame go. While connected the queue never runs dry: an empty
// queue is refilled with the next poll request.
//
// The engine takes over OnRxChar (VaComm1RxChar) and OnDeviceLost of the meter port it is
// given; the owner keeps the port and its other events (OnBreak).
#include "link/command_queue.h"
#include "link/exchange_host.h"
#include "link/protocol_view.h"
#include "link/vacomm.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace ormix::link {

// The engine's timer intervals. The program runs with these values; a test may shorten
// them so it does not sleep through a reply timeout or the indicator.
struct TExchangeTimings {
    int sendTickMs = 50;       // Timer1
    int replyTimeoutMs = 1000; // Timer2, the same at every speed
    int indicatorMs = 2000;    // TimerShape
    int markPauseMs = 10;      // after the first byte, before space parity
};

class TExchangeEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int MarkPauseMs = TExchangeTimings{}.markPauseMs;
    static constexpr int TimeoutsBeforeBlank = 5; // the sixth in a row disables writing

    static const QString WriteFailureTitle;
    static const QString WriteFailureText;
    // Panel 1 while the meter stays silent (from the sixth timeout in a row until a byte
    // arrives), and once the port itself has gone away.
    static const QString NoAnswerText;
    static const QString PortLostText;

    TExchangeEngine(TVaCustomComm *port, TExchangeHost *host, QObject *parent = nullptr,
                    const TExchangeTimings &timings = {});
    ~TExchangeEngine() override;

    const TExchangeTimings &Timings() const { return timings_; }
    void SetTimings(const TExchangeTimings &timings);

    TCommandQueue &Commands() { return commands_; }
    const TCommandQueue &Commands() const { return commands_; }
    TProtocolView &Protocol() { return protocol_; }

    QByteArray TxFrame() const { return txFrame_; }
    QByteArray RxBuffer() const { return rxBuffer_; }
    int SendCount() const { return sendCount_; }
    int MissedReplies() const { return missedReplies_; }

    // Set by the settings write and the schedule write when they queue their frames.
    bool WritePending() const { return writePending_; }
    void SetWritePending(bool on) { writePending_ = on; }
    bool ScheduleWritePending() const { return scheduleWritePending_; }
    void SetScheduleWritePending(bool on) { scheduleWritePending_ = on; }

    // Connected in the host's sense and not being disconnected.
    bool Connected() const;

    // TimerStartTimer's work after a connect: SendCount 0, protocol view cleared, poll
    // restarted, a write sequence queued before dropped without a result (nothing logged,
    // no indicator), queue emptied, request 0x00 queued (which starts the exchange).
    void StartExchange();
    // The meter side of a disconnect: the port closes; then a queued write sequence ends
    // without success (nothing logged, no indicator), Timer1 and Timer2 stop and the
    // queue is emptied with nothing queued behind it. EVaCommError from Close reaches the
    // caller and leaves everything as it was.
    void EndConnection();

    // The indicator as a completed write shows it, for an operation done without a write
    // ("Зафиксировать в БД"): shown, and TimerShape started.
    void ShowIndicatorAsAfterWrite(TIndicator result);

    // Stop waiting, report a failed write sequence if one was pending, empty the queue.
    void AbortExchange();

    // The handlers, public so a test or the owner can drive them directly.
    void CommandsChange();
    void Timer1Timer();
    void Timer2Timer();
    void TimerShapeTimer();
    void VaComm1RxChar(TVaCustomComm *sender, int count);
    void VaComm1DeviceLost();

    bool Timer1Active() const { return timer1_.isActive(); }
    bool Timer2Active() const { return timer2_.isActive(); }
    bool TimerShapeActive() const { return timerShape_.isActive(); }

private:
    void reject(const QString &text);
    void dispatch();
    void sendFrame();

    QPointer<TVaCustomComm> port_;
    TExchangeHost *host_;
    TExchangeTimings timings_;
    TCommandQueue commands_;
    TProtocolView protocol_;
    QByteArray txFrame_;
    QByteArray rxBuffer_;
    int sendCount_ = 0;
    int missedReplies_ = 0;
    bool writePending_ = false;
    bool scheduleWritePending_ = false;
    bool ending_ = false;
    bool failureBoxOpen_ = false; // no frame goes out while the operator reads it
    QTimer timer1_;
    QTimer timer2_;
    QTimer timerShape_;
};

} // namespace ormix::link
