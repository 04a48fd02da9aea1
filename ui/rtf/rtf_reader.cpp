#include "ui/rtf/rtf_reader.h"

#include "ui/rtf/rtf_code_pages.h"
#include "ui/rtf/rtf_document_writer.h"
#include "ui/rtf/rtf_state.h"
#include "ui/rtf/rtf_tokenizer.h"

#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <vector>

namespace ormix::ui {
namespace {

// Destinations whose text is not part of the document, also when they come without \*.
const QSet<QByteArray> &skippedDestinations() {
    static const QSet<QByteArray> words{"annotation",   "atnauthor",
                                        "atndate",      "atnid",
                                        "author",       "background",
                                        "bkmkend",      "bkmkstart",
                                        "buptim",       "colorschememapping",
                                        "comment",      "creatim",
                                        "datastore",    "docvar",
                                        "doccomm",      "fldinst",
                                        "filetbl",      "footer",
                                        "footerf",      "footerl",
                                        "footerr",      "footnote",
                                        "ftncn",        "ftnsep",
                                        "ftnsepc",      "generator",
                                        "header",       "headerf",
                                        "headerl",      "headerr",
                                        "info",         "keywords",
                                        "latentstyles", "listoverridetable",
                                        "listtable",    "nonshppict",
                                        "object",       "operator",
                                        "pgdsctbl",     "pict",
                                        "pn",           "printim",
                                        "private",      "revtbl",
                                        "revtim",       "rsidtbl",
                                        "rxe",          "shp",
                                        "stylesheet",   "subject",
                                        "tc",           "template",
                                        "themedata",    "title",
                                        "txe",          "userprops",
                                        "xe",           "xmlnstbl"};
    return words;
}

// Control words that stand for one character.
QChar specialCharacter(const QByteArray &word) {
    static const std::map<QByteArray, char16_t> chars{
        {"bullet", u'\u2022'},          {"emdash", u'\u2014'},  {"endash", u'\u2013'},
        {"emspace", u'\u2003'},         {"enspace", u'\u2002'}, {"qmspace", u'\u2005'},
        {"lquote", u'\u2018'},          {"rquote", u'\u2019'},  {"ldblquote", u'\u201C'},
        {"rdblquote", u'\u201D'},       {"tab", u'\t'},         {"cell", u'\t'},
        {"line", QChar::LineSeparator}, {"zwj", u'\u200D'},     {"zwnj", u'\u200C'}};
    const auto it = chars.find(word);
    return it == chars.end() ? QChar() : QChar(it->second);
}

bool isUnderlineWord(const QByteArray &w) {
    static const QSet<QByteArray> words{
        "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
        "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
        "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave"};
    return words.contains(w);
}

class Reader {
public:
    explicit Reader(QByteArrayView data, QTextDocument &document)
        : tokens(data), writer(document), document(document) {}

    void Run() {
        for (RtfToken t = tokens.Next(); t.kind != RtfToken::End; t = tokens.Next()) {
            if (!Take(t)) break;
        }
        Flush();
        if (!stack.empty())
            writer.Finish(BlockFormatOf(Top().para), MarkFormat());
        else
            writer.Finish(BlockFormatOf(lastPara), lastMark);
        QTextOption option = document.defaultTextOption();
        option.setTabStopDistance(tables.defaultTabTwips / 15.0); // twips at 96 dpi
        document.setDefaultTextOption(option);
    }

private:
    RtfGroupState &Top() { return stack.back(); }

    // False when the outermost group has closed: what follows is not the document.
    bool Take(const RtfToken &t) {
        if (t.kind == RtfToken::GroupOpen) return Open(), true;
        if (t.kind == RtfToken::GroupClose) return Close();
        if (stack.empty() || ignoredDepth > 0) return true;
        if (ConsumedAsFallback(t)) return true;
        switch (Top().destination) {
        case RtfDestination::Skip:
            return true;
        case RtfDestination::FontTable:
            return FontTableToken(t), true;
        case RtfDestination::ColourTable:
            return ColourTableToken(t), true;
        case RtfDestination::Text:
            return TextToken(t), true;
        }
        return true;
    }

