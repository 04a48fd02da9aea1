#pragma once
// Bytes of a document's code page to text: \'hh escapes and 8-bit text are in the code
// page of the current font's charset, else in the document's \ansicpg.
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <map>

namespace ormix::ui {

// The Windows code page a \fcharset stands for; 0 when it names none (default, symbol).
int CodePageOfCharset(int charset);

class RtfTextDecoder {
public:
    // Bytes that do not form a character of the code page become U+FFFD; an unknown code
    // page is read as windows-1252, the format's default.
    QString Decode(int codePage, QByteArrayView bytes);

private:
    QStringDecoder &DecoderFor(int codePage);
    static constexpr std::size_t kMaxDecoders = 16;
    std::map<int, QStringDecoder> decoders;
};

} // namespace ormix::ui
