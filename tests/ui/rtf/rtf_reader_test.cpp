// The RTF reader: text and formatting of small documents, then files that are broken or
// hostile, which must neither crash the reader nor keep it from ending.
#include "ui/rtf/rtf_reader.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <random>

using namespace ormix::ui;

namespace {

// Paragraphs joined by "|", line breaks shown as "/".
QString paragraphs(const QTextDocument &doc) {
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        out << b.text().replace(QChar::LineSeparator, u'/');
    return out.join(u'|');
}

QString read(const QByteArray &rtf) {
    QTextDocument doc;
    EXPECT_TRUE(ReadRtf(rtf, doc));
    return paragraphs(doc);
}

// The format of the first character of `word` in the document.
QTextCharFormat formatOf(QTextDocument &doc, const QString &word) {
    const int at = doc.toPlainText().indexOf(word);
    EXPECT_GE(at, 0) << word.toStdString();
    QTextCursor c(&doc);
    c.setPosition(at + 1);
    return c.charFormat();
}

QTextBlockFormat blockOf(QTextDocument &doc, const QString &word) {
    return doc.findBlock(doc.toPlainText().indexOf(word)).blockFormat();
}

struct TextCase {
    const char *name;
    QByteArray rtf;
    QString text;
};

class RtfText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RtfText, GivesTheDocumentsText) {
    EXPECT_EQ(read(GetParam().rtf), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfText,
    ::testing::Values(
        TextCase{"Paragraphs", R"({\rtf1 one\par two})", "one|two"},
        TextCase{"LastParEndsTheText", R"({\rtf1 one\par})", "one"},
        TextCase{"EmptyParagraphStays", R"({\rtf1 a\par\par b})", "a||b"},
        TextCase{"BackslashNewlineIsPar", "{\\rtf1 a\\\nb}", "a|b"},
        TextCase{"LineEndsOfTheFileAreNoText", "{\\rtf1 a\r\nb}", "ab"},
        TextCase{"DelimiterBlankBelongsToTheWord", R"({\rtf1\b bold\b0  x})", "bold x"},
        TextCase{"Cp1251Escapes", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8\'e2\'e5\'f2})", "Привет"},
        TextCase{"UppercaseHex", R"({\rtf1\ansicpg1251 \'CF\'D0})", "ПР"},
        TextCase{"EightBitTextInTheCodePage", "{\\rtf1\\ansicpg1251 \xcf\xf0}", "Пр"},
        TextCase{
            "FontCharsetWinsOverTheDocument",
            R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset204 Arial;}{\f1\fcharset0 Times;}}\f0\'e4\f1\'e4})",
            "дä"},
        TextCase{"DefaultFontGivesTheCodePage",
                 R"({\rtf1\ansi\deff1{\fonttbl{\f0 A;}{\f1\fcharset204 B;}}\'e4})", "д"},
        TextCase{"UnicodeSkipsOneFallback", R"({\rtf1\u1055?\u1088?})", "Пр"},
        TextCase{"UnicodeSkipsTwoFallbacks", R"({\rtf1\uc2\u1055\'3f\'3fX})", "ПX"},
        TextCase{"UnicodeWithoutFallback", R"({\rtf1\uc0\u1055X})", "ПX"},
        TextCase{"FallbackWordCountsAsOne", R"({\rtf1\u1055\emdash X})", "ПX"},
        TextCase{"FallbackEndsWithTheGroup", R"({\rtf1\uc3{\u1055?}X})", "ПX"},
        TextCase{"NegativeUnicodeAndSurrogates", R"({\rtf1\u-10179?\u-8704?})", "😀"},
        TextCase{"Literals", R"({\rtf1 a\\b\{c\}})", R"(a\b{c})"},
        TextCase{"TabsAndLineBreaks", R"({\rtf1 a\tab b\line c\cell d})", "a\tb/c\td"},
        TextCase{"SpecialCharacters",
                 R"({\rtf1\emdash\endash\bullet\ldblquote\rdblquote\lquote\rquote\~x\-y\_z})",
                 "—–•“”‘’\u00A0xy\u2011z"},
        TextCase{"HiddenTextIsNotShown", R"({\rtf1 a{\v hidden}b\v c\v0 d})", "abd"},
        TextCase{"UnknownWordsAreSkipped", R"({\rtf1 a\foo12 b\bar c\zzz-5 d})", "abcd"},
        TextCase{"UnknownStarredDestination", R"({\rtf1 a{\*\unknown secret}b})", "ab"},
        TextCase{"TablesAndInfoAreNoText",
                 R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red255\green0\blue0;})"
                 R"({\stylesheet{\s0 Normal;}}{\info{\title T}{\author A}})"
                 R"({\pict\pngblip 89504e47}{\header H}{\footer F}body})",
                 "body"},
        TextCase{"FieldShowsItsResult",
                 R"({\rtf1{\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt link}} and )"
                 R"({\field{\fldinst PAGE}{\fldrslt 7}}})",
                 "link and 7"},
        TextCase{"BinaryDataIsSkipped", R"({\rtf1 a\bin3 }}{b})", "ab"},
        TextCase{"ListNumbersAreShown", R"({\rtf1{\pntext 1.\tab}Item})", "1.\tItem"},
        TextCase{"AfterTheDocumentNothingCounts", R"({\rtf1 a}junk{\rtf1 b})", "a"},
        TextCase{"ByteOrderMarkAndBlanksBefore", "\xEF\xBB\xBF \r\n{\\rtf1 a}", "a"}),
    [](const auto &info) { return info.param.name; });

