#pragma once
// Collects the text of one paragraph in runs of equal formatting and puts the paragraph
// into the document when it ends, with the paragraph formatting in force at its end (a
// paragraph's properties may be set anywhere inside it).
#include <QList>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

class QTextBlockFormat;
class QTextDocument;

namespace ormix::ui {

class RtfDocumentWriter {
public:
    explicit RtfDocumentWriter(QTextDocument &document);
    // Characters the document uses for its own structure, and control characters other
    // than tab and line break, are dropped.
    void AddText(const QString &text, const QTextCharFormat &format);
    // `mark` formats the paragraph mark: an empty paragraph keeps the height of its text.
    void EndParagraph(const QTextBlockFormat &block, const QTextCharFormat &mark);
    // The last paragraph, when anything follows the last paragraph end.
    void Finish(const QTextBlockFormat &block, const QTextCharFormat &mark);

private:
    struct Run {
        QString text;
        QTextCharFormat format;
    };
    QTextCursor cursor;
    bool firstBlock = true;
    QList<Run> runs;
};

} // namespace ormix::ui
