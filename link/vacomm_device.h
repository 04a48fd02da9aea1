#pragma once
// The platform side of TVaComm: one open serial device. Every failure raises
// EVaCommError with the component's message and the OS's error code and text.
// Implemented per platform (vacomm_posix.cpp).
#include "link/vacomm.h"
#include "link/vasync.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

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

class TVaCommDevice {
public:
    // Opens `path` exclusively; `shownName` is what the messages name ("COM3").
    static std::unique_ptr<TVaCommDevice> Open(const QString &shownName, const QString &path);
    ~TVaCommDevice();

    // Pushes the whole line state. While open with data in flight, `drainFirst` lets the
    // bytes already written leave with the old settings (bounded by drainTimeoutMs).
    void ApplySettings(const TVaLineSettings &s, bool drainFirst, int drainTimeoutMs);
    void SetupQueues(int readSize, int writeSize);
    void SetReadAtOnce();
    void SetEventMask(uint32_t mask);

    // Returns the count written once the device has taken it, or 0 when timeoutMs
    // (< 0: no limit) ran out or `stop` was set.
    int Write(const char *data, int count, int timeoutMs, const TVaEvent *stop = nullptr);
    // Returns at once with what is waiting (0 when nothing or the device is gone).
    int Read(char *data, int count);
    int InQueue();
    int TakeErrors();
    void AddErrors(int flags);
    // Bits: 1 CTS, 2 DSR, 4 RING, 8 RLSD; all off where the driver has no modem lines.
    int ModemState();

    // Event thread side: blocks until an event of the mask occurs (its word) or `stop`
    // is set (0).
    uint32_t WaitEvent(const TVaEvent &stop);
    // Around the hand-over of one event word: tells apart bytes a handler left
    // waiting from bytes that arrived afterwards.
    void BeginDispatch();
    void EndDispatch();
    void NotifyTxEmpty();

private:
    TVaCommDevice() = default;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Best-effort thread priority (the OS may refuse to raise it without privileges).
long VaCurrentThreadId();
void VaSetThreadPriority(long threadId, TVaThreadPriority priority);
// Pause of the calling thread.
void VaSleep(int ms);
