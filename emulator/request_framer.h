#pragma once
// Cuts the received byte stream into requests. The first byte of a request is the
// one sent with mark parity; the length byte gives the size. Where the line shows each
// byte's parity (a real port with the driver's parity marking), garbage is skipped up to
// the next mark byte; where it does not, a request is found by its length byte and its
// checksum, and bytes before the first place a request with a right checksum starts are
// skipped as noise.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace ormix::emulator {

// Unknown: nothing shows it. Other: neither mark nor space (a sender without address
// marks, such as a terminal program).
enum class LineParity { Unknown, Mark, Space, Other };

// What the parity of a request shows.
enum class ParityVerdict {
    MarkThenSpace, // shown sent first byte mark, the rest space
    NotObserved,   // nothing shows how it was sent; answered all the same
    Violation,     // shown sent otherwise; a meter in address mode ignores it
};

struct ObservedRequest {
    QByteArray bytes;
    std::vector<LineParity> parity; // one per byte, what the evidence shows
    ParityVerdict verdict = ParityVerdict::NotObserved;
    QString violation; // what was shown, for a violation
    qint64 offset = 0; // position of its first byte in the stream received
    qint64 atMs = 0;   // when its last byte came, ms of the caller's clock
};

// How long a partial request may wait for its next byte. The sender pauses 10 ms after
// the first byte, and a whole request at 1200 bit/s is under 0.3 s; a sender delayed on a
// busy PC must not lose its request, and an error reply still comes well inside the
// workstation's 1000 ms reply timeout.
constexpr qint64 kRequestGapMs = 250;

class RequestFramer {
public:
    struct Event {
        enum Type {
            Request,     // checksum right: answer it
            BadChecksum, // complete by its length byte, checksum wrong: error 3
            BadLength,   // length byte below 2, or more bytes announced than came: error 2
            Stray,       // a request with a right checksum but not started with a mark byte;
                         // not answered (a meter in address mode never sees it)
        };
        Type type;
        ObservedRequest request;
    };

    std::vector<Event> push(const QByteArray &bytes, LineParity parity, qint64 nowMs);
    // Call when nothing arrived for a while; drops a partial request that timed out.
    std::vector<Event> idle(qint64 nowMs);
    bool pending() const { return !m_buf.isEmpty() || !m_raw.isEmpty(); }
    qint64 lastByteMs() const { return m_lastMs; }
    // Stream position of the first byte not yet taken into a request or skipped.
    qint64 pendingOffset() const { return m_bufStart; }
    // Bytes pushed so far: the stream position of the next byte.
    qint64 received() const { return m_total; }

private:
    void parse(std::vector<Event> &out);
    bool parseUnmarked(std::vector<Event> &out);
    Event make(Event::Type type, qsizetype size) const;
    Event judgeHead(); // an unmarked head that never became a request, at idle
    void drop(qsizetype n);

    QByteArray m_buf;
    std::vector<LineParity> m_par;
    qint64 m_bufStart = 0;
    QByteArray m_raw; // every byte since the last request taken, for the stray check
    std::vector<LineParity> m_rawPar;
    qint64 m_total = 0; // bytes pushed so far
    qint64 m_lastMs = 0;
};

// The verdict of per-byte parity as a real port's driver marks it: first byte mark and
// the rest space, shown otherwise, or not shown where a byte's parity is unknown.
ParityVerdict VerdictOf(const std::vector<LineParity> &parity);

// On a real port read with space parity, INPCK and PARMRK, a byte sent with mark
// parity arrives as FF 00 b, and a plain FF as FF FF. This undoes that marking and
// tells each byte's parity; a marking split across reads is carried over.
class ParityMarkDecoder {
public:
    struct Run {
        QByteArray bytes;
        LineParity parity;
    };
    std::vector<Run> feed(const QByteArray &raw);

private:
    int m_state = 0; // 1 after FF, 2 after FF 00
};

} // namespace ormix::emulator