    void Open() {
        Flush();
        fallbackLeft = 0;
        if (ignoredDepth > 0 || int(stack.size()) >= kRtfMaxDepth) {
            ++ignoredDepth;
            return;
        }
        stack.push_back(stack.empty() ? RtfGroupState{} : Top());
    }

    bool Close() {
        Flush();
        fallbackLeft = 0;
        if (ignoredDepth > 0) {
            --ignoredDepth;
            return true;
        }
        if (stack.empty()) return false;
        if (Top().destination == RtfDestination::FontTable) CommitFont();
        if (stack.size() == 1) {
            // Kept for the paragraph that the closing brace ends without a \par.
            lastPara = Top().para;
            lastMark = MarkFormat();
        }
        stack.pop_back();
        return !stack.empty();
    }

    // After \uN the next \ucN characters are the fallback for readers without Unicode.
    bool ConsumedAsFallback(const RtfToken &t) {
        if (fallbackLeft <= 0) return false;
        if (t.kind == RtfToken::Text && t.bytes.size() > fallbackLeft) {
            RtfToken rest = t;
            rest.bytes = t.bytes.mid(fallbackLeft);
            fallbackLeft = 0;
            Take(rest);
            return true;
        }
        fallbackLeft -= t.kind == RtfToken::Text ? int(t.bytes.size()) : 1;
        return true;
    }

    // ---- the document's text --------------------------------------------------------

    void TextToken(const RtfToken &t) {
        switch (t.kind) {
        case RtfToken::Text:
        case RtfToken::HexByte:
            return AddBytes(t.bytes);
        case RtfToken::ControlSymbol:
            return TextSymbol(t.word);
        case RtfToken::ControlWord:
            return TextWord(t);
        default:
            return;
        }
    }

    void TextSymbol(const QByteArray &symbol) {
        Flush();
        if (symbol == "*")
            Top().destination = RtfDestination::Skip;
        else if (symbol == "~")
            AddText(QString(QChar(0x00A0)));
        else if (symbol == "_")
            AddText(QString(QChar(0x2011)));
        // \- (optional hyphen), \| \: and the rest show nothing.
    }

    void TextWord(const RtfToken &t) {
        Flush();
        const QByteArray &w = t.word;
        if (w == "par" || w == "sect" || w == "page" || w == "row") {
            writer.EndParagraph(BlockFormatOf(Top().para), MarkFormat());
            return;
        }
        if (const QChar c = specialCharacter(w); !c.isNull()) return AddText(QString(c));
        if (w == "u") return Unicode(t.parameter);
        if (w == "fonttbl") {
            Top().destination = RtfDestination::FontTable;
            fontId = -1;
            return;
        }
        if (w == "colortbl") {
            Top().destination = RtfDestination::ColourTable;
            ResetColour();
            return;
        }
        if (skippedDestinations().contains(w)) {
            Top().destination = RtfDestination::Skip;
            return;
        }
        if (DocumentWord(t) || CharWord(t) || ParaWord(t)) return;
        // Anything else is a word this reader does not need.
    }

    bool DocumentWord(const RtfToken &t) {
        const QByteArray &w = t.word;
        if (w == "ansi")
            tables.codePage = 1252;
        else if (w == "mac")
            tables.codePage = 10000;
        else if (w == "pc")
            tables.codePage = 437;
        else if (w == "pca")
            tables.codePage = 850;
        else if (w == "ansicpg" && t.parameter > 0)
            tables.codePage = t.parameter;
        else if (w == "deff")
            tables.defaultFont = t.parameter;
        else if (w == "deftab" && t.parameter > 0)
            tables.defaultTabTwips = std::min(t.parameter, 31680);
        else if (w == "uc")
            Top().unicodeSkip = std::clamp(t.parameter, 0, 255);
        else
            return false;
        return true;
    }

