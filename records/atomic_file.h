#pragma once
// Writing a whole file so that it is either there complete or not changed at all.
#include <QByteArray>
#include <QString>

namespace ormix::records {

// Writes `bytes` to a new file beside `path`, flushes it to disk and renames it over
// `path` (an existing file is replaced in one step). Permissions follow the umask.
// Returns an empty text on success, otherwise "Не удалось сохранить файл <path>: <reason>";
// nothing is left behind then.
QString WriteFileAtomically(const QString &path, const QByteArray &bytes);

} // namespace ormix::records