TEST(RtfRead, RefusesWhatIsNotRtf) {
    QTextDocument doc;
    doc.setPlainText("old content");
    EXPECT_FALSE(ReadRtf("hello {\\rtf1 x}", doc));
    EXPECT_TRUE(doc.isEmpty());
    EXPECT_FALSE(ReadRtf("", doc));
}

TEST(RtfFormat, CharacterFormattingFollowsGroups) {
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf(R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
                        R"(n {\b b {\i bi}} {\ul u\ulnone nu} {\strike s} {\fs36 big})"
                        R"( {\cf1 red}{\cf2\highlight1 blue} \b\i\ul\fs40 x\plain y})",
                        doc));
    EXPECT_EQ(formatOf(doc, "n").fontWeight(), QFont::Normal);
    EXPECT_DOUBLE_EQ(formatOf(doc, "n").fontPointSize(), 12);
    EXPECT_EQ(formatOf(doc, "b ").fontWeight(), QFont::Bold);
    EXPECT_FALSE(formatOf(doc, "b ").fontItalic());
    EXPECT_EQ(formatOf(doc, "bi").fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatOf(doc, "bi").fontItalic());
    EXPECT_TRUE(formatOf(doc, "u").fontUnderline());
    EXPECT_FALSE(formatOf(doc, "nu").fontUnderline());
    EXPECT_TRUE(formatOf(doc, "s").fontStrikeOut());
    EXPECT_DOUBLE_EQ(formatOf(doc, "big").fontPointSize(), 18);
    EXPECT_EQ(formatOf(doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(doc, "blue").foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(formatOf(doc, "blue").background().color(), QColor(255, 0, 0));
    EXPECT_FALSE(formatOf(doc, "n").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(formatOf(doc, "x").fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(formatOf(doc, "x").fontPointSize(), 20);
    EXPECT_EQ(formatOf(doc, "y").fontWeight(), QFont::Normal);
    EXPECT_FALSE(formatOf(doc, "y").fontUnderline());
    EXPECT_DOUBLE_EQ(formatOf(doc, "y").fontPointSize(), 12);
}

TEST(RtfFormat, ToggleWithZeroSwitchesOff) {
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf(R"({\rtf1\b\i\ul on \b0\i0\ul0 off})", doc));
    EXPECT_EQ(formatOf(doc, "on").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(doc, "off").fontWeight(), QFont::Normal);
    EXPECT_FALSE(formatOf(doc, "off").fontItalic());
    EXPECT_FALSE(formatOf(doc, "off").fontUnderline());
}

TEST(RtfFormat, FontsFromTheTable) {
    QTextDocument doc;
    ASSERT_TRUE(
        ReadRtf(R"({\rtf1{\fonttbl{\f0\fswiss Arial;}{\f1\fmodern{\*\panose 02}Courier New;}})"
                R"({\f1 code} text})",
                doc));
    EXPECT_EQ(formatOf(doc, "code").fontFamilies().toStringList(), QStringList{"Courier New"});
    EXPECT_EQ(formatOf(doc, "code").fontStyleHint(), QFont::TypeWriter);
    EXPECT_EQ(formatOf(doc, "text").fontFamilies().toStringList(), QStringList{"Arial"});
}

TEST(RtfFormat, ParagraphFormattingAndHeadings) {
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf(R"({\rtf1 intro\par\pard\qc\outlinelevel0\sb240\sa120 Title\par)"
                        R"(\pard\li720\fi-360\tx1440 item\par\pard\qr right\par)"
                        R"(\pard\qj\ri360 set at the end\outlinelevel1\par\pard plain})",
                        doc));
    EXPECT_EQ(FirstHeading(doc), "Title");
    EXPECT_EQ(blockOf(doc, "intro").headingLevel(), 0);
    EXPECT_EQ(blockOf(doc, "Title").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(blockOf(doc, "Title").headingLevel(), 1);
    EXPECT_DOUBLE_EQ(blockOf(doc, "Title").topMargin(), 16); // 240 twips at 96 dpi
    EXPECT_DOUBLE_EQ(blockOf(doc, "Title").bottomMargin(), 8);
    EXPECT_DOUBLE_EQ(blockOf(doc, "item").leftMargin(), 48);
    EXPECT_DOUBLE_EQ(blockOf(doc, "item").textIndent(), -24);
    // Stops from the page margin become stops from where the first line starts (24 px):
    // the hanging indent's own at 48 px, then 96 px.
    ASSERT_EQ(blockOf(doc, "item").tabPositions().size(), 2);
    EXPECT_DOUBLE_EQ(blockOf(doc, "item").tabPositions()[0].position, 24);
    EXPECT_DOUBLE_EQ(blockOf(doc, "item").tabPositions()[1].position, 72);
    EXPECT_EQ(blockOf(doc, "right").alignment(), Qt::AlignRight);
    // A paragraph takes the properties in force where it ends.
    EXPECT_EQ(blockOf(doc, "set at").alignment(), Qt::AlignJustify);
    EXPECT_EQ(blockOf(doc, "set at").headingLevel(), 2);
    EXPECT_EQ(blockOf(doc, "plain").alignment(), Qt::AlignLeft);
    EXPECT_DOUBLE_EQ(blockOf(doc, "plain").leftMargin(), 0);
}

TEST(RtfFormat, DefaultTabStopsFollowTheDocument) {
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf(R"({\rtf1 a\tab b})", doc));
    EXPECT_DOUBLE_EQ(doc.defaultTextOption().tabStopDistance(), 48); // half an inch
    ASSERT_TRUE(ReadRtf(R"({\rtf1\deftab1440 a\tab b})", doc));
    EXPECT_DOUBLE_EQ(doc.defaultTextOption().tabStopDistance(), 96);
}

TEST(RtfFormat, NoHeadingGivesAnEmptyFirstHeading) {
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf(R"({\rtf1 just text\par})", doc));
    EXPECT_EQ(FirstHeading(doc), "");
}

