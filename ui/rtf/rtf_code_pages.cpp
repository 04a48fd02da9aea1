#include "ui/rtf/rtf_code_pages.h"

namespace ormix::ui {

int CodePageOfCharset(int charset) {
    // The charset numbers of the format's font table and their Windows code pages.
    switch (charset) {
    case 0:
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

namespace {

QByteArray nameOf(int codePage) {
    if (codePage == 874 || (codePage >= 1250 && codePage <= 1258))
        return "windows-" + QByteArray::number(codePage);
    if (codePage == 10000) return "macintosh";
    if (codePage == 65001) return "UTF-8";
    return "CP" + QByteArray::number(codePage);
}

QStringDecoder makeDecoder(int codePage) {
    // Stateless: every run is whole, a byte left over at its end is not kept for the next.
    constexpr auto flags = QStringConverter::Flag::Stateless;
    QStringDecoder d(nameOf(codePage).constData(), flags);
    if (d.isValid()) return d;
    d = QStringDecoder("windows-1252", flags);
    if (d.isValid()) return d;
    return QStringDecoder(QStringConverter::Latin1, flags); // a Qt built without ICU
}

} // namespace

QStringDecoder &RtfTextDecoder::DecoderFor(int codePage) {
    auto it = decoders.find(codePage);
    // A document names a handful of code pages; a hostile one may name thousands.
    if (it == decoders.end() && decoders.size() >= kMaxDecoders) decoders.clear();
    if (it == decoders.end()) it = decoders.emplace(codePage, makeDecoder(codePage)).first;
    return it->second;
}

QString RtfTextDecoder::Decode(int codePage, QByteArrayView bytes) {
    if (bytes.isEmpty()) return {};
    return DecoderFor(codePage).decode(bytes);
}

} // namespace ormix::ui
