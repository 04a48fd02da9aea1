#include "records/atomic_file.h"

#include "records/file_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ormix::records {

namespace {
QString Failure(const QString &path, int err) {
    return QStringLiteral("Не удалось сохранить файл %1: %2")
        .arg(QDir::toNativeSeparators(path), FileErrorReason(err));
}

bool WriteAll(int fd, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

// A new file of a name nobody uses, beside `target`; -1 with errno set when none can be made.
int CreateBeside(const QFileInfo &target, QByteArray *name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            QStringLiteral("%1/.%2.%3.part")
                .arg(target.absolutePath(), target.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        *name = QFile::encodeName(candidate);
        // 0666: the umask decides, as for any file the user saves.
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}
// The new name survives a power cut only once the folder is on disk too.
void SyncFolder(const QString &folder) {
    const int dir =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}
} // namespace

QString WriteFileAtomically(const QString &path, const QByteArray &bytes) {
    const QFileInfo target(path);
    QByteArray partName;
    const int fd = CreateBeside(target, &partName);
    if (fd < 0) return Failure(path, errno);

    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    const QByteArray finalName = QFile::encodeName(target.absoluteFilePath());
    if (ok && ::rename(partName.constData(), finalName.constData()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(partName.constData());
        return Failure(path, err);
    }
    SyncFolder(target.absolutePath());
    return {};
}

} // namespace ormix::records