// ---- broken and hostile files -----------------------------------------------------

TEST(RtfHostile, UnbalancedAndTruncatedFilesKeepWhatTheyHold) {
    const struct {
        QByteArray rtf;
        QString text;
    } cases[] = {
        {R"({\rtf1 a{\b b)", "ab"},
        {R"({\rtf1 a}}}}b)", "a"},
        {R"({\rtf1 a\)", "a"},
        {R"({\rtf1 a\')", "a"},
        {R"({\rtf1 a\'c)", "a"}, // half an escape: a control character, dropped
        {R"({\rtf1 a\'zz b})", "azz b"},
        {R"({\rtf1 a\u)", "a"},
        {R"({\rtf1 a\bin999999999 xyz)", "a"},
        {R"({\rtf1 a\bin-5 b})", "ab"},
        {R"({\rtf1{\fonttbl{\f0 Arial)", ""},
        {R"({\rtf1{\colortbl;\red300\green-4)", ""},
        {R"({\rtf)", ""},
    };
    for (const auto &c : cases) {
        QTextDocument doc;
        EXPECT_TRUE(ReadRtf(c.rtf, doc)) << c.rtf.constData();
        EXPECT_EQ(paragraphs(doc), c.text) << c.rtf.constData();
    }
}

TEST(RtfHostile, HugeNumbersAreBounded) {
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf(R"({\rtf1\fs99999999999999999999 a\fs-7 b\u99999999999?c)"
                        R"(\li-99999999999\sb99999999 d\par\outlinelevel999 e\par)"
                        R"(\cf2147483647\f-2147483648\ansicpg999999\'e4)"
                        R"({\uc99999999\u65 eaten by the fallback} f})",
                        doc));
    EXPECT_DOUBLE_EQ(formatOf(doc, "a").fontPointSize(), 1638);
    EXPECT_DOUBLE_EQ(formatOf(doc, "b").fontPointSize(), 1);
    EXPECT_DOUBLE_EQ(blockOf(doc, "d").leftMargin(), -31680 / 15.0);
    EXPECT_EQ(blockOf(doc, "e").headingLevel(), 6);
    EXPECT_EQ(paragraphs(doc), "ab\uFFFDcd|e|\u00E4A f");
}

