#pragma once
// The event thread and the write thread of TVaComm, and the write queue.
#include "link/vacomm.h"
#include "link/vacomm_device.h"
#include "link/vasync.h"

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace ormix::link {

// The write queue: a byte array of fixed capacity with a fill count.
class TVaCommBuffer {
public:
    explicit TVaCommBuffer(int capacity) : data_(qMax(capacity, 0), '\0') {}
    int Capacity() const { return int(data_.size()); }
    int Count() const { return count_; }
    const char *Data() const { return data_.constData(); }
    bool Append(const char *bytes, int n);
    void Remove(int n); // from the head; the rest moves down
    void Clear() { count_ = 0; }

private:
    QByteArray data_;
    int count_ = 0;
};

// Common part of both threads: a stop signal, and the hand-over of an event word to
// the owner's thread, waiting until it has run there. Unlike a blocking queued call the
// wait also ends on stop, so Close on the UI thread never waits for itself; a hand-over
// that has not started by then is dropped.
class TVaCommThread {
public:
    explicit TVaCommThread(TVaCustomComm *owner);
    virtual ~TVaCommThread();
    void Start(TVaThreadPriority priority);
    void Stop(); // tells the thread to stop and waits until it has ended
    void SetPriority(TVaThreadPriority priority);

protected:
    virtual void Execute() = 0;
    bool Stopping() const { return stopping_; }
    // False when the thread was told to stop before the dispatch ran. Interrupt() ends
    // the wait early (the dispatch still runs later, unless the thread is stopped).
    bool Dispatch(uint32_t word);
    void Interrupt();
    void ClearInterrupt();

    TVaCustomComm *owner_;
    TVaWaitEvent stopEvent_;

private:
    struct Ticket;
    struct Sync; // outlives the thread object: a late queued call still reaches it
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<long> threadId_{0};
    std::shared_ptr<Sync> sync_;
};

class TVaCommEventThread : public TVaCommThread {
public:
    TVaCommEventThread(TVaCustomComm *owner, TVaCommDevice *device)
        : TVaCommThread(owner), device_(device) {}

protected:
    void Execute() override;

private:
    TVaCommDevice *device_;
};

class TVaCommWriteThread : public TVaCommThread {
public:
    TVaCommWriteThread(TVaCustomComm *owner, TVaCommDevice *device, TVaCriticalSection &writeLock,
                       int capacity)
        : TVaCommThread(owner), device_(device), writeLock_(writeLock), buffer_(capacity) {}
    // Called by Write: waits up to timeoutMs for room; false when there was none.
    bool Enqueue(const char *bytes, int n, int timeoutMs);
    // Called with the write lock held (it is released while waiting): waits up to
    // timeoutMs until everything queued has been written and has left the port.
    bool WaitUntilWritten(std::unique_lock<TVaCriticalSection> &lock, int timeoutMs);

protected:
    void Execute() override;

private:
    TVaCommDevice *device_;
    TVaCriticalSection &writeLock_;
    TVaCommBuffer buffer_;
    TVaWaitEvent dataWaiting_;
    std::condition_variable_any room_;
};

} // namespace ormix::link
