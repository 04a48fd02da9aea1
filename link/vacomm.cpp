#include "link/vacomm.h"

#include "link/error_report.h"
#include "link/port_table.h"
#include "link/vacomm_device.h"
#include "link/vacomm_threads.h"

#include <QElapsedTimer>
#include <exception>

namespace ormix::link {

namespace {
const char kBusy[] = "Can't perform this operation while port is open";

// Everything an event handler lets escape goes to the general error report.
template <typename F> void Guarded(F &&f) {
    try {
        f();
    } catch (const EVaCommError &e) {
        ReportApplicationError(e.text);
    } catch (const std::exception &e) {
        ReportApplicationError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ReportApplicationError(QStringLiteral("Unknown error"));
    }
}
} // namespace

int BaudrateValue(TVaBaudrate rate) {
    static const int values[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return rate >= brUser && rate <= br256000 ? values[rate] : 0;
}

TVaCustomComm::TVaCustomComm(QObject *parent) : TVaComponent(parent) {
    auto apply = [this] {
        if (Active() && updateDcb_) ApplyLineSettings();
    };
    flowControl_.OnChange = apply;
    eventChars_.OnChange = apply;
    buffers_.OnChanging = [this] { CheckClosed(); };
}

TVaCustomComm::~TVaCustomComm() {
    destroying_ = true;
    Close();
}

void TVaCustomComm::CheckClosed() const {
    if (Active()) throw EVaCommError(QString::fromLatin1(kBusy));
}

bool TVaCustomComm::Active() const {
    return device_ != nullptr;
}

// ---- properties ------------------------------------------------------------------------

template <typename T> void TVaCustomComm::SetApplied(T &field, T value) {
    if (field == value) return;
    const T old = field;
    field = value;
    if (Active() && updateDcb_) {
        try {
            ApplyLineSettings();
        } catch (...) {
            field = old; // the device keeps the old setting, so does the property
            throw;
        }
    }
}

TVaBaudrate TVaCustomComm::Baudrate() const {
    return baudrate_;
}
void TVaCustomComm::SetBaudrate(TVaBaudrate value) {
    const int oldUser = userBaudrate_;
    if (value != brUser) userBaudrate_ = 0;
    try {
        SetApplied(baudrate_, value);
    } catch (...) {
        userBaudrate_ = oldUser;
        throw;
    }
}
int TVaCustomComm::UserBaudrate() const {
    return userBaudrate_;
}
void TVaCustomComm::SetUserBaudrate(int value) {
    if (value == userBaudrate_ && baudrate_ == brUser) return;
    const int oldUser = userBaudrate_;
    const TVaBaudrate oldRate = baudrate_;
    userBaudrate_ = value;
    baudrate_ = brUser;
    if (Active() && updateDcb_) {
        try {
            ApplyLineSettings();
        } catch (...) {
            userBaudrate_ = oldUser;
            baudrate_ = oldRate;
            throw;
        }
    }
}
TVaParity TVaCustomComm::Parity() const {
    return parity_;
}
void TVaCustomComm::SetParity(TVaParity value) {
    SetApplied(parity_, value);
}
TVaDatabits TVaCustomComm::Databits() const {
    return databits_;
}
void TVaCustomComm::SetDatabits(TVaDatabits value) {
    SetApplied(databits_, value);
}
TVaStopbits TVaCustomComm::Stopbits() const {
    return stopbits_;
}
void TVaCustomComm::SetStopbits(TVaStopbits value) {
    SetApplied(stopbits_, value);
}
void TVaCustomComm::SetOptions(TVaCommOptions value) {
    SetApplied(options_, value);
}

int TVaCustomComm::PortNum() const {
    return portNum_;
}
void TVaCustomComm::SetPortNum(int value) {
    CheckClosed();
    portNum_ = value;
}
QString TVaCustomComm::DeviceName() const {
    return deviceName_;
}
void TVaCustomComm::SetDeviceName(const QString &value) {
    CheckClosed();
    deviceName_ = value;
}
TVaCommEvents TVaCustomComm::MonitorEvents() const {
    return monitorEvents_;
}
void TVaCustomComm::SetMonitorEvents(TVaCommEvents value) {
    CheckClosed();
    monitorEvents_ = value;
}
bool TVaCustomComm::DirectWrite() const {
    return directWrite_;
}
void TVaCustomComm::SetDirectWrite(bool value) {
    CheckClosed();
    directWrite_ = value;
}
void TVaCustomComm::SetUpdateDCB(bool value) {
    CheckClosed();
    updateDcb_ = value;
}
void TVaCustomComm::SetEventPriority(TVaThreadPriority value) {
    if (value == eventPriority_) return;
    eventPriority_ = value;
    if (eventThread_) eventThread_->SetPriority(value);
}
void TVaCustomComm::SetWritePriority(TVaThreadPriority value) {
    if (value == writePriority_) return;
    writePriority_ = value;
    if (writeThread_) writeThread_->SetPriority(value);
}

// Only "%d" is replaced (and "%%" made "%"): a name is no format string, so any other
// '%' stays as it is instead of reading an argument that is not there.
QString TVaCustomComm::FormattedDeviceName() const {
    QString out;
    bool replaced = false;
    for (qsizetype i = 0; i < deviceName_.size(); ++i) {
        const QChar c = deviceName_[i];
        if (c == '%' && i + 1 < deviceName_.size()) {
            const QChar n = deviceName_[i + 1];
            if (n == 'd' && !replaced) {
                out += QString::number(portNum_);
                replaced = true;
                ++i;
                continue;
            }
            if (n == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// ---- open and close --------------------------------------------------------------------

void TVaCustomComm::ApplyLineSettings() {
    TVaLineSettings s;
    s.baud = baudrate_ == brUser ? userBaudrate_ : BaudrateValue(baudrate_);
    s.databits = databits_;
    s.parity = parity_;
    s.stopbits = stopbits_;
    s.options = options_;
    s.outCtsFlow = flowControl_.OutCtsFlow();
    s.outDsrFlow = flowControl_.OutDsrFlow();
    s.controlDtr = flowControl_.ControlDtr();
    s.controlRts = flowControl_.ControlRts();
    s.xonXoffOut = flowControl_.XonXoffOut();
    s.xonXoffIn = flowControl_.XonXoffIn();
    s.dsrSensitivity = flowControl_.DsrSensitivity();
    s.txContinueOnXoff = flowControl_.TxContinueOnXoff();
    s.xonLimit = buffers_.XonLimit();
    s.xoffLimit = buffers_.XoffLimit();
    s.xonChar = eventChars_.XonChar();
    s.xoffChar = eventChars_.XoffChar();
    s.errorChar = eventChars_.ErrorChar();
    s.eofChar = eventChars_.EofChar();
    s.eventChar = eventChars_.EventChar();
    // Serialised with writes, so a change falls between two writes, and never overtakes
    // bytes written before it: those still queued go to the device first, then the line
    // drains; each wait is bounded as the writes themselves are.
    std::unique_lock g(writeLock_);
    if (writeThread_) writeThread_->WaitUntilWritten(g, buffers_.WriteTimeout());
    const bool drained = device_->Drain(buffers_.ReadTimeout());
    device_->ApplySettings(s, drained);
}

uint32_t TVaCustomComm::EventMask() const {
    uint32_t mask = uint32_t(monitorEvents_.toInt());
    // The write thread reports output-empty itself.
    if (!directWrite_) mask &= ~uint32_t(ceTxEmpty);
    return mask;
}

std::unique_ptr<TVaCommDevice> TVaCustomComm::CreateHandle() {
    const QString name = FormattedDeviceName();
    const auto path = PortTable::Load().Resolve(name);
    if (!path) throw EVaCommError(QStringLiteral("Specified device not found (%1).").arg(name));
    return TVaCommDevice::Open(name, *path);
}

void TVaCustomComm::CreateThreads() {
    const uint32_t mask = EventMask();
    if (mask) {
        eventThread_ = std::make_unique<TVaCommEventThread>(this, device_.get());
        eventThread_->Start(eventPriority_);
    }
    if (!directWrite_) {
        writeThread_ = std::make_unique<TVaCommWriteThread>(this, device_.get(), writeLock_,
                                                            buffers_.WriteSize());
        writeThread_->Start(writePriority_);
    }
}

void TVaCustomComm::Open() {
    CheckClosed();
    device_ = CreateHandle();
    deviceLost_ = false;
    try {
        if (updateDcb_) ApplyLineSettings();
        device_->SetupQueues(buffers_.ReadSize(), buffers_.WriteSize());
        device_->SetReadAtOnce();
        device_->SetEventMask(EventMask());
        CreateThreads();
    } catch (const std::system_error &e) { // a thread that could not start
        StopThreads();
        device_.reset();
        throw EVaCommError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        StopThreads();
        device_.reset();
        throw;
    }
    if (OnOpen) Guarded([this] { OnOpen(this); });
}

void TVaCustomComm::StopThreads() {
    if (eventThread_) eventThread_->Stop();
    eventThread_.reset();
    if (writeThread_) writeThread_->Stop();
    writeThread_.reset();
}

void TVaCustomComm::Close() {
    if (!Active()) return;
    {
        std::lock_guard g(readLock_);
        StopThreads();
        VaSleep(10);
    }
    device_.reset();
    if (!destroying_ && OnClose) OnClose(this);
    VaSleep(300);
}

// ---- reading and writing ---------------------------------------------------------------

int TVaCustomComm::Write(const char *buffer, int count) {
    if (!Active() || count <= 0) return 0;
    if (directWrite_) {
        // Accepted means gone out: handed to the driver and drained, within ReadTimeout.
        QElapsedTimer elapsed;
        elapsed.start();
        const int timeout = buffers_.ReadTimeout();
        int written;
        {
            std::lock_guard g(writeLock_);
            written = device_->Write(buffer, count, timeout);
            const int left = qMax(0, timeout - int(elapsed.elapsed()));
            if (written > 0 && !device_->Drain(left)) written = 0;
        }
        if (written > 0) device_->NotifyTxEmpty();
        return written;
    }
    if (!writeThread_->Enqueue(buffer, count, buffers_.WriteTimeout()))
        throw EVaCommError(QStringLiteral("Output buffer is full. Please check comm status."));
    return count;
}

bool TVaCustomComm::WriteText(const QByteArray &text) {
    if (text.isEmpty()) return true;
    return Write(text.constData(), int(text.size())) == text.size();
}

bool TVaCustomComm::WriteChar(char c) {
    return Write(&c, 1) == 1;
}

int TVaCustomComm::Read(char *buffer, int count) {
    if (!Active() || count <= 0) return 0;
    std::lock_guard g(readLock_);
    return device_->Read(buffer, count);
}

QByteArray TVaCustomComm::ReadText() {
    const int waiting = InQueCount();
    if (waiting <= 0) return {};
    QByteArray data(waiting, '\0');
    const int n = Read(data.data(), waiting);
    data.truncate(qMax(n, 0));
    return data;
}

int TVaCustomComm::InQueCount() {
    if (!Active()) return 0;
    std::lock_guard g(readLock_);
    return device_->InQueue();
}

bool TVaCustomComm::GetModemState(int signal) {
    if (!Active() || signal < 1 || signal > 4) return false;
    return device_->ModemState() & (1 << (signal - 1));
}

// ---- events ----------------------------------------------------------------------------

void TVaCustomComm::DispatchEvents(uint32_t word) {
    const bool lost = word & kVaDeviceLost;
    word &= ~kVaDeviceLost;
    if (lost) deviceLost_ = true;
    Guarded([&] {
        if (word & ceRxChar) {
            const int count = InQueCount();
            if (count > 0) HandleRxChar(count);
            word &= ~uint32_t(ceRxChar);
        }
        if (word) HandleEvents(word);
    });
    // After the events that came with it: bytes received before the loss go first.
    if (lost && OnDeviceLost) Guarded([this] { OnDeviceLost(this); });
}

void TVaCustomComm::HandleRxChar(int count) {
    if (OnRxChar) OnRxChar(this, count);
}

void TVaCustomComm::HandleEvents(uint32_t word) {
    if ((word & ceError) && Active()) {
        const int errors = device_->TakeErrors();
        if (errors && OnError) OnError(this, errors);
    }
    const std::pair<TVaCommEvent, TVaNotifyEvent *> order[] = {
        {ceRxFlag, &OnRxFlag},     {ceCts, &OnCts},         {ceDsr, &OnDsr},      {ceRing, &OnRing},
        {ceRlsd, &OnRlsd},         {ceTxEmpty, &OnTxEmpty}, {ceBreak, &OnBreak},  {cePErr, &OnPErr},
        {ceRx80Full, &OnRx80Full}, {ceEvent1, &OnEvent1},   {ceEvent2, &OnEvent2}};
    for (const auto &[bit, handler] : order)
        if ((word & bit) && *handler) (*handler)(this);
}

} // namespace ormix::link
