#include "records/dbf_file.h"

#include "records/dbf_write_calls.h"
#include "records/records_log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ormix::records {

namespace {

using ormix::records::CurrentDbfWriteCalls;

constexpr int kFileHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr char kFieldTerminator = 0x0D;
constexpr char kEndOfFile = 0x1A;
// Language driver bytes: cp866 (the DOS Russian drivers), cp1251 for new tables.
constexpr unsigned char kLdidCp1251 = 0xC9;
constexpr unsigned char kNewTableVersion = 0x03; // dBase III without memo
// Create's temporary tables, beside the target (mkostemp's six characters follow). The
// name is the same for every table, so a crash's leftover is known by it.
constexpr char kTemporaryPrefix[] = ".Setting-";
constexpr int kCreateAttempts = 3;

QString Native(const QString &path) {
    return QDir::toNativeSeparators(path);
}

QString SysError(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

quint32 Le32(const unsigned char *p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 Le16(const unsigned char *p) {
    return quint16(p[0] | p[1] << 8);
}
void PutLe32(unsigned char *p, quint32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutLe16(unsigned char *p, quint16 v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

bool KnownVersion(unsigned char v) {
    // dBase III/IV/5 with or without memo, FoxPro and Visual FoxPro.
    switch (v) {
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x83:
    case 0x8B:
    case 0x8E:
    case 0x30:
    case 0x31:
    case 0x32:
    case 0xF5:
    case 0xFB:
        return true;
    default:
        return false;
    }
}

bool PreadAll(int fd, char *buf, qint64 n, qint64 offset) {
    while (n > 0) {
        ssize_t r = ::pread(fd, buf, size_t(n), off_t(offset));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            if (r == 0) errno = EIO;
            return false;
        }
        buf += r;
        n -= r;
        offset += r;
    }
    return true;
}

bool PwriteAll(int fd, const char *buf, qint64 n, qint64 offset) {
    while (n > 0) {
        ssize_t r = CurrentDbfWriteCalls().pwrite(fd, buf, size_t(n), off_t(offset));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            if (r == 0) errno = EIO;
            return false;
        }
        buf += r;
        n -= r;
        offset += r;
    }
    return true;
}

void StampDate(unsigned char *header) {
    const QDate d = QDate::currentDate();
    header[1] = static_cast<unsigned char>(qBound(0, d.year() - 1900, 255));
    header[2] = static_cast<unsigned char>(d.month());
    header[3] = static_cast<unsigned char>(d.day());
}

bool Busy(int err) {
    return err == EWOULDBLOCK || err == EAGAIN || err == EACCES;
}

// Both kinds of advisory lock, since other programs use one or the other; none is kept
// when the second cannot be had.
int TryLock(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return 0;
    const int err = errno;
    ::flock(fd, LOCK_UN);
    return err;
}

// Another program holds its lock for the moment of one write, or of a copy: it is asked
// again after a pause that grows from 10 ms to 250 ms, until `waitMs` have passed.
int LockWaiting(int fd, int waitMs) {
    QElapsedTimer waited;
    waited.start();
    int pauseMs = 10;
    for (;;) {
        const int err = TryLock(fd);
        const qint64 leftMs = waitMs - waited.elapsed();
        if (err == 0 || !Busy(err) || leftMs <= 0) return err;
        ::usleep(useconds_t(qMin<qint64>(pauseMs, leftMs) * 1000));
        pauseMs = qMin(pauseMs * 2, 250);
    }
}

void SyncFolder(const QByteArray &dir) {
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// No hard links on this file system (a FAT stick, a network share): the table is created
// in place, locked while its header goes in.
bool CreateInPlace(const QByteArray &name, const QByteArray &header, int *err) {
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
    if (fd < 0) {
        *err = errno;
        return *err == EEXIST; // somebody created it first: use theirs
    }
    ::flock(fd, LOCK_EX);
    const bool ok = PwriteAll(fd, header.constData(), header.size(), 0) &&
                    CurrentDbfWriteCalls().fsync(fd) == 0;
    *err = errno;
    ::close(fd);
    if (!ok) ::unlink(name.constData());
    return ok;
}

enum class Linked { Done, Failed, TemporaryGone };

// The table is written beside its place under a temporary name and linked into place, so
// another program sees either no table or a whole one, and an existing table is never
// replaced. The temporary name goes right after the link; until then this process holds
// the file's lock, which tells a live temporary from one a crash left (see
// RemoveLeftoverTemporaries).
Linked LinkNewTable(const QByteArray &dir, const QByteArray &name, const QByteArray &header,
                    int *err) {
    QByteArray temporary = dir + '/' + kTemporaryPrefix + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *err = errno;
        return Linked::Failed;
    }
    ::flock(fd, LOCK_EX);
    Linked result = Linked::Failed;
    if (!PwriteAll(fd, header.constData(), header.size(), 0) ||
        CurrentDbfWriteCalls().fsync(fd) != 0 || ::fchmod(fd, 0664) != 0) {
        *err = errno;
    } else if (::link(temporary.constData(), name.constData()) == 0 || errno == EEXIST) {
        result = Linked::Done; // on EEXIST somebody created it first: use theirs
    } else {
        *err = errno;
        // Taken for a crash's leftover in the moment before it was locked: once more.
        if (*err == ENOENT) result = Linked::TemporaryGone;
        if (*err == EPERM || *err == EOPNOTSUPP || *err == ENOSYS)
            result = CreateInPlace(name, header, err) ? Linked::Done : Linked::Failed;
    }
    ::unlink(temporary.constData());
    ::close(fd);
    if (result == Linked::Done) SyncFolder(dir);
    return result;
}

// A temporary of Create that its creator did not finish (a crash before the link): nobody
// holds its lock, and it holds at most the header of a new, empty table. Removed, still
// locked, when so; true then.
bool RemoveUnfinishedTemporary(const QByteArray &path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    bool unfinished = false;
    struct stat st {};
    unsigned char head[kFileHeaderSize] = {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink == 1) {
        if (st.st_size == 0)
            unfinished = true;
        else if (st.st_size >= kFileHeaderSize &&
                 PreadAll(fd, reinterpret_cast<char *>(head), kFileHeaderSize, 0))
            unfinished = head[0] == kNewTableVersion && Le32(head + 4) == 0 &&
                         st.st_size <= Le16(head + 8) + 1;
    }
    if (unfinished) unfinished = ::unlink(path.constData()) == 0;
    ::close(fd);
    return unfinished;
}

QString NotDbase(const QString &path) {
    return QStringLiteral("Файл %1 не является таблицей dBase или его заголовок повреждён")
        .arg(Native(path));
}

QString FieldLabel(const DbfField &f) {
    if (f.type == 'N' || f.type == 'F')
        return QStringLiteral("%1 (%2 %3,%4)")
            .arg(QString::fromLatin1(f.name), QChar::fromLatin1(f.type))
            .arg(f.width)
            .arg(f.decimals);
    return QStringLiteral("%1 (%2 %3)")
        .arg(QString::fromLatin1(f.name), QChar::fromLatin1(f.type))
        .arg(f.width);
}

} // namespace

DbfFile::~DbfFile() {
    Close();
}

void DbfFile::Close() {
    if (fd_ >= 0) ::close(fd_); // releases both locks
    fd_ = -1;
    fields_.clear();
    count_ = 0;
}

bool DbfFile::Create(const QString &path, const QList<DbfField> &fields, QString *error) {
    QByteArray header(kFileHeaderSize + kDescriptorSize * fields.size() + 1, '\0');
    auto *h = reinterpret_cast<unsigned char *>(header.data());
    h[0] = kNewTableVersion;
    StampDate(h);
    int recordLength = 1;
    for (int i = 0; i < fields.size(); ++i) {
        const DbfField &f = fields[i];
        unsigned char *d = h + kFileHeaderSize + kDescriptorSize * i;
        std::memcpy(d, f.name.constData(), size_t(qMin<qsizetype>(f.name.size(), 10)));
        d[11] = static_cast<unsigned char>(f.type);
        d[16] = static_cast<unsigned char>(f.width);
        d[17] = static_cast<unsigned char>(f.decimals);
        recordLength += f.width;
    }
    PutLe16(h + 8, quint16(header.size()));
    PutLe16(h + 10, quint16(recordLength));
    h[29] = kLdidCp1251;
    header[header.size() - 1] = kFieldTerminator;
    header.append(kEndOfFile);

    const QFileInfo target(path);
    const QByteArray dir = QFile::encodeName(target.absolutePath());
    const QByteArray name = QFile::encodeName(target.absoluteFilePath());
    int err = 0;
    Linked linked = Linked::TemporaryGone;
    for (int attempt = 0; attempt < kCreateAttempts && linked == Linked::TemporaryGone; ++attempt)
        linked = LinkNewTable(dir, name, header, &err);
    if (linked == Linked::Done) {
        qCDebug(lcRecords) << "created" << path;
        return true;
    }
    *error = QStringLiteral("Не удалось создать таблицу %1: %2").arg(Native(path), SysError(err));
    return false;
}

bool DbfFile::Open(const QString &path, Mode mode, QString *error, int lockWaitMs) {
    Close();
    path_ = path;
    mode_ = mode;
    const QByteArray name = QFile::encodeName(path);

    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        *error =
            errno == ENOENT
                ? QStringLiteral("Таблица %1 не найдена").arg(Native(path))
                : QStringLiteral("Нет доступа к таблице %1: %2").arg(Native(path), SysError(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = NotDbase(path);
        return false;
    }
    // A table marked read-only stays so even for a user the system would let write.
    if (mode == Mode::Append && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        *error = QStringLiteral("Таблица %1 доступна только для чтения").arg(Native(path));
        return false;
    }

    fd_ = ::open(name.constData(), (mode == Mode::Append ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM || err == EROFS)
            *error = QStringLiteral("Таблица %1 доступна только для чтения").arg(Native(path));
        else
            *error =
                QStringLiteral("Нет доступа к таблице %1: %2").arg(Native(path), SysError(err));
        return false;
    }

    if (mode == Mode::Append) {
        if (const int err = LockWaiting(fd_, lockWaitMs)) {
            ::close(fd_);
            fd_ = -1;
            if (Busy(err))
                *error = QStringLiteral("Таблица %1 занята другой программой").arg(Native(path));
            else
                *error = QStringLiteral("Не удалось заблокировать таблицу %1: %2")
                             .arg(Native(path), SysError(err));
            return false;
        }
        RemoveLeftoverTemporaries();
    }

    if (!ReadHeader(error)) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

bool DbfFile::ReadHeader(QString *error) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        *error = QStringLiteral("Нет доступа к таблице %1: %2").arg(Native(path_), SysError(errno));
        return false;
    }
    const qint64 size = st.st_size;
    unsigned char head[kFileHeaderSize];
    if (size < kFileHeaderSize + kDescriptorSize + 1 ||
        !PreadAll(fd_, reinterpret_cast<char *>(head), kFileHeaderSize, 0) ||
        !KnownVersion(head[0])) {
        *error = NotDbase(path_);
        return false;
    }
    headerLength_ = Le16(head + 8);
    recordLength_ = Le16(head + 10);
    count_ = Le32(head + 4);
    mdxFlag_ = head[28] != 0;
    cp866_ = head[29] == 0x26 || head[29] == 0x65;

    if (headerLength_ < kFileHeaderSize + kDescriptorSize + 1 || headerLength_ > size ||
        recordLength_ < 2) {
        *error = NotDbase(path_);
        return false;
    }
    QByteArray descriptors(headerLength_ - kFileHeaderSize, '\0');
    if (!PreadAll(fd_, descriptors.data(), descriptors.size(), kFileHeaderSize)) {
        *error = NotDbase(path_);
        return false;
    }
    QList<DbfField> fields;
    int offset = 1;
    qsizetype pos = 0;
    bool terminated = false;
    while (pos < descriptors.size()) {
        if (descriptors[pos] == kFieldTerminator) {
            terminated = true;
            break;
        }
        if (pos + kDescriptorSize > descriptors.size()) break;
        const auto *d = reinterpret_cast<const unsigned char *>(descriptors.constData() + pos);
        DbfField f;
        f.name = QByteArray(reinterpret_cast<const char *>(d), 11);
        f.name.truncate(f.name.indexOf('\0') < 0 ? 11 : f.name.indexOf('\0'));
        f.name = f.name.trimmed().toUpper();
        f.type = static_cast<char>(d[11]);
        f.width = d[16];
        f.decimals = d[17];
        if (f.type == 'C' && f.decimals > 0) { // long character fields keep the high byte here
            f.width += f.decimals * 256;
            f.decimals = 0;
        }
        f.offset = offset;
        bool printable = !f.name.isEmpty();
        for (char c : f.name)
            printable = printable && c > ' ' && c < 0x7F;
        if (!printable || f.width == 0 || f.type <= ' ' || f.type >= 0x7F) {
            *error = NotDbase(path_);
            return false;
        }
        offset += f.width;
        fields.append(f);
        pos += kDescriptorSize;
    }
    if (!terminated || fields.isEmpty() || offset != recordLength_) {
        *error = NotDbase(path_);
        return false;
    }
    if (size < headerLength_ + count_ * recordLength_) {
        *error = QStringLiteral("Таблица %1 повреждена: файл короче, чем требуют %2 записей "
                                "по заголовку (возможно, он обрезан)")
                     .arg(Native(path_))
                     .arg(count_);
        return false;
    }
    fields_ = fields;
    return true;
}

int DbfFile::FieldIndex(QByteArrayView name) const {
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool DbfFile::ReadRecords(qint64 first, qint64 n, QByteArray *out, QString *error) const {
    if (first < 0 || n < 0 || first + n > count_) {
        *error = QStringLiteral("Запись %1 вне таблицы %2").arg(first + n).arg(Native(path_));
        return false;
    }
    out->resize(n * recordLength_);
    if (!PreadAll(fd_, out->data(), out->size(), headerLength_ + first * recordLength_)) {
        *error = QStringLiteral("Ошибка чтения таблицы %1: %2").arg(Native(path_), SysError(errno));
        return false;
    }
    return true;
}

QString DbfFile::DecodeText(QByteArrayView bytes) const {
    QStringDecoder decoder(cp866_ ? "IBM866" : "windows-1251");
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray DbfFile::EncodeText(const QString &text) const {
    QStringEncoder encoder(cp866_ ? "IBM866" : "windows-1251", QStringConverter::Flag::Default);
    if (!encoder.isValid()) return text.toLatin1();
    return encoder.encode(text);
}

QVariant DbfFile::Value(const char *record, int field) const {
    const DbfField &f = fields_[field];
    QByteArrayView raw(record + f.offset, f.width);
    switch (f.type) {
    case 'N':
    case 'F': {
        const auto v = Number(record, field);
        return v ? QVariant(*v) : QVariant();
    }
    case 'D': {
        const QDate d =
            QDate::fromString(QString::fromLatin1(raw.first(qMin<qsizetype>(8, raw.size()))),
                              QStringLiteral("yyyyMMdd"));
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case 'L': {
        const char c = raw.isEmpty() ? ' ' : raw.front();
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return true;
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return false;
        return {};
    }
    default: {
        qsizetype n = raw.size();
        while (n > 0 && (raw[n - 1] == ' ' || raw[n - 1] == '\0'))
            --n;
        if (n == 0) return {};
        return DecodeText(raw.first(n));
    }
    }
}

std::optional<double> DbfFile::Number(const char *record, int field) const {
    const DbfField &f = fields_[field];
    const char *p = record + f.offset;
    const char *end = p + f.width;
    while (p < end && *p == ' ')
        ++p;
    while (end > p && (end[-1] == ' ' || end[-1] == '\0'))
        --end;
    if (p < end && *p == '+') ++p;
    // Blank is NULL; so is a field of stars, which some writers leave for an overflow.
    if (p == end || *p == '*') return std::nullopt;
    double v = 0;
    const auto [stop, ec] = std::from_chars(p, end, v);
    if (ec != std::errc() || stop != end) return std::nullopt;
    return v;
}

QByteArray DbfFile::BlankRecord() const {
    return QByteArray(recordLength_, ' ');
}

bool DbfFile::SetValue(char *record, int field, const QVariant &value, QString *error) const {
    const DbfField &f = fields_[field];
    char *out = record + f.offset;
    std::memset(out, ' ', size_t(f.width));
    if (!value.isValid() || value.isNull()) return true;
    QByteArray text;
    switch (f.type) {
    case 'N':
    case 'F': {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (!ok || !std::isfinite(v)) {
            *error = QStringLiteral("Значение «%1» не является числом для поля %2")
                         .arg(value.toString(), FieldLabel(f));
            return false;
        }
        text = QByteArray::number(v, 'f', f.decimals);
        if (text.startsWith('-') && text.mid(1).toDouble() == 0.0) text.remove(0, 1); // "-0.00"
        if (text.size() > f.width) {
            *error = QStringLiteral("Значение %1 не помещается в поле %2")
                         .arg(QString::fromLatin1(text), FieldLabel(f));
            return false;
        }
        std::memcpy(out + f.width - text.size(), text.constData(), size_t(text.size()));
        return true;
    }
    case 'D': {
        const QDate d = value.toDate();
        if (!d.isValid() || d.year() < 1 || d.year() > 9999) {
            *error = QStringLiteral("Неверная дата для поля %1").arg(FieldLabel(f));
            return false;
        }
        text = d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
        if (f.width < 8) {
            *error = QStringLiteral("Дата не помещается в поле %1").arg(FieldLabel(f));
            return false;
        }
        std::memcpy(out, text.constData(), 8);
        return true;
    }
    case 'L':
        *out = value.toBool() ? 'T' : 'F';
        return true;
    case 'C':
        text = EncodeText(value.toString());
        if (text.size() > f.width) {
            *error = QStringLiteral("Текст «%1» не помещается в поле %2")
                         .arg(value.toString(), FieldLabel(f));
            return false;
        }
        std::memcpy(out, text.constData(), size_t(text.size()));
        return true;
    default:
        *error = QStringLiteral("Поле %1: этот тип поля не поддерживается").arg(FieldLabel(f));
        return false;
    }
}

bool DbfFile::Sync(QString *error) {
    if (fd_ >= 0 && ::fsync(fd_) != 0) {
        *error =
            QStringLiteral("Ошибка записи в таблицу %1: %2").arg(Native(path_), SysError(errno));
        return false;
    }
    return true;
}

bool DbfFile::Append(const QList<QByteArray> &records, QString *error, bool sync, bool *uncertain) {
    if (uncertain) *uncertain = false;
    if (fd_ < 0 || mode_ != Mode::Append) {
        *error = QStringLiteral("Таблица %1 не открыта для записи").arg(Native(path_));
        return false;
    }
    if (records.isEmpty()) return true;
    if (count_ + records.size() > 0xFFFFFFFFLL) {
        *error = QStringLiteral("Таблица %1 заполнена").arg(Native(path_));
        return false;
    }
    QByteArray block;
    block.reserve(records.size() * recordLength_ + 1);
    for (const QByteArray &r : records) {
        if (r.size() != recordLength_) {
            *error = QStringLiteral("Неверная длина записи для таблицы %1").arg(Native(path_));
            return false;
        }
        block.append(r);
    }
    block.append(kEndOfFile);

    const qint64 offset = headerLength_ + count_ * recordLength_;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        *error =
            QStringLiteral("Ошибка записи в таблицу %1: %2").arg(Native(path_), SysError(errno));
        return false;
    }
    // What the new block overwrites (normally the end-of-file mark) and the header's date
    // and count are put back if the disk fails half way. Bytes further behind the counted
    // records are never touched, so they are not read either, however many there are.
    const qint64 oldSize = st.st_size;
    QByteArray overwritten(qBound<qint64>(0, oldSize - offset, block.size()), '\0');
    char oldHead[7];
    if (!PreadAll(fd_, oldHead, sizeof oldHead, 1) ||
        !PreadAll(fd_, overwritten.data(), overwritten.size(), offset)) {
        *error = QStringLiteral("Ошибка чтения таблицы %1: %2").arg(Native(path_), SysError(errno));
        return false;
    }

    // Records first, then the count that makes them visible.
    const auto &io = CurrentDbfWriteCalls();
    if (!PwriteAll(fd_, block.constData(), block.size(), offset) ||
        (sync && io.fdatasync(fd_) != 0)) {
        const int err = errno;
        TakeBack(offset, oldSize, overwritten); // the old count leaves them out even if not
        *error = QStringLiteral("Ошибка записи в таблицу %1: %2").arg(Native(path_), SysError(err));
        qCWarning(lcRecords) << *error;
        return false;
    }
    unsigned char full[8] = {};
    StampDate(full);
    PutLe32(full + 4, quint32(count_ + records.size()));
    if (!PwriteAll(fd_, reinterpret_cast<const char *>(full + 1), 7, 1) ||
        (sync && io.fsync(fd_) != 0)) {
        const int err = errno;
        // The new count may be in the file, perhaps on the disk: the old one goes back
        // first, so the records are out of the table before they are taken back.
        const bool countBack =
            PwriteAll(fd_, oldHead, sizeof oldHead, 1) && (!sync || io.fsync(fd_) == 0);
        if (countBack) TakeBack(offset, oldSize, overwritten);
        if (uncertain) *uncertain = !countBack;
        *error = QStringLiteral("Ошибка записи в таблицу %1: %2").arg(Native(path_), SysError(err));
        if (!countBack) *error += QStringLiteral("; добавленные записи могли остаться в таблице");
        qCWarning(lcRecords) << *error;
        return false;
    }
    count_ += records.size();
    return true;
}

bool DbfFile::TakeBack(qint64 offset, qint64 oldSize, const QByteArray &overwritten) {
    return CurrentDbfWriteCalls().ftruncate(fd_, off_t(oldSize)) == 0 &&
           PwriteAll(fd_, overwritten.constData(), overwritten.size(), offset);
}

// A crash between Create's link and the removal of its temporary name leaves that name: a
// second hard link that grows with the table. This process holds the table's lock, and a
// creator holds it until its temporary name is gone, so any such link is a leftover. An
// unfinished temporary (a crash before the link) goes too. Nothing else is touched: only
// files of this process's user and of Create's naming.
void DbfFile::RemoveLeftoverTemporaries() const {
    struct stat table {};
    if (::fstat(fd_, &table) != 0) return;
    const QDir dir = QFileInfo(path_).absoluteDir();
    const QStringList names =
        dir.entryList({QString::fromLatin1(kTemporaryPrefix) + QStringLiteral("??????")},
                      QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &n : names) {
        const QByteArray path = QFile::encodeName(dir.filePath(n));
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        const bool linkToTable = st.st_dev == table.st_dev && st.st_ino == table.st_ino;
        if (linkToTable ? ::unlink(path.constData()) == 0 : RemoveUnfinishedTemporary(path))
            qCDebug(lcRecords) << "removed the leftover" << n << "beside" << path_;
    }
}

QString ResolveTablePath(const QString &dir, const QString &fileName) {
    const QDir d(dir);
    if (d.exists(fileName)) return d.filePath(fileName);
    const QStringList names = d.entryList({fileName}, QDir::Files | QDir::Hidden | QDir::System,
                                          QDir::Name | QDir::IgnoreCase);
    for (const QString &n : names)
        if (n.compare(fileName, Qt::CaseInsensitive) == 0) return d.filePath(n);
    return d.filePath(fileName);
}

} // namespace ormix::records
