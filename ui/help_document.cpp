#include "ui/help_document.h"

#include "ui/rtf/rtf_reader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextDocument>

#ifndef ORMIX_DATA_DIR_FROM_BIN
#define ORMIX_DATA_DIR_FROM_BIN "../share/ormix"
#endif

namespace ormix::ui {

QStringList HelpDocumentFolders(const QString &currentDir, const QString &programDir,
                                const QStringList &dataDirs) {
    QStringList folders{currentDir, programDir,
                        QDir(programDir).filePath(QStringLiteral(ORMIX_DATA_DIR_FROM_BIN))};
    for (const QString &dir : dataDirs)
        folders << QDir(dir).filePath("ormix");
    QStringList unique;
    for (const QString &f : folders) {
        const QString clean = QDir::cleanPath(f);
        if (!f.isEmpty() && !unique.contains(clean)) unique << clean;
    }
    return unique;
}

QStringList HelpDocumentFolders() {
    return HelpDocumentFolders(
        QDir::currentPath(), QCoreApplication::applicationDirPath(),
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
}

HelpLoadResult LoadHelpDocument(const QStringList &folders, QTextDocument &document) {
    document.clear();
    HelpLoadResult r;
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(kHelpDocumentName);
        if (QFileInfo::exists(path)) {
            r.path = path;
            break;
        }
    }
    if (r.path.isEmpty()) {
        r.error = QString("Не найден файл справки \"%1\". Искали в папках: %2.")
                      .arg(kHelpDocumentName, folders.join(", "));
        return r;
    }
    QFile file(r.path);
    const QFileInfo info(r.path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        const QString why = info.isDir() ? QString("это папка") : file.errorString();
        r.error = QString("Не удалось прочитать файл справки \"%1\": %2.").arg(r.path, why);
        return r;
    }
    if (file.size() > kHelpDocumentMaxBytes) {
        r.error = QString("Файл справки \"%1\" слишком велик: %2 МБ, допускается не более %3 МБ.")
                      .arg(r.path)
                      .arg(file.size() / (1024 * 1024))
                      .arg(kHelpDocumentMaxBytes / (1024 * 1024));
        return r;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        r.error = QString("Не удалось прочитать файл справки \"%1\": %2.")
                      .arg(r.path, file.errorString());
        return r;
    }
    if (!ReadRtf(data, document))
        r.error = QString("Файл справки \"%1\" не является документом RTF.").arg(r.path);
    return r;
}

} // namespace ormix::ui
