#pragma once
// The help document "Help_ormix.rtf": where it is looked for and how it is read. A Linux
// program's current directory is rarely its own, so after the current directory come the
// program's folder and the installed data folders (../share/ormix beside the program,
// then the desktop's data folders).
#include <QString>
#include <QStringList>

class QTextDocument;

namespace ormix::ui {

inline constexpr char kHelpDocumentName[] = "Help_ormix.rtf";
// Far above any manual; a larger file is refused rather than laid out for minutes.
inline constexpr qint64 kHelpDocumentMaxBytes = 8 * 1024 * 1024;

// The folders to look in, in order, without repeats.
QStringList HelpDocumentFolders(const QString &currentDir, const QString &programDir,
                                const QStringList &dataDirs);
// The same for this process.
QStringList HelpDocumentFolders();

struct HelpLoadResult {
    QString path;  // the file read (or refused); empty when none was found
    QString error; // empty when the document was read
};

// Reads the first document found into `document`; on any failure the document is left
// empty and `error` says what happened, in the operator's words.
HelpLoadResult LoadHelpDocument(const QStringList &folders, QTextDocument &document);

} // namespace ormix::ui
