#include "records/file_error.h"

#include <cerrno>
#include <cstring>

namespace ormix::records {

QString FileErrorReason(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав на запись");
    case ENOENT:
        return QStringLiteral("папка не существует");
    case ENOTDIR:
        return QStringLiteral("часть пути не является папкой");
    case EISDIR:
        return QStringLiteral("под этим именем уже есть папка");
    case EEXIST:
        return QStringLiteral("это имя уже занято");
    case ENOSPC:
        return QStringLiteral("на диске нет места");
    case EDQUOT:
        return QStringLiteral("исчерпана дисковая квота");
    case EROFS:
        return QStringLiteral("диск доступен только для чтения");
    case ENAMETOOLONG:
        return QStringLiteral("слишком длинное имя файла");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

} // namespace ormix::records
