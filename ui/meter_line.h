#pragma once
// What a page may ask of the meter line: the window's exchange engine behind it. The
// schedule and journal pages queue their reads and writes through it.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

namespace ormix::ui {

class MeterLine {
public:
    virtual ~MeterLine() = default;
    // A meter port is connected: queued frames go out.
    virtual bool Connected() const = 0;
    // A frame of command `code` is queued or in flight: a read of it has not ended.
    virtual bool Queued(std::uint8_t code) const = 0;
    // Appends frames behind the one in flight; they are exchanged one at a time.
    virtual void Queue(const QList<QByteArray> &frames) = 0;
    // A schedule write: ScheduleWritePending is set, then the frames are queued; its end
    // shows the indicator and is logged like a settings write.
    virtual void QueueScheduleWrite(const QList<QByteArray> &frames) = 0;
    // A line of the protocol view, written while CheckBox_Terminal is ticked.
    virtual void AddProtocolLine(const QString &line) = 0;
};

} // namespace ormix::ui
