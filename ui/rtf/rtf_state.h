#pragma once
// What a group of Rich Text Format carries: character and paragraph formatting, where
// its text goes, and how many fallback characters follow a \uN. A group starts with its
// parent's state and gives it back when it closes.
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <map>

namespace ormix::ui {

struct RtfCharState {
    bool bold = false, italic = false, underline = false, strike = false;
    bool hidden = false; // \v: text a reader does not show
    int vertical = 0;    // 1 superscript, -1 subscript
    int halfPoints = 24; // \fsN; the format's default is 12 pt
    int colour = 0;      // index into the colour table; 0 is the automatic colour
    int highlight = 0;
    int font = -1; // \fN; -1 the document's default font
};

struct RtfParaState {
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftTwips = 0, rightTwips = 0, firstLineTwips = 0, beforeTwips = 0, afterTwips = 0;
    int outlineLevel = -1; // \outlinelevelN: 0 is a first-level heading
    QList<int> tabTwips;
};

enum class RtfDestination { Text, Skip, FontTable, ColourTable };

struct RtfGroupState {
    RtfCharState chars;
    RtfParaState para;
    RtfDestination destination = RtfDestination::Text;
    int unicodeSkip = 1; // \ucN
};

struct RtfFont {
    QString name;
    int codePage = 0; // 0: the document's
    QFont::StyleHint hint = QFont::AnyStyle;
};

// The document-wide tables the formats refer to.
struct RtfTables {
    int codePage = 1252;       // \ansicpgN
    int defaultFont = 0;       // \deffN
    int defaultTabTwips = 720; // \deftabN: half an inch unless the document says
    std::map<int, RtfFont> fonts;
    QList<QColor> colours; // an invalid colour is the automatic one

    const RtfFont *FontOf(const RtfCharState &chars) const;
    int CodePageOf(const RtfCharState &chars) const;
};

QTextCharFormat CharFormatOf(const RtfCharState &chars, const RtfTables &tables);
QTextBlockFormat BlockFormatOf(const RtfParaState &para);

} // namespace ormix::ui
