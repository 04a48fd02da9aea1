#include "link/vapersistent.h"

namespace ormix::link {

void TVaPersistent::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && pending_) {
        pending_ = false;
        if (OnChange) OnChange();
    }
}

void TVaPersistent::Changed() {
    if (updateCount_ > 0) {
        pending_ = true;
        return;
    }
    if (OnChange) OnChange();
}

// Assign: refused groups refuse once, before any field moves; one notice at the end.
void TVaFlowControl::Assign(const TVaFlowControl &o) {
    Changing();
    BeginUpdate();
    SetOutCtsFlow(o.outCtsFlow_);
    SetOutDsrFlow(o.outDsrFlow_);
    SetControlDtr(o.controlDtr_);
    SetControlRts(o.controlRts_);
    SetXonXoffOut(o.xonXoffOut_);
    SetXonXoffIn(o.xonXoffIn_);
    SetDsrSensitivity(o.dsrSensitivity_);
    SetTxContinueOnXoff(o.txContinueOnXoff_);
    EndUpdate();
}

bool TVaFlowControl::operator==(const TVaFlowControl &o) const {
    return outCtsFlow_ == o.outCtsFlow_ && outDsrFlow_ == o.outDsrFlow_ &&
           controlDtr_ == o.controlDtr_ && controlRts_ == o.controlRts_ &&
           xonXoffOut_ == o.xonXoffOut_ && xonXoffIn_ == o.xonXoffIn_ &&
           dsrSensitivity_ == o.dsrSensitivity_ && txContinueOnXoff_ == o.txContinueOnXoff_;
}

void TVaEventChars::Assign(const TVaEventChars &o) {
    Changing();
    BeginUpdate();
    SetXonChar(o.xonChar_);
    SetXoffChar(o.xoffChar_);
    SetErrorChar(o.errorChar_);
    SetEventChar(o.eventChar_);
    SetEofChar(o.eofChar_);
    EndUpdate();
}

bool TVaEventChars::operator==(const TVaEventChars &o) const {
    return xonChar_ == o.xonChar_ && xoffChar_ == o.xoffChar_ && errorChar_ == o.errorChar_ &&
           eventChar_ == o.eventChar_ && eofChar_ == o.eofChar_;
}

void TVaBuffers::Assign(const TVaBuffers &o) {
    Changing();
    BeginUpdate();
    SetReadSize(o.readSize_);
    SetWriteSize(o.writeSize_);
    SetReadTimeout(o.readTimeout_);
    SetWriteTimeout(o.writeTimeout_);
    SetXonLimit(o.xonLimit_);
    SetXoffLimit(o.xoffLimit_);
    EndUpdate();
}

bool TVaBuffers::operator==(const TVaBuffers &o) const {
    return readSize_ == o.readSize_ && writeSize_ == o.writeSize_ &&
           readTimeout_ == o.readTimeout_ && writeTimeout_ == o.writeTimeout_ &&
           xonLimit_ == o.xonLimit_ && xoffLimit_ == o.xoffLimit_;
}

} // namespace ormix::link
