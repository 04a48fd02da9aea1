#pragma once
// A reader of Rich Text Format into a QTextDocument (Qt reads HTML and Markdown, not
// RTF). It keeps what a help text needs: paragraphs with their alignment, indents,
// spacing, tab stops and outline level (headings), bold, italic, underline, strike-out,
// super- and subscript, font, size, colour and highlight, tabs and line breaks, the
// \'hh escapes in the code page of the font or the document (cp1251 included), \uN with
// its fallback characters skipped. Unknown control words and destinations are skipped.
//
// Input from a file is not trusted: unbalanced groups end with the data, numbers of any
// length saturate, groups nested deeper than kMaxDepth are skipped, and the tables are
// capped, so no input can crash the reading or keep it from ending after one pass.
#include <QByteArrayView>
#include <QString>

class QTextDocument;

namespace ormix::ui {

// Replaces the document's content. False when the data is not RTF (it does not start
// with "{\rtf"): the document is then left empty.
bool ReadRtf(QByteArrayView rtf, QTextDocument &document);

// The text of the first heading (a paragraph with an outline level); empty when none.
QString FirstHeading(const QTextDocument &document);

inline constexpr int kRtfMaxDepth = 200;         // groups kept; deeper ones are skipped
inline constexpr int kRtfMaxTableEntries = 1024; // fonts, colours
inline constexpr int kRtfMaxTabStops = 64;       // per paragraph

} // namespace ormix::ui
