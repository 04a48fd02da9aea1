#include "link/port_setup.h"

namespace ormix::link {

void SetupMeterPort(TVaCustomComm &port) {
    port.SetDeviceName(QStringLiteral("COM%d"));
    port.SetPortNum(1);
    port.SetBaudrate(kMeterSpeeds[kStartSpeedIndex].rate);
    port.SetParity(paMark);
    port.SetDatabits(db8);
    port.SetStopbits(sb1);
    TVaFlowControl lines; // no handshake of any kind
    lines.SetControlDtr(dtrDisabled);
    lines.SetControlRts(rtsEnabled);
    port.SetFlowControl(lines);
    port.SetMonitorEvents(ceBreak | ceRxChar);
    port.SetDirectWrite(true);
}

QStringList MeterSpeedTexts() {
    QStringList texts;
    for (const LineSpeed &s : kMeterSpeeds)
        texts << QString::number(s.bitsPerSecond);
    return texts;
}

std::optional<TVaBaudrate> MeterSpeedRate(int bitsPerSecond) {
    for (const LineSpeed &s : kMeterSpeeds)
        if (s.bitsPerSecond == bitsPerSecond) return s.rate;
    return std::nullopt;
}

void SetupScannerPort(TVaCustomComm &port) {
    port.SetDeviceName(QStringLiteral("Com%d"));
    port.SetBaudrate(br9600);
    port.SetParity(paNone);
    port.SetDatabits(db8);
    port.SetStopbits(sb1);
    TVaFlowControl lines;
    lines.SetControlDtr(dtrDisabled);
    lines.SetControlRts(rtsDisabled);
    port.SetFlowControl(lines);
    port.SetMonitorEvents(ceError | ceRxChar | ceTxEmpty);
    port.SetDirectWrite(false);
}

bool ProbePort(TVaCustomComm &port, int portNum) {
    bool wentOut = false;
    try {
        port.SetPortNum(portNum);
        port.Open();
        // With direct writes this is true only once the byte has left the port; a
        // queued write would report success for any port that merely opens.
        wentOut = port.WriteChar(0);
    } catch (const EVaCommError &) {
    }
    try {
        port.Close();
    } catch (const EVaCommError &) {
    }
    return wentOut;
}

} // namespace ormix::link
