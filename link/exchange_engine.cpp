#include "link/exchange_engine.h"
#include "link/link_log.h"

#include "link/commands.h"
#include "link/error_report.h"
#include "link/frame.h"

#include <QLoggingCategory>
#include <QThread>
#include <exception>

namespace ormix::link {

namespace {

std::uint8_t byteAt(const QByteArray &bytes, qsizetype i) {
    return static_cast<std::uint8_t>(bytes.at(i));
}

// Delphi's "Enabled := True": enabling a running timer must not restart its period.
void enable(QTimer &timer) {
    if (!timer.isActive()) timer.start();
}
} // namespace

const QString TExchangeEngine::WriteFailureTitle = QStringLiteral("Ошибка");
const QString TExchangeEngine::WriteFailureText = QStringLiteral(
    "Во время записи установок произошла ошибка. Возможно, пароль для доступа некорректен "
    "(сообщение \"Неверный отклик\" на закладке \"Протокол\").Возможно время таймаута "
    "недостаточно (сообщение \"Timeout\" на закладке \"Протокол\").");

const QString TExchangeEngine::NoAnswerText = QStringLiteral("Нет ответа счетчика");
const QString TExchangeEngine::PortLostText = QStringLiteral("Порт недоступен");

TExchangeEngine::TExchangeEngine(TVaCustomComm *port, TExchangeHost *host, QObject *parent,
                                 const TExchangeTimings &timings)
    : QObject(parent), port_(port), host_(host) {
    timer1_.setTimerType(Qt::PreciseTimer);
    timer2_.setTimerType(Qt::PreciseTimer);
    SetTimings(timings);
    connect(&timer1_, &QTimer::timeout, this, &TExchangeEngine::Timer1Timer);
    connect(&timer2_, &QTimer::timeout, this, &TExchangeEngine::Timer2Timer);
    connect(&timerShape_, &QTimer::timeout, this, &TExchangeEngine::TimerShapeTimer);

    commands_.OnChange = [this] { CommandsChange(); };
    protocol_.OnChange = [this](TProtocolView::Change change, const QString &line) {
        switch (change) {
        case TProtocolView::Change::LineAdded:
            host_->ProtocolLineAdded(line);
            break;
        case TProtocolView::Change::FirstLineRemoved:
            host_->ProtocolFirstLineRemoved();
            break;
        case TProtocolView::Change::Cleared:
            host_->ProtocolCleared();
            break;
        }
    };
    protocol_.OnBeep = [this] { host_->Beep(); };

    if (port_) {
        port_->OnRxChar = [this](TVaCustomComm *sender, int count) {
            VaComm1RxChar(sender, count);
        };
        port_->OnDeviceLost = [this](TVaCustomComm *) { VaComm1DeviceLost(); };
    }
}

TExchangeEngine::~TExchangeEngine() {
    // The handlers capture this engine; a port that outlives it must not call them.
    if (port_) {
        port_->OnRxChar = nullptr;
        port_->OnDeviceLost = nullptr;
    }
    commands_.OnChange = nullptr;
}

void TExchangeEngine::SetTimings(const TExchangeTimings &timings) {
    timings_ = timings;
    timer1_.setInterval(timings.sendTickMs);
    timer2_.setInterval(timings.replyTimeoutMs);
    timerShape_.setInterval(timings.indicatorMs);
}

bool TExchangeEngine::Connected() const {
    return !ending_ && host_->IsConnected();
}

void TExchangeEngine::CommandsChange() {
    if (!commands_.IsEmpty()) {
        if (Connected()) {
            txFrame_ = commands_.Head();
            // A late reply rejected while the failure box is open empties the queue
            // again; the box's own restart of Timer1 sends the new head.
            if (!failureBoxOpen_) enable(timer1_);
        } else {
            commands_.Clear();
        }
        return;
    }
    if (!Connected()) return;
    if (writePending_ || scheduleWritePending_) {
        writePending_ = false;
        scheduleWritePending_ = false;
        host_->ShowIndicator(TIndicator::Success);
        enable(timerShape_);
        host_->DisableAccessPassword();
        qCDebug(lcLink) << "write sequence completed";
        // The logger reports its own failures; the poll must resume whatever it did.
        try {
            host_->LogCompletedWrite();
        } catch (const std::exception &e) {
            ReportApplicationError(QString::fromUtf8(e.what()));
        } catch (...) {
            ReportApplicationError(QStringLiteral("Неизвестная ошибка"));
        }
        host_->ClearMeterView();
    }
    commands_.Append(host_->NextPollFrame());
}

void TExchangeEngine::Timer1Timer() {
    if (!port_ || !port_->Active() || timer2_.isActive()) return;
    timer1_.stop();
    rxBuffer_.clear();
    sendFrame();
    host_->ShowSendCount(sendCount_);
    timer2_.start();
}

// A failure here is not reported: the exchange then ends in a timeout.
void TExchangeEngine::sendFrame() {
    try {
        if (txFrame_.isEmpty()) return;
        port_->SetParity(paMark);
        if (!port_->WriteText(txFrame_.left(1))) return;
        QThread::msleep(timings_.markPauseMs);
        port_->SetParity(paSpace);
        if (txFrame_.size() > 1 && !port_->WriteText(txFrame_.mid(1))) return;
        protocol_.AddSend(txFrame_);
        ++sendCount_;
    } catch (const std::exception &e) {
        qCDebug(lcLink) << "send failed:" << e.what();
    }
}

void TExchangeEngine::Timer2Timer() {
    timer2_.stop();
    protocol_.AddTimeout();
    if (!commands_.IsEmpty()) AbortExchange();
    ++missedReplies_;
    if (missedReplies_ > TimeoutsBeforeBlank) {
        host_->SetActionSettingEnabled(false);
        host_->SetActionFixDbEnabled(false);
        host_->ClearMeterView();
        // The next received byte clears it; a port that has gone away stays the reason.
        host_->ShowLineMessage(port_ && port_->DeviceLost() ? PortLostText : NoAnswerText);
    }
}

// The adapter was pulled out: nothing more will arrive, and every send fails, so the
// exchange goes on into timeouts as with a silent meter until the operator disconnects.
void TExchangeEngine::VaComm1DeviceLost() {
    qCDebug(lcLink) << "meter port gone";
    host_->ShowLineMessage(PortLostText);
}

void TExchangeEngine::TimerShapeTimer() {
    timerShape_.stop();
    host_->HideIndicator();
    host_->ActionReset();
}

void TExchangeEngine::VaComm1RxChar(TVaCustomComm *, int) {
    if (!port_ || !port_->Active()) return;
    host_->ClearLinePanel();
    const QByteArray bytes = port_->ReadText();
    if (bytes.isEmpty()) return;
    missedReplies_ = 0;
    host_->SetActionFixDbEnabled(true);
    host_->SetActionSettingEnabled(host_->PasswordConditionHolds());
    rxBuffer_.append(bytes);
    protocol_.AddReceived(bytes);

    if (IsErrorReply(rxBuffer_, txFrame_)) {
        timer2_.stop();
        reject(ErrorReplyText(byteAt(rxBuffer_, 2)));
        return;
    }
    if (rxBuffer_.size() < 2 || rxBuffer_.size() < byteAt(rxBuffer_, 1) + 2)
        return; // wait for the rest; Timer2 keeps running
    const int length = byteAt(rxBuffer_, 1);
    if (txFrame_.isEmpty() || rxBuffer_.at(0) != txFrame_.at(0))
        reject(QStringLiteral("Неверный отклик"));
    else if (rxBuffer_.size() > length + 2)
        reject(QStringLiteral("Отклик длиннее требуемого"));
    else if (!CheckCrc(rxBuffer_))
        reject(QStringLiteral("Ошибка контрольной суммы"));
    else {
        timer2_.stop();
        dispatch();
    }
}

void TExchangeEngine::reject(const QString &text) {
    qCDebug(lcLink) << "reply rejected:" << text;
    protocol_.AddMessage(text);
    if (!commands_.IsEmpty()) AbortExchange();
}

// The decoder gets copies: it may change the queue (and with it TxFrame) while it runs.
// Only the frame that was answered is removed, so a decoder that emptied or refilled the
// queue does not lose the frame that now stands at the head. A decoder that throws must
// not stall the exchange: its failure is reported and the head goes all the same.
void TExchangeEngine::dispatch() {
    const QByteArray request = txFrame_;
    const QByteArray reply = rxBuffer_;
    const std::uint64_t head = commands_.HeadSerial();
    if (HasDecoder(byteAt(request, 0))) {
        try {
            host_->DecodeReply(reply, request);
        } catch (const std::exception &e) {
            ReportApplicationError(QString::fromUtf8(e.what()));
        } catch (...) {
            ReportApplicationError(QStringLiteral("Неизвестная ошибка"));
        }
    }
    if (head != 0 && commands_.HeadSerial() == head) commands_.RemoveHead();
}

void TExchangeEngine::ShowIndicatorAsAfterWrite(TIndicator result) {
    host_->ShowIndicator(result);
    enable(timerShape_);
}

void TExchangeEngine::AbortExchange() {
    timer2_.stop();
    if (writePending_ || scheduleWritePending_) {
        writePending_ = false;
        scheduleWritePending_ = false;
        qCDebug(lcLink) << "write sequence failed";
        host_->ShowIndicator(TIndicator::Failure);
        enable(timerShape_);
        commands_.Clear();
        // No frame may go while the operator reads the box.
        timer1_.stop();
        failureBoxOpen_ = true;
        try {
            host_->ShowWriteFailure(WriteFailureTitle, WriteFailureText);
        } catch (...) {
            failureBoxOpen_ = false;
            enable(timer1_);
            throw;
        }
        failureBoxOpen_ = false;
        enable(timer1_);
    }
    commands_.Clear();
}

void TExchangeEngine::StartExchange() {
    sendCount_ = 0;
    protocol_.Clear();
    host_->ResetPoll();
    // A write sequence queued before this connect never reached the meter (it was dropped
    // while disconnected, or goes with the queue now): emptying the queue must not report
    // it done, nor log it.
    writePending_ = false;
    scheduleWritePending_ = false;
    commands_.Clear();
    commands_.Append(MakeFrame(Cmd::ReadVersion));
}

void TExchangeEngine::EndConnection() {
    if (port_) port_->Close(); // a failure leaves the connection as it was
    // An interrupted write was not accepted by the meter: it must not reach the log. A
    // cut-off exchange is no missed reply either, so Timer2 goes too.
    writePending_ = false;
    scheduleWritePending_ = false;
    timer1_.stop();
    timer2_.stop();
    ending_ = true;
    commands_.Clear();
    ending_ = false;
}

} // namespace ormix::link