    bool CharWord(const RtfToken &t) {
        RtfCharState &c = Top().chars;
        const QByteArray &w = t.word;
        // A toggle without a parameter switches on; with 0 it switches off.
        const bool on = !t.hasParameter || t.parameter != 0;
        if (w == "b")
            c.bold = on;
        else if (w == "v")
            c.hidden = on;
        else if (w == "i")
            c.italic = on;
        else if (w == "strike")
            c.strike = on;
        else if (isUnderlineWord(w))
            c.underline = on;
        else if (w == "ulnone")
            c.underline = false;
        else if (w == "super")
            c.vertical = 1;
        else if (w == "sub")
            c.vertical = -1;
        else if (w == "nosupersub")
            c.vertical = 0;
        // Half-points, kept between 1 pt and 1638 pt, the format's own limit.
        else if (w == "fs")
            c.halfPoints = t.hasParameter ? std::clamp(t.parameter, 2, 3276) : 24;
        else if (w == "cf")
            c.colour = t.parameter;
        else if (w == "highlight" || w == "cb")
            c.highlight = t.parameter;
        else if (w == "f")
            c.font = t.parameter;
        else if (w == "plain")
            c = RtfCharState{};
        else
            return false;
        return true;
    }

    bool ParaWord(const RtfToken &t) {
        RtfParaState &p = Top().para;
        const QByteArray &w = t.word;
        // Indents and spacing beyond 22 inches are no layout, only trouble.
        const int twips = std::clamp(t.parameter, -31680, 31680);
        if (w == "pard")
            p = RtfParaState{};
        else if (w == "ql")
            p.alignment = Qt::AlignLeft;
        else if (w == "qr")
            p.alignment = Qt::AlignRight;
        else if (w == "qc")
            p.alignment = Qt::AlignHCenter;
        else if (w == "qj")
            p.alignment = Qt::AlignJustify;
        else if (w == "li")
            p.leftTwips = twips;
        else if (w == "ri")
            p.rightTwips = twips;
        else if (w == "fi")
            p.firstLineTwips = twips;
        else if (w == "sb")
            p.beforeTwips = std::max(0, twips);
        else if (w == "sa")
            p.afterTwips = std::max(0, twips);
        else if (w == "outlinelevel")
            p.outlineLevel = std::clamp(t.parameter, 0, 5);
        else if (w == "tx") {
            if (p.tabTwips.size() < kRtfMaxTabStops) p.tabTwips.append(std::max(0, twips));
        } else
            return false;
        return true;
    }

    void Unicode(int value) {
        // Signed 16-bit in the format: a negative value is the code unit plus 65536.
        const int unit = value < 0 ? value + 65536 : value;
        if (unit >= 0 && unit <= 0xFFFF) {
            AddText(QString(QChar(char16_t(unit))));
        } else if (unit > 0xFFFF && unit <= 0x10FFFF) {
            const char32_t codePoint = char32_t(unit);
            AddText(QString::fromUcs4(&codePoint, 1));
        } else {
            AddText(QString(QChar::ReplacementCharacter));
        }
        fallbackLeft = Top().unicodeSkip;
    }

    // ---- bytes in the code page, decoded in runs ---------------------------------------

    void AddBytes(const QByteArray &bytes) {
        const int cp = tables.CodePageOf(Top().chars);
        if (cp != pendingCodePage) Flush();
        pendingCodePage = cp;
        pendingBytes += bytes;
    }

    void Flush() {
        if (pendingBytes.isEmpty()) return;
        if (stack.empty()) return pendingBytes.clear();
        const QString text = decoder.Decode(pendingCodePage, pendingBytes);
        pendingBytes.clear();
        AddText(text);
    }

    void AddText(const QString &text) {
        if (!Top().chars.hidden) writer.AddText(text, CharFormatOf(Top().chars, tables));
    }

    QTextCharFormat MarkFormat() const { return CharFormatOf(stack.back().chars, tables); }

