#include "records/dbf_write_calls.h"

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

} // namespace ormix::records
