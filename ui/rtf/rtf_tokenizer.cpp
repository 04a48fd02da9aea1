#include "ui/rtf/rtf_tokenizer.h"

#include <algorithm>
#include <limits>

namespace ormix::ui {
namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

RtfToken token(RtfToken::Kind kind) {
    RtfToken t;
    t.kind = kind;
    return t;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

RtfToken RtfTokenizer::Next() {
    while (pos < data.size()) {
        const char c = data[pos];
        if (c == '{') {
            ++pos;
            return token(RtfToken::GroupOpen);
        }
        if (c == '}') {
            ++pos;
            return token(RtfToken::GroupClose);
        }
        if (c == '\\') return ReadControl();
        // Line ends only format the file; they are not text.
        if (c == '\r' || c == '\n') {
            ++pos;
            continue;
        }
        return ReadText();
    }
    return token(RtfToken::End);
}

RtfToken RtfTokenizer::ReadText() {
    const qsizetype start = pos;
    while (pos < data.size()) {
        const char c = data[pos];
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n') break;
        ++pos;
    }
    RtfToken t = token(RtfToken::Text);
    t.bytes = data.sliced(start, pos - start).toByteArray();
    return t;
}

// Digits after a control word: saturated to the int range, so that a hostile number
// of any length neither overflows nor stops the reading.
int RtfTokenizer::ReadParameter(bool &present) {
    present = false;
    bool negative = false;
    if (pos + 1 < data.size() && data[pos] == '-' && isDigit(data[pos + 1])) {
        negative = true;
        ++pos;
    }
    long long value = 0;
    constexpr long long kLimit = std::numeric_limits<int>::max();
    while (pos < data.size() && isDigit(data[pos])) {
        present = true;
        value = std::min(value * 10 + (data[pos] - '0'), kLimit + 1);
        ++pos;
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, -kLimit - 1, kLimit));
}

RtfToken RtfTokenizer::ReadControl() {
    ++pos; // the backslash
    if (pos >= data.size()) return token(RtfToken::End);
    const char c = data[pos];
    if (isLetter(c)) {
        RtfToken t = token(RtfToken::ControlWord);
        while (pos < data.size() && isLetter(data[pos])) {
            if (t.word.size() < kMaxWordLength) t.word.append(data[pos]);
            ++pos;
        }
        t.parameter = ReadParameter(t.hasParameter);
        // One blank ends the word and belongs to it.
        if (pos < data.size() && data[pos] == ' ') ++pos;
        if (t.word == "bin") {
            // The next N bytes are data, whatever they hold.
            const qsizetype n = t.hasParameter ? std::max(0, t.parameter) : 0;
            const qsizetype take = std::min(n, data.size() - pos);
            RtfToken bin = token(RtfToken::Binary);
            bin.bytes = data.sliced(pos, take).toByteArray();
            pos += take;
            return bin;
        }
        return t;
    }
    ++pos;
    if (c == '\'') {
        // Two hex digits; a cut or broken escape yields what its valid digits say.
        int value = 0, digits = 0;
        while (digits < 2 && pos < data.size() && hexValue(data[pos]) >= 0) {
            value = value * 16 + hexValue(data[pos]);
            ++pos;
            ++digits;
        }
        RtfToken t = token(RtfToken::HexByte);
        if (digits == 0) {
            // Nothing to decode: a symbol the reader ignores (no recursion, whatever follows).
            t.kind = RtfToken::ControlSymbol;
            t.word = "'";
            return t;
        }
        t.bytes = QByteArray(1, static_cast<char>(value));
        return t;
    }
    if (c == '\\' || c == '{' || c == '}') {
        RtfToken t = token(RtfToken::Text);
        t.bytes = QByteArray(1, c);
        return t;
    }
    RtfToken t = token(RtfToken::ControlSymbol);
    // A backslash before a line end is an old way of writing \par.
    t.word = (c == '\r' || c == '\n') ? QByteArray("par") : QByteArray(1, c);
    if (t.word == "par") t.kind = RtfToken::ControlWord;
    return t;
}

} // namespace ormix::ui
