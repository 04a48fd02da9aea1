#include "emulator/request_framer.h"
#include "link/encodings.h"
#include "link/frame.h"

using namespace ormix::link;

namespace ormix::emulator {

ParityVerdict VerdictOf(const std::vector<LineParity> &parity) {
    bool unknown = false;
    for (size_t i = 0; i < parity.size(); ++i) {
        const LineParity want = i == 0 ? LineParity::Mark : LineParity::Space;
        if (parity[i] == LineParity::Unknown)
            unknown = true;
        else if (parity[i] != want)
            return ParityVerdict::Violation;
    }
    return unknown ? ParityVerdict::NotObserved : ParityVerdict::MarkThenSpace;
}

std::vector<RequestFramer::Event> RequestFramer::push(const QByteArray &bytes, LineParity parity,
                                                      qint64 nowMs) {
    std::vector<Event> out;
    if (pending() && nowMs - m_lastMs > kRequestGapMs) out = idle(nowMs);
    m_lastMs = nowMs;
    m_total += bytes.size();
    for (char c : bytes) {
        m_buf.append(c);
        m_par.push_back(parity);
        m_raw.append(c);
        m_rawPar.push_back(parity);
    }
    parse(out);
    return out;
}

RequestFramer::Event RequestFramer::make(Event::Type type, qsizetype size) const {
    Event e{type, {}};
    e.request.bytes = m_buf.left(size);
    e.request.parity.assign(m_par.begin(), m_par.begin() + size);
    e.request.verdict = VerdictOf(e.request.parity);
    e.request.offset = m_bufStart;
    e.request.atMs = m_lastMs;
    if (e.request.verdict == ParityVerdict::Violation)
        e.request.violation = QStringLiteral("not sent first byte mark, the rest space");
    return e;
}

void RequestFramer::drop(qsizetype n) {
    m_buf.remove(0, n);
    m_par.erase(m_par.begin(), m_par.begin() + n);
    m_bufStart += n;
}

// Without the parity of each byte a request is known by its checksum. A head that does
// not (yet) make one is waited for, unless a request with a right checksum starts later
// in what came: then the bytes before it were noise. False when more bytes are needed.
bool RequestFramer::parseUnmarked(std::vector<Event> &out) {
    const auto requestAt = [this](qsizetype i) -> qsizetype {
        if (m_buf.size() - i < 4) return 0;
        const int length = ByteAt(m_buf, i + 1);
        if (length < 2 || m_buf.size() - i < length + 2) return 0;
        return CheckCrc(m_buf.mid(i, length + 2)) ? length + 2 : 0;
    };
    if (const qsizetype size = requestAt(0)) {
        out.push_back(make(Event::Request, size));
        drop(size);
        m_raw.clear();
        m_rawPar.clear();
        return true;
    }
    for (qsizetype i = 1; i + 4 <= m_buf.size(); ++i)
        if (requestAt(i)) {
            drop(i);
            return true;
        }
    return false;
}

// A head without parity that no request followed: it was meant as one and is answered
// with the error a meter gives for it.
RequestFramer::Event RequestFramer::judgeHead() {
    const int length = ByteAt(m_buf, 1);
    if (length < 2) return make(Event::BadLength, 2);
    if (m_buf.size() >= length + 2) return make(Event::BadChecksum, length + 2);
    return make(Event::BadLength, m_buf.size());
}

void RequestFramer::parse(std::vector<Event> &out) {
    while (!m_buf.isEmpty()) {
        if (m_par[0] == LineParity::Unknown) {
            if (!parseUnmarked(out)) return;
            continue;
        }
        // Where the parity shows, a request starts only with a mark byte.
        if (m_par[0] == LineParity::Space) {
            qsizetype j = 1;
            while (j < m_buf.size() && m_par[j] != LineParity::Mark)
                ++j;
            drop(j);
            continue;
        }
        // A mark byte inside a request starts the next one: the one before was cut
        // short, or was sent without switching to space (reported as stray at idle).
        if (m_par[0] == LineParity::Mark) {
            const qsizetype need = m_buf.size() >= 2 ? ByteAt(m_buf, 1) + 2 : m_buf.size();
            qsizetype k = 1;
            while (k < m_buf.size() && k < need && m_par[k] != LineParity::Mark)
                ++k;
            if (k < m_buf.size() && k < need) {
                drop(k);
                continue;
            }
        }
        if (m_buf.size() < 2) return;
        const int length = ByteAt(m_buf, 1);
        if (length < 2) {
            out.push_back(make(Event::BadLength, 2));
            drop(2);
            m_raw.clear();
            m_rawPar.clear();
            continue;
        }
        if (m_buf.size() < length + 2) return;
        if (CheckCrc(m_buf.left(length + 2))) {
            out.push_back(make(Event::Request, length + 2));
            drop(length + 2);
            m_raw.clear();
            m_rawPar.clear();
            continue;
        }
        out.push_back(make(Event::BadChecksum, length + 2));
        drop(length + 2);
        m_raw.clear();
        m_rawPar.clear();
    }
}

std::vector<RequestFramer::Event> RequestFramer::idle(qint64 nowMs) {
    std::vector<Event> out;
    if (nowMs - m_lastMs <= kRequestGapMs) return out;
    // Bytes that were skipped for their parity but form a request are reported.
    for (qsizetype i = 0; i + 4 <= m_raw.size(); ++i) {
        const int length = ByteAt(m_raw, i + 1);
        if ((m_rawPar[i] == LineParity::Mark || m_rawPar[i] == LineParity::Space) && length >= 2 &&
            i + length + 2 == m_raw.size() && CheckCrc(m_raw.mid(i))) {
            Event e{Event::Stray, {}};
            e.request.bytes = m_raw.mid(i);
            e.request.parity.assign(m_rawPar.begin() + i, m_rawPar.end());
            e.request.verdict = ParityVerdict::Violation;
            e.request.violation = QStringLiteral("not started with a mark byte");
            e.request.offset = m_total - m_raw.size() + i;
            e.request.atMs = m_lastMs;
            out.push_back(e);
            break;
        }
    }
    // A request that stopped short of its length byte: the length byte was wrong.
    if (out.empty() && m_buf.size() >= 2)
        out.push_back(m_par[0] == LineParity::Unknown ? judgeHead()
                                                      : make(Event::BadLength, m_buf.size()));
    m_bufStart += m_buf.size();
    m_buf.clear();
    m_par.clear();
    m_raw.clear();
    m_rawPar.clear();
    return out;
}

std::vector<ParityMarkDecoder::Run> ParityMarkDecoder::feed(const QByteArray &raw) {
    std::vector<Run> runs;
    const auto out = [&](char b, LineParity p) {
        if (runs.empty() || runs.back().parity != p) runs.push_back({{}, p});
        runs.back().bytes.append(b);
    };
    for (char c : raw) {
        const auto b = static_cast<std::uint8_t>(c);
        if (m_state == 0) {
            if (b == 0xFF)
                m_state = 1;
            else
                out(c, LineParity::Space);
        } else if (m_state == 1) {
            if (b == 0x00) {
                m_state = 2;
            } else {
                // FF FF is a plain FF; anything else cannot follow a marking.
                out(char(0xFF), LineParity::Space);
                if (b != 0xFF) out(c, LineParity::Space);
                m_state = 0;
            }
        } else {
            out(c, LineParity::Mark);
            m_state = 0;
        }
    }
    return runs;
}

} // namespace ormix::emulator