    // ---- font table: {\f1\fswiss\fcharset204 Arial;} -----------------------------------

    void FontTableToken(const RtfToken &t) {
        if (t.kind == RtfToken::Text || t.kind == RtfToken::HexByte) {
            for (char c : t.bytes) {
                if (c == ';')
                    CommitFont();
                else if (fontId >= 0)
                    fontName.append(c);
            }
            return;
        }
        if (t.kind == RtfToken::ControlSymbol && t.word == "*") {
            Top().destination = RtfDestination::Skip;
            return;
        }
        if (t.kind != RtfToken::ControlWord) return;
        const QByteArray &w = t.word;
        if (w == "f") {
            CommitFont();
            fontId = t.parameter;
            font = RtfFont{};
        } else if (w == "fcharset") {
            font.codePage = CodePageOfCharset(t.parameter);
        } else if (w == "cpg" && t.parameter > 0) {
            font.codePage = t.parameter;
        } else if (w == "froman") {
            font.hint = QFont::Serif;
        } else if (w == "fswiss") {
            font.hint = QFont::SansSerif;
        } else if (w == "fmodern") {
            font.hint = QFont::TypeWriter;
        } else if (w == "fscript") {
            font.hint = QFont::Cursive;
        } else if (w == "fdecor") {
            font.hint = QFont::Decorative;
        } else if (skippedDestinations().contains(w) || w == "panose" || w == "falt") {
            Top().destination = RtfDestination::Skip;
        }
    }

    void CommitFont() {
        if (fontId < 0) return;
        if (int(tables.fonts.size()) < kRtfMaxTableEntries || tables.fonts.count(fontId)) {
            const int cp = font.codePage ? font.codePage : tables.codePage;
            font.name = decoder.Decode(cp, fontName).trimmed();
            tables.fonts[fontId] = font;
        }
        fontId = -1;
        fontName.clear();
    }

    // ---- colour table: {\colortbl;\red255\green0\blue0;} ------------------------------

    void ColourTableToken(const RtfToken &t) {
        if (t.kind == RtfToken::Text) {
            for (char c : t.bytes)
                if (c == ';') CommitColour();
            return;
        }
        if (t.kind != RtfToken::ControlWord) return;
        const int v = std::clamp(t.parameter, 0, 255);
        if (t.word == "red")
            red = v, colourGiven = true;
        else if (t.word == "green")
            green = v, colourGiven = true;
        else if (t.word == "blue")
            blue = v, colourGiven = true;
    }

    void CommitColour() {
        if (tables.colours.size() < kRtfMaxTableEntries)
            tables.colours.append(colourGiven ? QColor(red, green, blue) : QColor());
        ResetColour();
    }

    void ResetColour() {
        red = green = blue = 0;
        colourGiven = false;
    }

    RtfTokenizer tokens;
    RtfDocumentWriter writer;
    QTextDocument &document;
    RtfTextDecoder decoder;
    RtfTables tables;
    std::vector<RtfGroupState> stack;
    int ignoredDepth = 0; // open groups beyond kRtfMaxDepth
    int fallbackLeft = 0;
    QByteArray pendingBytes;
    int pendingCodePage = 0;
    RtfParaState lastPara;
    QTextCharFormat lastMark;
    int fontId = -1;
    RtfFont font;
    QByteArray fontName;
    int red = 0, green = 0, blue = 0;
    bool colourGiven = false;
};

bool startsAsRtf(QByteArrayView data) {
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF")) i = 3; // a byte-order mark some editors write
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

} // namespace

bool ReadRtf(QByteArrayView rtf, QTextDocument &document) {
    document.clear();
    if (!startsAsRtf(rtf)) return false;
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    Reader(rtf, document).Run();
    document.setUndoRedoEnabled(undo);
    return true;
}

QString FirstHeading(const QTextDocument &document) {
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        if (b.blockFormat().headingLevel() > 0)
            return b.text().replace(QChar::LineSeparator, u' ').trimmed();
    return {};
}

} // namespace ormix::ui
