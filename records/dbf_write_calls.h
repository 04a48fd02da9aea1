#pragma once
// The system calls through which DbfFile changes a table. A test puts its own in their
// place to make the disk fail at a chosen step (a write, a flush, taking a write back),
// which a real disk does only when it is full or breaking.
#include <functional>
#include <sys/types.h>

namespace ormix::records {

struct DbfWriteCalls {
    std::function<ssize_t(int fd, const void *data, size_t size, off_t offset)> pwrite;
    std::function<int(int fd)> fsync;
    std::function<int(int fd)> fdatasync;
    std::function<int(int fd, off_t size)> ftruncate;
};

// The calls in use: the system's own unless a test replaced them.
const DbfWriteCalls &CurrentDbfWriteCalls();

// Puts `calls` in place for as long as it lives; the system's own come back after it.
class ScopedDbfWriteCalls {
public:
    explicit ScopedDbfWriteCalls(DbfWriteCalls calls);
    ~ScopedDbfWriteCalls();
    ScopedDbfWriteCalls(const ScopedDbfWriteCalls &) = delete;
    ScopedDbfWriteCalls &operator=(const ScopedDbfWriteCalls &) = delete;

    // The system's own calls, for a replacement that fails only some of them.
    static DbfWriteCalls System();

private:
    DbfWriteCalls saved_;
};

// A disk for tests: the system's calls, but the n-th call (from 1) of one kind fails with
// `err`, and so does every later one when `onwards`. With `halfBefore` the write before
// the failing one writes only half its bytes (a disk that fills in the middle of a row).
enum class DbfWriteStep { Write, DataSync, Sync, Truncate };
DbfWriteCalls FailingDbfDisk(DbfWriteStep step, int n, int err, bool onwards = false,
                             bool halfBefore = false);

} // namespace ormix::records
