#pragma once
// Thin synchronisation wrappers of the serial component: an owned OS handle that can be
// waited on, a manual-reset event, and a lock. The platform file implements the handle
// and the event; the rest of the component never sees a file descriptor.
#include <cstdint>
#include <mutex>

namespace ormix::link {

using TVaHandle = intptr_t;
constexpr TVaHandle kVaInvalidHandle = -1;

enum TVaWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

class TVaHandleObject {
public:
    TVaHandleObject() = default;
    explicit TVaHandleObject(TVaHandle handle) : handle_(handle) {}
    TVaHandleObject(const TVaHandleObject &) = delete;
    TVaHandleObject &operator=(const TVaHandleObject &) = delete;
    virtual ~TVaHandleObject();

    TVaHandle Handle() const { return handle_; }
    // timeoutMs < 0 waits without a limit.
    TVaWaitResult WaitFor(int timeoutMs) const;
    // Waits for the first of two handles: 0 or 1 for the one signalled (the first wins
    // a tie), -1 on time-out or error.
    static int WaitForEither(const TVaHandleObject &a, const TVaHandleObject &b, int timeoutMs);

protected:
    TVaHandle handle_ = kVaInvalidHandle;
};

class TVaEvent : public TVaHandleObject {
public:
    void SetEvent();
    void ResetEvent();
    bool IsSet() const { return WaitFor(0) == wrSignaled; }
};

// Manual-reset, created not signalled.
class TVaWaitEvent : public TVaEvent {
public:
    TVaWaitEvent();
};

class TVaCriticalSection {
public:
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    // BasicLockable, so std::lock_guard and std::unique_lock take it.
    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::mutex mutex_;
};

} // namespace ormix::link
