#pragma once
// Enumerations and settings groups of the serial component TVaComm.
#include <QFlags>
#include <QString>
#include <cstdint>
#include <functional>

namespace ormix::link {

enum TVaBaudrate {
    brUser,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TVaParity { paNone, paOdd, paEven, paMark, paSpace };
enum TVaDatabits { db4, db5, db6, db7, db8 };
enum TVaStopbits { sb1, sb15, sb2 };
enum TVaCommEvent {
    ceBreak = 1 << 0,
    ceCts = 1 << 1,
    ceDsr = 1 << 2,
    ceError = 1 << 3,
    ceRing = 1 << 4,
    ceRlsd = 1 << 5,
    ceRxChar = 1 << 6,
    ceTxEmpty = 1 << 7,
    ceRxFlag = 1 << 8,
    cePErr = 1 << 9,
    ceRx80Full = 1 << 10,
    ceEvent1 = 1 << 11,
    ceEvent2 = 1 << 12
};
Q_DECLARE_FLAGS(TVaCommEvents, TVaCommEvent)
enum TVaCommOption { coErrorChar = 1 << 0, coNullStrip = 1 << 1, coParityCheck = 1 << 2 };
Q_DECLARE_FLAGS(TVaCommOptions, TVaCommOption)
enum TVaControlDtr { dtrDisabled, dtrEnabled, dtrHandshake };
enum TVaControlRts { rtsDisabled, rtsEnabled, rtsHandshake, rtsToggle };
enum TVaThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Bits per second of a TVaBaudrate (0 for brUser).
int BaudrateValue(TVaBaudrate rate);

} // namespace ormix::link

Q_DECLARE_OPERATORS_FOR_FLAGS(ormix::link::TVaCommEvents)
Q_DECLARE_OPERATORS_FOR_FLAGS(ormix::link::TVaCommOptions)
