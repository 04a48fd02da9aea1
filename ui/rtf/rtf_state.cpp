#include "ui/rtf/rtf_state.h"

#include <QTextOption>
#include <algorithm>

namespace ormix::ui {
namespace {

// Twips are 1/1440 inch; the document lays out at 96 pixels an inch.
constexpr double kTwipsPerPixel = 1440.0 / 96.0;

double pixels(int twips) {
    return twips / kTwipsPerPixel;
}

QColor colourAt(const QList<QColor> &colours, int index) {
    return index > 0 && index < colours.size() ? colours[index] : QColor();
}

} // namespace

const RtfFont *RtfTables::FontOf(const RtfCharState &chars) const {
    const auto it = fonts.find(chars.font >= 0 ? chars.font : defaultFont);
    return it == fonts.end() ? nullptr : &it->second;
}

int RtfTables::CodePageOf(const RtfCharState &chars) const {
    const RtfFont *font = FontOf(chars);
    return font && font->codePage ? font->codePage : codePage;
}

QTextCharFormat CharFormatOf(const RtfCharState &chars, const RtfTables &tables) {
    QTextCharFormat f;
    f.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(chars.italic);
    f.setFontUnderline(chars.underline);
    f.setFontStrikeOut(chars.strike);
    f.setFontPointSize(chars.halfPoints / 2.0);
    if (chars.vertical)
        f.setVerticalAlignment(chars.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                  : QTextCharFormat::AlignSubScript);
    if (const RtfFont *font = tables.FontOf(chars); font && !font->name.isEmpty()) {
        f.setFontFamilies({font->name});
        f.setFontStyleHint(font->hint);
    }
    if (const QColor c = colourAt(tables.colours, chars.colour); c.isValid()) f.setForeground(c);
    if (const QColor c = colourAt(tables.colours, chars.highlight); c.isValid()) f.setBackground(c);
    return f;
}

QTextBlockFormat BlockFormatOf(const RtfParaState &para) {
    QTextBlockFormat f;
    f.setAlignment(para.alignment);
    f.setLeftMargin(pixels(para.leftTwips));
    f.setRightMargin(pixels(para.rightTwips));
    f.setTextIndent(pixels(para.firstLineTwips));
    f.setTopMargin(pixels(para.beforeTwips));
    f.setBottomMargin(pixels(para.afterTwips));
    if (para.outlineLevel >= 0) f.setHeadingLevel(para.outlineLevel + 1);
    // RTF measures tab stops from the page margin, Qt from where the line starts: for the
    // first line (the one a hanging indent's tab is in) that is the left plus the first
    // indent. A hanging indent also stops a tab at the left indent, as word processors do.
    QList<int> stops = para.tabTwips;
    if (para.firstLineTwips < 0 && !stops.contains(para.leftTwips)) stops.append(para.leftTwips);
    std::sort(stops.begin(), stops.end());
    const int lineStart = para.leftTwips + para.firstLineTwips;
    QList<QTextOption::Tab> tabs;
    for (int t : stops)
        if (t > lineStart)
            tabs.append(QTextOption::Tab(pixels(t - lineStart), QTextOption::LeftTab));
    if (!tabs.isEmpty()) f.setTabPositions(tabs);
    return f;
}

} // namespace ormix::ui
