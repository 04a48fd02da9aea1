#include "link/command_queue.h"

namespace ormix::link {

void TCommandQueue::Append(const QByteArray &frame) {
    frames_.append(Entry{frame, nextSerial_++});
    if (OnChange) OnChange();
}

void TCommandQueue::RemoveHead() {
    if (frames_.isEmpty()) return;
    frames_.removeFirst();
    if (OnChange) OnChange();
}

void TCommandQueue::Clear() {
    if (frames_.isEmpty()) return;
    frames_.clear();
    if (OnChange) OnChange();
}

} // namespace ormix::link
