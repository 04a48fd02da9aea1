#pragma once
#include <QByteArray>
#include <QList>
#include <cstdint>
#include <functional>

namespace ormix::link {

// The frame queue. Every change (append, removal of the head, clearing a non-empty
// queue) runs the change handler before it returns; the handler may change the queue
// again, so it runs nested in itself. Clearing an empty queue calls nothing.
class TCommandQueue {
public:
    std::function<void()> OnChange;

    void Append(const QByteArray &frame);
    void RemoveHead(); // nothing when empty
    void Clear();

    bool IsEmpty() const { return frames_.isEmpty(); }
    int Count() const { return int(frames_.size()); }
    QByteArray Head() const { return frames_.isEmpty() ? QByteArray() : frames_.first().frame; }
    QByteArray At(int i) const { return frames_.at(i).frame; }
    // Tells one appended frame from another with the same bytes; 0 when empty.
    std::uint64_t HeadSerial() const { return frames_.isEmpty() ? 0 : frames_.first().serial; }

private:
    struct Entry {
        QByteArray frame;
        std::uint64_t serial;
    };
    QList<Entry> frames_;
    std::uint64_t nextSerial_ = 1;
};

} // namespace ormix::link
