#pragma once
// Settings groups of TVaComm. Each group tells its owner about every change; while a
// whole group is assigned an update counter holds the notices back and one follows at
// the end. A group may also refuse a change before it happens (Buffers while open).
#include "link/vacomm_types.h"

#include <cstdint>
#include <functional>

namespace ormix::link {

class TVaPersistent {
public:
    TVaPersistent() = default;
    // Copies carry values only: the owner's hooks stay with the original.
    TVaPersistent(const TVaPersistent &) {}
    TVaPersistent &operator=(const TVaPersistent &) { return *this; }
    virtual ~TVaPersistent() = default;

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // Hooks set by the owner: OnChanging may throw to refuse, OnChange applies.
    std::function<void()> OnChanging;
    std::function<void()> OnChange;

protected:
    void Changing() const {
        if (OnChanging) OnChanging();
    }
    void Changed();
    template <typename T> void SetField(T &field, T value) {
        Changing();
        if (field == value) return;
        field = value;
        Changed();
    }

private:
    int updateCount_ = 0;
    bool pending_ = false;
};

class TVaFlowControl : public TVaPersistent {
public:
    bool OutCtsFlow() const { return outCtsFlow_; }
    void SetOutCtsFlow(bool v) { SetField(outCtsFlow_, v); }
    bool OutDsrFlow() const { return outDsrFlow_; }
    void SetOutDsrFlow(bool v) { SetField(outDsrFlow_, v); }
    TVaControlDtr ControlDtr() const { return controlDtr_; }
    void SetControlDtr(TVaControlDtr v) { SetField(controlDtr_, v); }
    TVaControlRts ControlRts() const { return controlRts_; }
    void SetControlRts(TVaControlRts v) { SetField(controlRts_, v); }
    bool XonXoffOut() const { return xonXoffOut_; }
    void SetXonXoffOut(bool v) { SetField(xonXoffOut_, v); }
    bool XonXoffIn() const { return xonXoffIn_; }
    void SetXonXoffIn(bool v) { SetField(xonXoffIn_, v); }
    bool DsrSensitivity() const { return dsrSensitivity_; }
    void SetDsrSensitivity(bool v) { SetField(dsrSensitivity_, v); }
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    void SetTxContinueOnXoff(bool v) { SetField(txContinueOnXoff_, v); }

    void Assign(const TVaFlowControl &other);
    bool operator==(const TVaFlowControl &o) const;

private:
    bool outCtsFlow_ = false;
    bool outDsrFlow_ = false;
    TVaControlDtr controlDtr_ = dtrDisabled;
    TVaControlRts controlRts_ = rtsDisabled;
    bool xonXoffOut_ = false;
    bool xonXoffIn_ = false;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = false;
};

class TVaEventChars : public TVaPersistent {
public:
    uint8_t XonChar() const { return xonChar_; }
    void SetXonChar(uint8_t v) { SetField(xonChar_, v); }
    uint8_t XoffChar() const { return xoffChar_; }
    void SetXoffChar(uint8_t v) { SetField(xoffChar_, v); }
    uint8_t ErrorChar() const { return errorChar_; }
    void SetErrorChar(uint8_t v) { SetField(errorChar_, v); }
    uint8_t EventChar() const { return eventChar_; }
    void SetEventChar(uint8_t v) { SetField(eventChar_, v); }
    uint8_t EofChar() const { return eofChar_; }
    void SetEofChar(uint8_t v) { SetField(eofChar_, v); }

    void Assign(const TVaEventChars &other);
    bool operator==(const TVaEventChars &o) const;

private:
    uint8_t xonChar_ = 0x11;
    uint8_t xoffChar_ = 0x13;
    uint8_t errorChar_ = 0;
    uint8_t eventChar_ = 0;
    uint8_t eofChar_ = 0;
};

class TVaBuffers : public TVaPersistent {
public:
    int ReadSize() const { return readSize_; }
    void SetReadSize(int v) { SetField(readSize_, v); }
    int WriteSize() const { return writeSize_; }
    void SetWriteSize(int v) { SetField(writeSize_, v); }
    int ReadTimeout() const { return readTimeout_; }
    void SetReadTimeout(int v) { SetField(readTimeout_, v); }
    int WriteTimeout() const { return writeTimeout_; }
    void SetWriteTimeout(int v) { SetField(writeTimeout_, v); }
    int XonLimit() const { return xonLimit_; }
    void SetXonLimit(int v) { SetField(xonLimit_, v); }
    int XoffLimit() const { return xoffLimit_; }
    void SetXoffLimit(int v) { SetField(xoffLimit_, v); }

    void Assign(const TVaBuffers &other);
    bool operator==(const TVaBuffers &o) const;

private:
    int readSize_ = 4096;
    int writeSize_ = 2048;
    int readTimeout_ = 1000;
    int writeTimeout_ = 1000;
    int xonLimit_ = 1024;
    int xoffLimit_ = 1024;
};

} // namespace ormix::link
