#pragma once
// Splits Rich Text Format into its tokens: braces, control words with their numeric
// parameter, control symbols, escaped bytes (\'hh), binary data (\binN) and runs of
// plain text bytes. Every token consumes at least one byte, so a reader that loops until
// End always finishes, whatever the input.
#include <QByteArray>
#include <QByteArrayView>

namespace ormix::ui {

struct RtfToken {
    enum Kind { End, GroupOpen, GroupClose, ControlWord, ControlSymbol, HexByte, Text, Binary };
    Kind kind = End;
    QByteArray word; // control word name, or the symbol's one character
    bool hasParameter = false;
    int parameter = 0;
    QByteArray bytes; // plain text, binary data, or the one byte of \'hh
};

class RtfTokenizer {
public:
    explicit RtfTokenizer(QByteArrayView data) : data(data) {}
    RtfToken Next();

    // The format caps names at 32 letters; longer ones are cut, not a reason to stop.
    static constexpr int kMaxWordLength = 32;

private:
    RtfToken ReadControl();
    RtfToken ReadText();
    int ReadParameter(bool &present);

    QByteArrayView data;
    qsizetype pos = 0;
};

} // namespace ormix::ui
