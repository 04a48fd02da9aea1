#pragma once
// TVaComm: a non-visual serial-port component. One instance wraps one serial device.
// Settings are properties; line events are raised on the UI thread (the thread that
// created the component), one at a time, while the event thread waits for them.
#include "link/vacomm_types.h"
#include "link/vapersistent.h"
#include "link/vasync.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

namespace ormix::link {

// Every failure of the component.
class EVaCommError : public std::runtime_error {
public:
    explicit EVaCommError(const QString &message)
        : std::runtime_error(message.toStdString()), text(message) {}
    QString text;
};

class TVaCustomComm;
using TVaNotifyEvent = std::function<void(TVaCustomComm *sender)>;
using TVaCommRxCharEvent = std::function<void(TVaCustomComm *sender, int count)>;
using TVaCommErrorEvent = std::function<void(TVaCustomComm *sender, int errors)>;

class TVaComponent : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
};

class TVaCustomComm : public TVaComponent {
    Q_OBJECT
public:
    explicit TVaCustomComm(QObject *parent = nullptr);
    ~TVaCustomComm() override;

    void Open();
    void Close();
    bool Active() const;

    int Write(const char *buffer, int count);
    bool WriteText(const QByteArray &text);
    bool WriteChar(char c);
    int Read(char *buffer, int count);
    QByteArray ReadText();
    int InQueCount();
    bool GetModemState(int signal); // 1 CTS, 2 DSR, 3 RING, 4 RLSD

    // Properties (getters and setters); refused ones throw while open.
    TVaBaudrate Baudrate() const;
    void SetBaudrate(TVaBaudrate value);
    int UserBaudrate() const;
    void SetUserBaudrate(int value);
    TVaParity Parity() const;
    void SetParity(TVaParity value); // applied at once while open, for the next byte written
    TVaDatabits Databits() const;
    void SetDatabits(TVaDatabits value);
    TVaStopbits Stopbits() const;
    void SetStopbits(TVaStopbits value);
    int PortNum() const;
    void SetPortNum(int value);
    QString DeviceName() const;
    void SetDeviceName(const QString &value);
    TVaCommEvents MonitorEvents() const;
    void SetMonitorEvents(TVaCommEvents value);
    bool DirectWrite() const;
    void SetDirectWrite(bool value);
    bool AutoOpen() const { return autoOpen_; }
    void SetAutoOpen(bool value) { autoOpen_ = value; }
    TVaCommOptions Options() const { return options_; }
    void SetOptions(TVaCommOptions value);
    // The groups may be changed field by field (applied, or refused for Buffers, at each
    // change) or assigned whole (one application at the end).
    TVaFlowControl &FlowControl() { return flowControl_; }
    void SetFlowControl(const TVaFlowControl &value) { flowControl_.Assign(value); }
    TVaEventChars &EventChars() { return eventChars_; }
    void SetEventChars(const TVaEventChars &value) { eventChars_.Assign(value); }
    TVaBuffers &Buffers() { return buffers_; }
    void SetBuffers(const TVaBuffers &value) { buffers_.Assign(value); }
    bool UpdateDCB() const { return updateDcb_; }
    void SetUpdateDCB(bool value);
    TVaThreadPriority EventPriority() const { return eventPriority_; }
    void SetEventPriority(TVaThreadPriority value);
    TVaThreadPriority WritePriority() const { return writePriority_; }
    void SetWritePriority(TVaThreadPriority value);

    // The device path Open uses: DeviceName with PortNum in place of its "%d", resolved
    // through the port table unless it is already an absolute path.
    QString FormattedDeviceName() const;

    // Events, raised on the UI thread.
    TVaCommRxCharEvent OnRxChar;
    TVaNotifyEvent OnBreak, OnCts, OnDsr, OnRing, OnRlsd, OnRxFlag, OnTxEmpty, OnPErr, OnRx80Full,
        OnEvent1, OnEvent2, OnOpen, OnClose;
    TVaCommErrorEvent OnError;
    // The device went away while open (an adapter pulled out): raised once, after which
    // the event thread has ended. The port stays Active until Close; writes fail.
    TVaNotifyEvent OnDeviceLost;
    bool DeviceLost() const { return deviceLost_; }

protected:
    // Virtual operations, in slot order. CreateHandle opens the device of
    // FormattedDeviceName(); a test may return a device of its own.
    virtual std::unique_ptr<class TVaCommDevice> CreateHandle();
    virtual void CreateThreads();
    virtual void HandleRxChar(int count);
    virtual void HandleEvents(uint32_t word);

private:
    friend class TVaCommThread;
    // Runs one event word on the UI thread (called by the threads through a queued call).
    void DispatchEvents(uint32_t word);
    void ApplyLineSettings();
    void CheckClosed() const;
    uint32_t EventMask() const;
    void StopThreads();
    template <typename T> void SetApplied(T &field, T value);

    bool autoOpen_ = false;
    TVaBaudrate baudrate_ = br1200;
    int userBaudrate_ = 0;
    TVaParity parity_ = paNone;
    TVaDatabits databits_ = db8;
    TVaStopbits stopbits_ = sb1;
    TVaCommOptions options_;
    TVaFlowControl flowControl_;
    TVaEventChars eventChars_;
    TVaBuffers buffers_;
    int portNum_ = 0;
    QString deviceName_ = QStringLiteral("COM%d");
    TVaCommEvents monitorEvents_ = TVaCommEvents(ceError | ceRxChar | ceTxEmpty);
    bool directWrite_ = false;
    bool updateDcb_ = true;
    TVaThreadPriority eventPriority_ = tpNormal;
    TVaThreadPriority writePriority_ = tpHighest;

    bool destroying_ = false;
    bool deviceLost_ = false;
    std::unique_ptr<class TVaCommDevice> device_;
    TVaCriticalSection writeLock_;
    TVaCriticalSection readLock_;
    std::unique_ptr<class TVaCommEventThread> eventThread_;
    std::unique_ptr<class TVaCommWriteThread> writeThread_;
};

class TVaComm : public TVaCustomComm {
    Q_OBJECT
public:
    using TVaCustomComm::TVaCustomComm;
};

} // namespace ormix::link
