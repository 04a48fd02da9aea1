#pragma once
// TVaComm: a non-visual serial-port component. One instance wraps one serial device.
// Settings are properties; line events are raised on the UI thread (the thread that
// created the component), one at a time, while the event thread waits for them.
//
// CONTRACT (fixed; the implementation may add members but not change these):
#include "link/vacomm_types.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <stdexcept>

// Every failure of the component.
class EVaCommError : public std::runtime_error {
public:
    explicit EVaCommError(const QString &message) : std::runtime_error(message.toStdString()), text(message) {}
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
    // ... the remaining properties and the settings groups FlowControl(), EventChars(),
    // Buffers() are declared by the implementation.

    // Events, raised on the UI thread.
    TVaCommRxCharEvent OnRxChar;
    TVaNotifyEvent OnBreak, OnCts, OnDsr, OnRing, OnRlsd, OnRxFlag, OnTxEmpty, OnPErr, OnRx80Full,
        OnEvent1, OnEvent2, OnOpen, OnClose;
    TVaCommErrorEvent OnError;
};

class TVaComm : public TVaCustomComm {
    Q_OBJECT
public:
    using TVaCustomComm::TVaCustomComm;
};
