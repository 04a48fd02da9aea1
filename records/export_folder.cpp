#include "records/export_folder.h"

#include "records/file_error.h"
#include "records/xlsx_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>

namespace ormix::records {

namespace {
// Long enough for any spreadsheet application to have read the file, short enough that
// the folder never grows much.
constexpr qint64 kStaleAfterSeconds = 24 * 3600;
} // namespace

QString ExportFolder::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/export");
}

ExportFolder::ExportFolder(QString path) : path_(std::move(path)) {}

QString ExportFolder::BaseNameFor(const QString &title) {
    QString name;
    for (const QChar ch : title)
        name += (ch.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(ch))
                    ? QLatin1Char('_')
                    : ch;
    name = name.simplified();
    while (name.endsWith(QLatin1Char(',')))
        name = name.chopped(1).trimmed();
    return name.isEmpty() ? QStringLiteral("Таблица") : name;
}

int ExportFolder::RemoveStale(const QDateTime &now) const {
    int removed = 0;
    const QDateTime cutoff = now.addSecs(-kStaleAfterSeconds);
    const QDir dir(path_);
    for (const QFileInfo &file : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        if (file.lastModified() < cutoff && QFile::remove(file.absoluteFilePath())) ++removed;
    return removed;
}

ExportFolder::Written ExportFolder::WriteWorkbook(const ExportTable &table,
                                                  const QDateTime &now) const {
    Written w;
    errno = 0;
    if (!QDir().mkpath(path_)) {
        w.error = QStringLiteral("Не удалось создать папку %1: %2")
                      .arg(QDir::toNativeSeparators(path_), FileErrorReason(errno ? errno : EIO));
        return w;
    }
    RemoveStale(now);

    const QString base = BaseNameFor(table.title) + QLatin1Char(' ') +
                         now.toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
    QString path = QDir(path_).filePath(base + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(path_).filePath(QStringLiteral("%1 (%2).xlsx").arg(base).arg(n));

    w.error = WriteXlsx(table, path);
    if (!w.ok()) return w;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser |
                                    QFileDevice::ReadGroup | QFileDevice::ReadOther);
    w.path = path;
    return w;
}

} // namespace ormix::records
