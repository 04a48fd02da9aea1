#pragma once
// The platform side of TVaComm: one open serial device. Every failure raises
// EVaCommError with the component's message and the OS's error code and text.
// Implemented per platform (vacomm_posix.cpp); tests may record it instead.
#include "link/vacomm.h"
#include "link/vasync.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

namespace ormix::link {

struct TVaLineSettings {
    int baud = 1200;
    TVaDatabits databits = db8;
    TVaParity parity = paNone;
    TVaStopbits stopbits = sb1;
    TVaCommOptions options;
    bool outCtsFlow = false;
    bool outDsrFlow = false;
    TVaControlDtr controlDtr = dtrDisabled;
    TVaControlRts controlRts = rtsDisabled;
    bool xonXoffOut = false;
    bool xonXoffIn = false;
    bool dsrSensitivity = false;
    bool txContinueOnXoff = false;
    int xonLimit = 1024;
    int xoffLimit = 1024;
    uint8_t xonChar = 0x11;
    uint8_t xoffChar = 0x13;
    uint8_t errorChar = 0;
    uint8_t eofChar = 0;
    uint8_t eventChar = 0;
};

// Driver error flags as OnError reports them (the values of the Win32 CE_ flags).
enum TVaCommErrorFlag {
    ceRxOver = 0x0001,
    ceOverrun = 0x0002,
    ceRxParity = 0x0004,
    ceFrame = 0x0008,
    ceBreakError = 0x0010,
    ceIoError = 0x0400,
};

// A bit of the event word beyond the line events: the device went away (a USB adapter
// pulled out, the other side of a pseudo-terminal closed). The event thread hands it over
// once and ends.
constexpr uint32_t kVaDeviceLost = 1u << 31;

// The component's seam to the operating system. The component decides the order of
// things (drain before a settings change, write then drain); the device only carries out
// one step at a time, so a test can put a recording device in its place.
class TVaCommDevice {
public:
    // Opens `path` exclusively with the platform's device; `shownName` is what the
    // messages name ("COM3").
    static std::unique_ptr<TVaCommDevice> Open(const QString &shownName, const QString &path);
    virtual ~TVaCommDevice() = default;

    // Pushes the whole line state. `drained`: the output has just left (Drain returned
    // true), so the change may wait for the transmitter; otherwise it applies at once.
    virtual void ApplySettings(const TVaLineSettings &s, bool drained) = 0;
    virtual void SetupQueues(int readSize, int writeSize) = 0;
    virtual void SetReadAtOnce() = 0;
    virtual void SetEventMask(uint32_t mask) = 0;

    // Hands the bytes to the driver: the count once it has taken them all, or 0 when
    // timeoutMs (< 0: no limit) ran out or `stop` was set.
    virtual int Write(const char *data, int count, int timeoutMs,
                      const TVaEvent *stop = nullptr) = 0;
    // Waits until the bytes handed over have left the port: false when timeoutMs
    // (< 0: no limit) ran out or `stop` was set first.
    virtual bool Drain(int timeoutMs, const TVaEvent *stop = nullptr) = 0;
    // Returns at once with what is waiting (0 when nothing or the device is gone).
    virtual int Read(char *data, int count) = 0;
    virtual int InQueue() = 0;
    virtual int TakeErrors() = 0;
    virtual void AddErrors(int flags) = 0;
    // Bits: 1 CTS, 2 DSR, 4 RING, 8 RLSD; all off where the driver has no modem lines.
    virtual int ModemState() = 0;

    // Event thread side: blocks until an event of the mask occurs (its word, with
    // kVaDeviceLost when the device has gone) or `stop` is set (0).
    virtual uint32_t WaitEvent(const TVaEvent &stop) = 0;
    // Around the hand-over of one event word: tells apart bytes a handler left
    // waiting from bytes that arrived afterwards.
    virtual void BeginDispatch() = 0;
    virtual void EndDispatch() = 0;
    virtual void NotifyTxEmpty() = 0;
};

// Best-effort thread priority (the OS may refuse to raise it without privileges).
long VaCurrentThreadId();
void VaSetThreadPriority(long threadId, TVaThreadPriority priority);
// Pause of the calling thread.
void VaSleep(int ms);

} // namespace ormix::link
