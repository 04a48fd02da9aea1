#include "link/vacomm_threads.h"

#include <QMetaObject>
#include <chrono>
#include <cstring>

namespace ormix::link {

bool TVaCommBuffer::Append(const char *bytes, int n) {
    if (n < 0 || count_ + n > Capacity()) return false;
    std::memcpy(data_.data() + count_, bytes, size_t(n));
    count_ += n;
    return true;
}

void TVaCommBuffer::Remove(int n) {
    if (n <= 0) return;
    if (n >= count_) {
        count_ = 0;
        return;
    }
    std::memmove(data_.data(), data_.data() + n, size_t(count_ - n));
    count_ -= n;
}

// ---- hand-over to the owner's thread ---------------------------------------------------

struct TVaCommThread::Ticket {
    enum State { Pending, Running, Done } state = Pending;
};

struct TVaCommThread::Sync {
    std::mutex lock;
    std::condition_variable done;
    bool stopped = false; // drops every hand-over still queued
    bool interrupted = false;
};

TVaCommThread::TVaCommThread(TVaCustomComm *owner)
    : owner_(owner), sync_(std::make_shared<Sync>()) {}

TVaCommThread::~TVaCommThread() {
    Stop();
}

void TVaCommThread::Start(TVaThreadPriority priority) {
    thread_ = std::thread([this, priority] {
        threadId_ = VaCurrentThreadId();
        VaSetThreadPriority(threadId_, priority);
        Execute();
    });
}

void TVaCommThread::SetPriority(TVaThreadPriority priority) {
    if (long id = threadId_) VaSetThreadPriority(id, priority);
}

void TVaCommThread::Stop() {
    {
        std::lock_guard g(sync_->lock);
        stopping_ = true;
        sync_->stopped = true;
    }
    sync_->done.notify_all();
    stopEvent_.SetEvent();
    if (thread_.joinable()) thread_.join();
}

bool TVaCommThread::Dispatch(uint32_t word) {
    auto ticket = std::make_shared<Ticket>();
    std::shared_ptr<Sync> sync = sync_;
    if (stopping_) return false;
    // The owner is the context: a destroyed owner drops the call. The call never
    // touches this thread object, which Close may have deleted by then.
    TVaCustomComm *owner = owner_;
    auto run = [ticket, sync, owner, word] {
        {
            std::lock_guard g(sync->lock);
            if (sync->stopped || ticket->state != Ticket::Pending) return;
            ticket->state = Ticket::Running;
        }
        owner->DispatchEvents(word);
        {
            std::lock_guard g(sync->lock);
            ticket->state = Ticket::Done;
        }
        sync->done.notify_all();
    };
    QMetaObject::invokeMethod(owner, run, Qt::QueuedConnection);
    std::unique_lock g(sync->lock);
    sync->done.wait(
        g, [&] { return ticket->state == Ticket::Done || stopping_ || sync->interrupted; });
    return !stopping_;
}

void TVaCommThread::ClearInterrupt() {
    std::lock_guard g(sync_->lock);
    sync_->interrupted = false;
}

void TVaCommThread::Interrupt() {
    {
        std::lock_guard g(sync_->lock);
        sync_->interrupted = true;
    }
    sync_->done.notify_all();
}

// ---- event thread ----------------------------------------------------------------------

void TVaCommEventThread::Execute() {
    while (!Stopping()) {
        uint32_t word = 0;
        try {
            word = device_->WaitEvent(stopEvent_);
        } catch (...) {
            word = 0;
        }
        if (Stopping()) break;
        if (!word) {
            // A failed wait: try again, after a pause so a broken device cannot spin.
            stopEvent_.WaitFor(10);
            continue;
        }
        device_->BeginDispatch();
        if (!Dispatch(word)) break;
        // A device that has gone away tells nothing more: the thread ends here and Close
        // finds it finished.
        if (word & kVaDeviceLost) break;
        device_->EndDispatch();
    }
}

// ---- write thread ----------------------------------------------------------------------

bool TVaCommWriteThread::Enqueue(const char *bytes, int n, int timeoutMs) {
    std::unique_lock g(writeLock_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!room_.wait_until(g, deadline, [&] { return buffer_.Count() + n <= buffer_.Capacity(); }))
        return false;
    buffer_.Append(bytes, n);
    dataWaiting_.SetEvent();
    // New data need not wait until the UI thread has taken the last output-empty notice
    // (it may be this very caller, blocked in a write).
    Interrupt();
    return true;
}

bool TVaCommWriteThread::WaitUntilWritten(std::unique_lock<TVaCriticalSection> &lock,
                                          int timeoutMs) {
    // The queue keeps a chunk until the device has written and drained it, so an empty
    // queue means every byte queued so far has left.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    return room_.wait_until(lock, deadline, [&] { return buffer_.Count() == 0; });
}

void TVaCommWriteThread::Execute() {
    QByteArray chunk;
    while (!Stopping()) {
        // Stop wins over data waiting.
        if (TVaHandleObject::WaitForEither(stopEvent_, dataWaiting_, -1) != 1) continue;
        {
            std::lock_guard g(writeLock_);
            chunk = QByteArray(buffer_.Data(), buffer_.Count());
            ClearInterrupt(); // anything queued from here on interrupts the next notice
        }
        if (chunk.isEmpty()) {
            dataWaiting_.ResetEvent();
            continue;
        }
        int written = 0;
        bool failed = false;
        try {
            written = device_->Write(chunk.constData(), int(chunk.size()), -1, &stopEvent_);
            if (written > 0 && !device_->Drain(-1, &stopEvent_)) written = 0;
        } catch (const EVaCommError &) {
            failed = true;
        }
        if (Stopping()) break;
        bool empty = false;
        {
            std::lock_guard g(writeLock_);
            if (failed) {
                // The device refused: drop what waits, or the thread would retry for ever.
                buffer_.Clear();
                device_->AddErrors(ceIoError);
            } else {
                buffer_.Remove(written);
            }
            empty = buffer_.Count() == 0;
            if (empty) dataWaiting_.ResetEvent();
        }
        room_.notify_all();
        if (failed) {
            if (!Dispatch(ceError)) break;
        } else if (empty) {
            if (!Dispatch(ceTxEmpty)) break;
        }
    }
}

} // namespace ormix::link
