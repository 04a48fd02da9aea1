#include "ui/rtf/rtf_document_writer.h"

#include <QTextBlockFormat>
#include <QTextDocument>

namespace ormix::ui {
namespace {

bool keep(QChar c) {
    const char16_t u = c.unicode();
    if (u == u'\t' || u == QChar::LineSeparator) return true;
    if (u < 0x20 || u == 0x7F) return false;
    // U+2029 separates blocks and U+FDD0..U+FDEF mark frames inside QTextDocument;
    // U+FFFE and U+FFFF are no characters.
    if (u == QChar::ParagraphSeparator || (u >= 0xFDD0 && u <= 0xFDEF)) return false;
    return u != 0xFFFE && u != 0xFFFF;
}

} // namespace

RtfDocumentWriter::RtfDocumentWriter(QTextDocument &document) : cursor(&document) {}

void RtfDocumentWriter::AddText(const QString &text, const QTextCharFormat &format) {
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text)
        if (keep(c)) kept.append(c);
    if (kept.isEmpty()) return;
    if (!runs.isEmpty() && runs.last().format == format)
        runs.last().text += kept;
    else
        runs.append({kept, format});
}

void RtfDocumentWriter::EndParagraph(const QTextBlockFormat &block, const QTextCharFormat &mark) {
    if (firstBlock) {
        cursor.setBlockFormat(block);
        cursor.setBlockCharFormat(mark);
        firstBlock = false;
    } else {
        cursor.insertBlock(block, mark);
    }
    for (const Run &run : runs)
        cursor.insertText(run.text, run.format);
    runs.clear();
}

void RtfDocumentWriter::Finish(const QTextBlockFormat &block, const QTextCharFormat &mark) {
    if (!runs.isEmpty()) EndParagraph(block, mark);
}

} // namespace ormix::ui
