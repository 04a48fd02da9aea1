#pragma once
// Cuts the received byte stream into requests. The first byte of a request is the
// one sent with mark parity; the length byte gives the size. Where the line shows
// the parity (a pseudo-terminal), garbage is skipped up to the next mark byte.
#include <QByteArray>
#include <cstdint>
#include <vector>

// Unknown: the line does not show it (a real port). Other: neither mark nor space
// (a sender without address marks, such as a terminal program); framed by length only.
enum class LineParity { Unknown, Mark, Space, Other };

struct ObservedRequest {
    QByteArray bytes;
    std::vector<LineParity> parity; // one per byte, as seen when it was read
    bool parityOk = true;           // first byte mark, the rest space (or unknown)
    qint64 atMs = 0;                // when its last byte came, ms of the caller's clock
};

// How long a partial request may wait for its next byte. The sender pauses 10 ms
// after the first byte; a whole request at 1200 bit/s is under 0.2 s.
constexpr qint64 kRequestGapMs = 100;

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

private:
    void parse(std::vector<Event> &out);
    Event make(Event::Type type, qsizetype size) const;
    void drop(qsizetype n);

    QByteArray m_buf;
    std::vector<LineParity> m_par;
    QByteArray m_raw; // every byte since the last request taken, for the stray check
    std::vector<LineParity> m_rawPar;
    qint64 m_lastMs = 0;
};

bool ParityOk(const std::vector<LineParity> &parity);

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
