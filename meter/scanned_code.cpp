#include "meter/scanned_code.h"

#include <limits>

namespace ormix::meter {

namespace {
constexpr char kCarriageReturn = '\r';

bool Blank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= ' ' || u == 0x7f;
}
} // namespace

int ScannedNumber(const QByteArray &code) {
    qsizetype first = 0, last = code.size();
    while (first < last && Blank(code[first]))
        ++first;
    while (last > first && Blank(code[last - 1]))
        --last;
    if (first == last) return 0;
    qsizetype i = first;
    bool negative = false;
    if (code[i] == '+' || code[i] == '-') negative = code[i++] == '-';
    if (i == last) return 0;
    qint64 value = 0;
    for (; i < last; ++i) {
        const char c = code[i];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max()) return 0;
    }
    return negative ? 0 : int(value);
}

std::optional<int> ScanBuffer::Take(const QByteArray &bytes) {
    QByteArray incoming = bytes;
    if (skippingLine_) {
        const qsizetype cr = incoming.indexOf(kCarriageReturn);
        if (cr < 0) return std::nullopt;
        skippingLine_ = false;
        incoming.remove(0, cr + 1);
    }
    pending_ += incoming;
    if (pending_.contains(kCarriageReturn)) {
        const int value = ScannedNumber(pending_);
        pending_.clear();
        return value;
    }
    if (pending_.size() > kCapacity) {
        pending_.clear();
        skippingLine_ = true;
    }
    return std::nullopt;
}

} // namespace ormix::meter
