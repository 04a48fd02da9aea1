#pragma once
// Misbehaviour on demand: a fault applies to the next `frames` requests (of one
// command code when `code` is set) and shapes the reply to them.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace ormix::emulator {

struct Fault {
    enum Kind {
        NoReply,     // the request is ignored
        Split,       // the reply goes out in `value` pieces, `pauseMs` apart
        ExtraByte,   // one byte more after the checksum
        Garbage,     // `value` bytes (default 3) before the reply
        BadChecksum, // the checksum's low byte is inverted
        WrongCode,   // the reply echoes code + 1 (with a matching checksum)
        ErrorReply,  // an error reply with error code `value`; the request is not carried out
        Delay,       // the reply waits `value` ms
    };
    Kind kind = NoReply;
    int value = 0;
    int pauseMs = 30;
    int frames = 1; // requests affected; below 0: every one from now on
    std::optional<std::uint8_t> code{};
};

// The faults still to be applied, in the order they were added.
class FaultList {
public:
    void add(const Fault &f) { m_faults.push_back(f); }
    void clear() { m_faults.clear(); }
    bool empty() const { return m_faults.empty(); }
    // The faults that apply to a request of `code`; each one used counts down.
    std::vector<Fault> take(std::uint8_t code);

private:
    std::vector<Fault> m_faults;
};

struct ReplyPlan {
    bool carryOut = true;           // whether the meter acts on the request
    std::vector<QByteArray> pieces; // written in order, `pauseMs` apart
    int pauseMs = 0;
    int delayMs = 0; // extra wait before the first piece
};

// Whether the request reaches the meter at all, given the faults that apply to it.
bool FaultsCarryOut(const std::vector<Fault> &faults);
// The reply as it goes on the line. `reply` is the meter's answer (ignored when
// the faults replace it).
ReplyPlan ShapeReply(const std::vector<Fault> &faults, std::uint8_t requestCode,
                     const QByteArray &reply);

// Reads a fault from its command-line form KIND[=VALUE][@CODE][*FRAMES]:
// noreply, split=K, extra, garbage[=N], badcrc, wrongcode, error=N, delay=MS.
// CODE is hexadecimal (0x14 or 14); FRAMES a count or "all". Without a code a
// fault applies to the next frame, with one to every frame of that code.
bool ParseFault(const QString &text, Fault &fault, QString &error);

} // namespace ormix::emulator
