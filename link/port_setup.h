#pragma once
// The workstation's two serial ports as the program runs them: the meter port VaComm1 and
// the scanner port VaComm2. The window, ormix-cli, the tests and the benchmark all set
// their ports up here, so what they exercise is what ships.
#include "link/vacomm.h"

#include <QStringList>
#include <array>
#include <optional>

namespace ormix::link {

// The meter line: 4800 bit/s to begin with, 8 data bits, mark parity (switched per frame),
// 1 stop bit, no handshake, RTS held on (adapters that draw power from it or use it for
// direction need it) and DTR off; direct writes, so a write returns only once its bytes
// have left; the event thread waits for break and received characters. Port 1, named
// "COM%d", until the caller picks another. The port must be closed.
void SetupMeterPort(TVaCustomComm &port);

// The speeds of the meter line, in the order of the speed list and menu (the index is the
// menu item's Tag). The reply timeout is the same at every speed.
struct LineSpeed {
    int bitsPerSecond;
    TVaBaudrate rate;
};
inline constexpr std::array<LineSpeed, 4> kMeterSpeeds{
    {{1200, br1200}, {2400, br2400}, {4800, br4800}, {9600, br9600}}};
constexpr int kStartSpeedIndex = 2; // 4800, selected at start-up
// "1200", "2400", "4800", "9600".
QStringList MeterSpeedTexts();
// The rate of one of the meter line's speeds; nothing for any other number.
std::optional<TVaBaudrate> MeterSpeedRate(int bitsPerSecond);

// The barcode scanner: 9600 bit/s, 8N1 without parity, both lines off, no handshake, named
// "Com%d"; writes go through the write thread and the events are the component's default.
// The port must be closed.
void SetupScannerPort(TVaCustomComm &port);

// The start-up probe of one port number: opens the port with its settings, sends one zero
// byte and closes it again. True only when the byte went out; every failure is swallowed.
bool ProbePort(TVaCustomComm &port, int portNum);

} // namespace ormix::link
