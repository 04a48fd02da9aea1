#pragma once
// What a log or a database gives back: the value asked for, or the reason there is none.
#include <QString>

namespace ormix::records {

template <typename T> struct Answer {
    T value{};
    QString error; // the reason in the system's words, or the engine's message; empty when answered
    bool ok() const { return error.isEmpty(); }
};

} // namespace ormix::records
