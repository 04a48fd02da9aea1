#pragma once
// The workstation's clock follows the production server's: set from it at identification
// and before each write. Where the system refuses to set the clock (an unprivileged
// program on Linux), the server's offset is kept and Now() gives server time instead.
#include "records/sql_connection.h"

#include <QDateTime>
#include <QString>

namespace ormix::records {

struct ClockSync {
    bool ok = false;       // the server answered
    QString error;         // why not
    QDateTime serverTime;  // what it said (its local date and time)
    bool clockSet = false; // the PC's clock was set from it
};

class ServerClock {
public:
    // SyncClockWithServer: QueryTime, then the platform sets the local clock. A refusal
    // is not an error: the offset is kept.
    ClockSync Sync(ProductionConnection &connection);

    // The PC's clock, or the server's time when the PC's clock could not be set.
    QDateTime Now() const;
    // The PC's clock could not be set at the last sync.
    bool ClockNotSet() const { return notSet_; }
    // True once, after the first refusal: the window says it once in the protocol view.
    bool TakeNotSetNotice();
    static QString NotSetNotice();

private:
    qint64 offsetMs_ = 0;
    bool notSet_ = false;
    bool noticeGiven_ = false;
};

} // namespace ormix::records
