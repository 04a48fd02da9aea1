#pragma once
// What every fuzz target shares: a Qt application object for the whole run (timers,
// locales and text documents need one, as in the programs), Qt's own warnings taken as
// findings, and a check that stops the run with a message when an input breaks a promise.
#include <QByteArray>
#include <QtGlobal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace ormix::fuzz {

enum class AppKind { Core, Gui };

// Called once from LLVMFuzzerInitialize. A warning of Qt itself (a misused timer, a bad
// index, an assertion) aborts the input that caused it, so it is kept as a finding; the
// program's own categories ("ormix.*") stay quiet.
void StartQt(int *argc, char ***argv, AppKind kind = AppKind::Core);

// A copy of `bytes` in an allocation of exactly their size (no terminating zero, no spare
// room), so a read past the end is a heap overflow the address sanitizer reports. Valid
// until the next call.
QByteArray ExactBytes(const QByteArray &bytes);

// Reads an input from its front, one step after another, so a seed can be written by
// hand as a list of steps. An input that has run out reads as zeros.
class InputReader {
public:
    InputReader(const std::uint8_t *data, size_t size) : data_(data), left_(size) {}
    bool Empty() const { return left_ == 0; }
    std::uint8_t Byte() {
        if (left_ == 0) return 0;
        --left_;
        return *data_++;
    }
    bool Bool() { return Byte() & 1; }
    // lo..hi (a range of at most 256 values)
    int Int(int lo, int hi) { return lo + Byte() % (hi - lo + 1); }
    quint16 Word() { return quint16(Byte() | Byte() << 8); }
    // Up to `n` bytes, fewer when the input runs out.
    QByteArray Bytes(qsizetype n) {
        n = qMin<qsizetype>(n, qsizetype(left_));
        const QByteArray out(reinterpret_cast<const char *>(data_), n);
        data_ += n;
        left_ -= size_t(n);
        return out;
    }
    QByteArray Rest() { return Bytes(qsizetype(left_)); }

private:
    const std::uint8_t *data_;
    size_t left_;
};

[[noreturn]] inline void Broken(const char *what, const char *file, int line) {
    std::fprintf(stderr, "fuzz: promise broken at %s:%d: %s\n", file, line, what);
    std::abort();
}

} // namespace ormix::fuzz

// A promise of the code under test; a broken one is a finding like a crash.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) ::ormix::fuzz::Broken(#cond, __FILE__, __LINE__);                             \
    } while (0)