TEST(RtfHostile, DeepNestingIsCutNotRecursed) {
    const int depth = 100000;
    QByteArray rtf = "{\\rtf1 ";
    rtf += QByteArray(150, '{') + "kept" + QByteArray(150, '}');
    rtf += QByteArray(depth, '{') + "lost" + QByteArray(depth, '}');
    rtf += " end}";
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf(rtf, doc));
    EXPECT_EQ(paragraphs(doc), "kept end");
}

TEST(RtfHostile, RunsOfBrokenControlsEnd) {
    const QByteArray cases[] = {
        "{\\rtf1 " + QByteArray(200000, '\\') + "}",
        "{\\rtf1 " + QByteArray("\\'").repeated(200000) + "}",
        "{\\rtf1 \\" + QByteArray(200000, 'a') + "1 x}",
        "{\\rtf1 \\a" + QByteArray(200000, '9') + " x}",
        "{\\rtf1 " + QByteArray("{\\*").repeated(50000) + "}",
        "{\\rtf1 " + QByteArray("\\u1055").repeated(50000) + "}",
    };
    for (const QByteArray &rtf : cases) {
        QTextDocument doc;
        EXPECT_TRUE(ReadRtf(rtf, doc));
    }
}

TEST(RtfHostile, TablesAreCapped) {
    QByteArray rtf = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 5000; ++i)
        rtf += "{\\f" + QByteArray::number(i) + "\\fcharset204 F" + QByteArray::number(i) + ";}";
    rtf += "}{\\colortbl" + QByteArray("\\red1;").repeated(5000) + "}";
    for (int cp = 1; cp < 3000; ++cp)
        rtf += "\\ansicpg" + QByteArray::number(cp) + " \\'e4";
    rtf += "\\f4999 x}";
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf(rtf, doc));
    EXPECT_TRUE(paragraphs(doc).endsWith("x"));
}

TEST(RtfHostile, CharactersOfTheDocumentsOwnStructureAreDropped) {
    // U+2029 separates blocks, U+FDD0 and U+FDD1 mark frames, NUL and ESC are controls.
    QTextDocument doc;
    ASSERT_TRUE(ReadRtf(R"({\rtf1 a\u8233?b\u-560?\u-559?c\'00\'1bd\par e})", doc));
    EXPECT_EQ(paragraphs(doc), "abcd|e");
    EXPECT_EQ(doc.blockCount(), 2);
}

TEST(RtfHostile, RandomBytesAndMutationsNeverBreakTheReader) {
    std::mt19937 random(20240611);
    const QByteArray sample =
        R"({\rtf1\ansi\ansicpg1251\deff0{\fonttbl{\f0\fswiss\fcharset204 Arial;}})"
        R"({\colortbl;\red0\green0\blue255;}\pard\qc\outlinelevel0\b\fs32 )"
        R"(\'d1\'ef\'f0\'e0\'e2\'ea\'e0\par\pard\b0\fs22 \u1055?{\cf1 x}\tab{\*\bkmkstart a}y\par})";
    for (int round = 0; round < 400; ++round) {
        QByteArray junk = "{\\rtf1 ";
        const int size = 1 + int(random() % 4096);
        for (int i = 0; i < size; ++i)
            junk.append(char(random() % 256));
        QByteArray mutated = sample;
        for (int flips = 1 + int(random() % 8); flips > 0; --flips)
            mutated[int(random() % mutated.size())] = char(random() % 256);
        for (const QByteArray &rtf : {junk, mutated}) {
            QTextDocument doc;
            ReadRtf(rtf, doc);
            doc.toPlainText(); // the document must stay consistent enough to be read back
        }
    }
}

} // namespace
