#include "records/dbf_file.h"

#include "records/records_log.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

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

constexpr int kFileHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr char kFieldTerminator = 0x0D;
constexpr char kEndOfFile = 0x1A;
// Language driver bytes: cp866 (the DOS Russian drivers), cp1251 for new tables.
constexpr unsigned char kLdidCp1251 = 0xC9;

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
        ssize_t r = ::pwrite(fd, buf, size_t(n), off_t(offset));
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
    h[0] = 0x03;
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

    // Written beside the target and linked into place: another program sees either no
    // table or a whole one, and an existing table is never replaced.
    const QFileInfo target(path);
    QTemporaryFile tmp(target.absolutePath() + QStringLiteral("/.Setting-XXXXXX"));
    if (!tmp.open()) {
        *error = QStringLiteral("Не удалось создать таблицу %1: %2")
                     .arg(Native(path), tmp.errorString());
        return false;
    }
    const int fd = tmp.handle();
    if (!PwriteAll(fd, header.constData(), header.size(), 0) || ::fsync(fd) != 0 ||
        ::fchmod(fd, 0664) != 0) {
        *error =
            QStringLiteral("Не удалось создать таблицу %1: %2").arg(Native(path), SysError(errno));
        return false;
    }
    const QByteArray name = QFile::encodeName(target.absoluteFilePath());
    if (::link(QFile::encodeName(tmp.fileName()).constData(), name.constData()) != 0) {
        int err = errno;
        if (err == EEXIST) return true; // somebody created it first: use theirs
        if (err == EPERM || err == EOPNOTSUPP || err == ENOSYS) {
            // No hard links here (a FAT stick, a network share): create in place,
            // locked while the header goes in.
            const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
            if (fd < 0 && errno == EEXIST) return true;
            err = errno;
            if (fd >= 0) {
                ::flock(fd, LOCK_EX);
                const bool ok =
                    PwriteAll(fd, header.constData(), header.size(), 0) && ::fsync(fd) == 0;
                err = errno;
                ::close(fd);
                if (ok) return true;
                ::unlink(name.constData());
            }
        }
        *error =
            QStringLiteral("Не удалось создать таблицу %1: %2").arg(Native(path), SysError(err));
        return false;
    }
    const int dir = ::open(QFile::encodeName(target.absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    qCDebug(lcRecords) << "created" << path;
    return true;
}

bool DbfFile::Open(const QString &path, Mode mode, QString *error) {
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
        // Both kinds of advisory lock, since other programs use one or the other.
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 || ::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
            const int err = errno;
            ::close(fd_);
            fd_ = -1;
            if (err == EWOULDBLOCK || err == EAGAIN || err == EACCES)
                *error = QStringLiteral("Таблица %1 занята другой программой").arg(Native(path));
            else
                *error = QStringLiteral("Не удалось заблокировать таблицу %1: %2")
                             .arg(Native(path), SysError(err));
            return false;
        }
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

bool DbfFile::Append(const QList<QByteArray> &records, QString *error, bool sync) {
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
    // Whatever lies past the last record (normally the end-of-file mark) is put back if
    // the write fails half way, so a full disk leaves the file as it was.
    const qint64 oldSize = st.st_size;
    QByteArray tail(qMax<qint64>(0, oldSize - offset), '\0');
    if (!tail.isEmpty() && !PreadAll(fd_, tail.data(), tail.size(), offset)) tail.clear();

    // Records first, then the count that makes them visible.
    const bool dataOk =
        PwriteAll(fd_, block.constData(), block.size(), offset) && (!sync || ::fdatasync(fd_) == 0);
    unsigned char head[7] = {};
    if (dataOk) {
        unsigned char full[8] = {};
        StampDate(full);
        PutLe32(full + 4, quint32(count_ + records.size()));
        std::memcpy(head, full + 1, 7);
    }
    if (!dataOk || !PwriteAll(fd_, reinterpret_cast<const char *>(head), 7, 1) ||
        (sync && ::fsync(fd_) != 0)) {
        const int err = errno;
        if (!dataOk) {
            if (::ftruncate(fd_, off_t(oldSize)) == 0 && !tail.isEmpty())
                PwriteAll(fd_, tail.constData(), tail.size(), offset);
        }
        *error = QStringLiteral("Ошибка записи в таблицу %1: %2").arg(Native(path_), SysError(err));
        qCWarning(lcRecords) << *error;
        return false;
    }
    count_ += records.size();
    return true;
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
