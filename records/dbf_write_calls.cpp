#include "records/dbf_write_calls.h"

#include <QtGlobal>
#include <cerrno>
#include <memory>
#include <unistd.h>

namespace ormix::records {

namespace {
DbfWriteCalls &Current() {
    static DbfWriteCalls calls = ScopedDbfWriteCalls::System();
    return calls;
}
} // namespace

const DbfWriteCalls &CurrentDbfWriteCalls() {
    return Current();
}

DbfWriteCalls ScopedDbfWriteCalls::System() {
    return {::pwrite, ::fsync, ::fdatasync, ::ftruncate};
}

ScopedDbfWriteCalls::ScopedDbfWriteCalls(DbfWriteCalls calls) : saved_(Current()) {
    Current() = std::move(calls);
}

ScopedDbfWriteCalls::~ScopedDbfWriteCalls() {
    Current() = std::move(saved_);
}

DbfWriteCalls FailingDbfDisk(DbfWriteStep step, int n, int err, bool onwards, bool halfBefore) {
    const DbfWriteCalls system = ScopedDbfWriteCalls::System();
    DbfWriteCalls calls = system;
    auto seen = std::make_shared<int>(0);
    const auto fails = [=] {
        if (++*seen != n && !(onwards && *seen > n)) return false;
        errno = err;
        return true;
    };
    switch (step) {
    case DbfWriteStep::Write:
        calls.pwrite = [=](int fd, const void *data, size_t size, off_t offset) -> ssize_t {
            if (halfBefore && *seen + 2 == n) {
                ++*seen;
                return system.pwrite(fd, data, qMax<size_t>(1, size / 2), offset);
            }
            return fails() ? -1 : system.pwrite(fd, data, size, offset);
        };
        break;
    case DbfWriteStep::DataSync:
        calls.fdatasync = [=](int fd) { return fails() ? -1 : system.fdatasync(fd); };
        break;
    case DbfWriteStep::Sync:
        calls.fsync = [=](int fd) { return fails() ? -1 : system.fsync(fd); };
        break;
    case DbfWriteStep::Truncate:
        calls.ftruncate = [=](int fd, off_t size) {
            return fails() ? -1 : system.ftruncate(fd, size);
        };
        break;
    }
    return calls;
}

} // namespace ormix::records
