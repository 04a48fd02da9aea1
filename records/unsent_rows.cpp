#include "records/unsent_rows.h"

#include "records/records_log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ormix::records {
namespace {

QString SystemError(const QString &what, const QString &path) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, QDir::toNativeSeparators(path), QString::fromLocal8Bit(strerror(errno)));
}

bool WriteAll(int fd, const QByteArray &bytes) {
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

// A new or renamed name lasts a crash only once its folder is on the disk too.
bool SyncFolder(const QString &path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

QByteArray Checksum(const QByteArray &json) {
    return QCryptographicHash::hash(json, QCryptographicHash::Sha1).toHex().left(8);
}

QByteArray Line(const QJsonObject &entry) {
    const QByteArray json = QJsonDocument(entry).toJson(QJsonDocument::Compact);
    return json + '\t' + Checksum(json) + '\n';
}

// The file opened and locked for one access. A file that another program replaced
// (rewritten without its sent rows) or removed while we waited for the lock is opened
// again, so nothing is ever appended to a name no longer in the folder.
class LockedJournal {
public:
    LockedJournal(const QString &path, bool create) : path_(path) {
        const QByteArray name = QFile::encodeName(path);
        for (;;) {
            fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
            if (fd_ < 0) return;
            if (::flock(fd_, LOCK_EX) != 0) break;
            struct stat held {
            }, named{};
            if (::fstat(fd_, &held) == 0 && ::stat(name.constData(), &named) == 0 &&
                held.st_ino == named.st_ino && held.st_dev == named.st_dev)
                return;
            ::close(fd_);
        }
        ::close(fd_);
        fd_ = -1;
    }
    ~LockedJournal() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    bool ReadAll(QByteArray *out) const {
        out->clear();
        if (::lseek(fd_, 0, SEEK_SET) < 0) return false;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) return true;
            out->append(buffer, n);
        }
    }

    // Appends lines after whatever is there; a line cut short by a crash is ended first,
    // so it stays a damaged line and never swallows the new one.
    bool Append(const QByteArray &lines, QString *error) {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return Fail(QStringLiteral("Не прочитан файл"), error);
        QByteArray bytes = lines;
        if (st.st_size > 0) {
            char last = '\n';
            if (::pread(fd_, &last, 1, st.st_size - 1) != 1)
                return Fail(QStringLiteral("Не прочитан файл"), error);
            if (last != '\n') bytes.prepend('\n');
        }
        if (::lseek(fd_, 0, SEEK_END) < 0 || !WriteAll(fd_, bytes) || ::fsync(fd_) != 0)
            return Fail(QStringLiteral("Не записан файл"), error);
        if (st.st_size == 0 && !SyncFolder(path_))
            return Fail(QStringLiteral("Не записана папка файла"), error);
        return true;
    }

private:
    bool Fail(const QString &what, QString *error) const {
        *error = SystemError(what, path_);
        return false;
    }

    QString path_;
    int fd_ = -1;
};

// The journal read back: the rows in the order they were kept, and the lines that are
// not entries (damaged; a torn last line is not even that).
struct Journal {
    QList<UnsentRow> rows; // waiting and refused
    int sentEntries = 0;
    QList<QByteArray> damaged;

    int Waiting() const {
        int n = 0;
        for (const UnsentRow &r : rows)
            n += r.refusal.isEmpty();
        return n;
    }
};

Journal Parse(const QByteArray &bytes) {
    Journal j;
    QHash<QString, qsizetype> at; // key -> index in rows
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // after the last '\n': empty, or a line a crash cut short
    for (const QByteArray &line : lines) {
        if (line.isEmpty()) continue;
        const qsizetype tab = line.lastIndexOf('\t');
        const QByteArray json = line.left(tab);
        QJsonParseError parseError{};
        const QJsonObject e = QJsonDocument::fromJson(json, &parseError).object();
        if (tab < 0 || line.mid(tab + 1) != Checksum(json) ||
            parseError.error != QJsonParseError::NoError) {
            j.damaged.append(line);
            continue;
        }
        const QString op = e["op"].toString();
        const QString key = e["key"].toString();
        const auto found = at.constFind(key);
        if (op == u"keep" && found == at.cend()) {
            UnsentRow r;
            r.key = key;
            r.keptAt = QDateTime::fromString(e["at"].toString(), Qt::ISODateWithMs);
            r.row = e["row"].toObject();
            at.insert(key, j.rows.size());
            j.rows.append(r);
        } else if (found == at.cend()) {
            continue; // a note about a row already compacted away
        } else if (op == u"sent") {
            j.rows[*found].key.clear(); // removed below
            at.remove(key);
            ++j.sentEntries;
        } else if (op == u"refused") {
            j.rows[*found].refusal = e["reason"].toString();
            j.rows[*found].refusedAt = QDateTime::fromString(e["at"].toString(), Qt::ISODateWithMs);
        } else if (op == u"requeued") {
            j.rows[*found].refusal.clear();
        }
    }
    j.rows.removeIf([](const UnsentRow &r) { return r.key.isEmpty(); });
    return j;
}

QByteArray KeepLine(const UnsentRow &r) {
    return Line({{"op", "keep"},
                 {"key", r.key},
                 {"at", r.keptAt.toString(Qt::ISODateWithMs)},
                 {"row", r.row}});
}

QByteArray NoteLine(const char *op, const QString &key, const QString &reason = {}) {
    QJsonObject e{{"op", op}, {"key", key}};
    if (QLatin1StringView(op) == u"refused") {
        e["reason"] = reason;
        e["at"] = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    }
    return Line(e);
}

bool Load(const LockedJournal &file, const QString &path, Journal *out, QString *error) {
    QByteArray bytes;
    if (!file.ReadAll(&bytes)) {
        *error = SystemError(QStringLiteral("Не прочитан файл"), path);
        return false;
    }
    *out = Parse(bytes);
    return true;
}

// Writes the rows left into a new file and renames it over the journal (or removes the
// journal when none is left); damaged lines go to <file>.damaged first.
bool Compact(const QString &path, const Journal &j, QString *error) {
    if (!j.damaged.isEmpty()) {
        const QString damagedPath = path + QStringLiteral(".damaged");
        LockedJournal damaged(damagedPath, true);
        QByteArray lines;
        for (const QByteArray &line : j.damaged)
            lines += line + '\n';
        if (!damaged.IsOpen() || !damaged.Append(lines, error)) return false;
        qCWarning(lcRecords) << j.damaged.size() << "damaged lines moved to" << damagedPath;
    }
    const QByteArray name = QFile::encodeName(path);
    if (j.rows.isEmpty()) {
        if (::unlink(name.constData()) != 0 || !SyncFolder(path)) {
            *error = SystemError(QStringLiteral("Не удалён файл"), path);
            return false;
        }
        return true;
    }
    QByteArray bytes;
    for (const UnsentRow &r : j.rows) {
        bytes += KeepLine(r);
        if (!r.refusal.isEmpty())
            bytes += Line({{"op", "refused"},
                           {"key", r.key},
                           {"reason", r.refusal},
                           {"at", r.refusedAt.toString(Qt::ISODateWithMs)}});
    }
    // Only the holder of the journal's lock compacts, so one fixed name serves.
    const QByteArray fresh = name + ".compact";
    const int fd = ::open(fresh.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool written = fd >= 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!written || ::rename(fresh.constData(), name.constData()) != 0 || !SyncFolder(path)) {
        *error = SystemError(QStringLiteral("Не переписан файл"), path);
        ::unlink(fresh.constData());
        return false;
    }
    return true;
}

// Held while one program replays, so two never send the same rows side by side.
class ReplayLock {
public:
    explicit ReplayLock(const QString &path) {
        fd_ = ::open(QFile::encodeName(path + QStringLiteral(".lock")).constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~ReplayLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

} // namespace

QString UserDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Veltaron/Ormix");
}

UnsentRows::UnsentRows(QString path) : path_(std::move(path)) {}

QString UnsentRows::DefaultPath(const QString &fileName) {
    return UserDataFolder() + u'/' + fileName;
}

bool UnsentRows::Keep(const QString &key, const QJsonObject &row, QString *error) {
    if (!QDir().mkpath(QFileInfo(path_).absolutePath())) {
        *error = SystemError(QStringLiteral("Не создана папка для"), path_);
        return false;
    }
    LockedJournal file(path_, true);
    if (!file.IsOpen()) {
        *error = SystemError(QStringLiteral("Не открыт файл"), path_);
        return false;
    }
    UnsentRow r;
    r.key = key;
    r.keptAt = QDateTime::currentDateTime();
    r.row = row;
    if (!file.Append(KeepLine(r), error)) return false;
    qCDebug(lcRecords) << "kept unsent row" << key << "in" << path_;
    return true;
}

UnsentRows::Counts UnsentRows::Count(QString *error) const {
    Counts c;
    QString ignored;
    const QList<UnsentRow> rows = Rows(error ? error : &ignored);
    for (const UnsentRow &r : rows)
        (r.refusal.isEmpty() ? c.waiting : c.refused) += 1;
    return c;
}

QList<UnsentRow> UnsentRows::Rows(QString *error) const {
    if (!QFileInfo::exists(path_)) return {};
    LockedJournal file(path_, false);
    Journal j;
    if (!file.IsOpen()) {
        if (errno != ENOENT) *error = SystemError(QStringLiteral("Не открыт файл"), path_);
        return {};
    }
    if (!Load(file, path_, &j, error)) return {};
    return j.rows;
}

ReplayReport UnsentRows::Replay(const std::function<Delivery(const UnsentRow &)> &send) {
    ReplayReport report;
    if (!QFileInfo::exists(path_)) return report;
    const ReplayLock replaying(path_);
    if (!replaying.Held()) {
        report.stopped = true;
        report.error = QStringLiteral("Неотправленные строки уже отправляет другая программа");
        return report;
    }
    QList<UnsentRow> waiting;
    for (const UnsentRow &r : Rows(&report.error))
        if (r.refusal.isEmpty()) waiting.append(r);
    if (!report.error.isEmpty()) {
        report.stopped = true;
        return report;
    }

    for (qsizetype i = 0; i < waiting.size(); ++i) {
        const Delivery d = send(waiting[i]);
        if (d.outcome == Delivery::ServerAway) {
            report.stopped = report.receiverAway = true;
            report.error = d.reason;
            break;
        }
        // The note is appended under the lock: Keep may be adding rows meanwhile.
        LockedJournal file(path_, false);
        const QByteArray note = d.outcome == Delivery::Sent
                                    ? NoteLine("sent", waiting[i].key)
                                    : NoteLine("refused", waiting[i].key, d.reason);
        if (!file.IsOpen() || !file.Append(note, &report.error)) {
            if (report.error.isEmpty())
                report.error = SystemError(QStringLiteral("Не открыт файл"), path_);
            report.stopped = true;
            break;
        }
        if (d.outcome == Delivery::Sent) {
            ++report.sent;
        } else {
            waiting[i].refusal = d.reason;
            report.refused.append(waiting[i]);
            qCWarning(lcRecords) << "unsent row" << waiting[i].key << "refused:" << d.reason;
        }
    }

    LockedJournal file(path_, false);
    Journal j;
    if (file.IsOpen() && Load(file, path_, &j, &report.error)) {
        report.waiting = j.Waiting();
        QString error;
        if ((j.sentEntries > 0 || !j.damaged.isEmpty()) && !Compact(path_, j, &error))
            qCWarning(lcRecords) << error; // the journal itself is still whole
    }
    return report;
}

bool UnsentRows::RequeueRefused(QString *error) {
    if (!QFileInfo::exists(path_)) return true;
    LockedJournal file(path_, false);
    Journal j;
    if (!file.IsOpen()) {
        *error = SystemError(QStringLiteral("Не открыт файл"), path_);
        return false;
    }
    if (!Load(file, path_, &j, error)) return false;
    QByteArray notes;
    for (const UnsentRow &r : j.rows)
        if (!r.refusal.isEmpty()) notes += NoteLine("requeued", r.key);
    return notes.isEmpty() || file.Append(notes, error);
}

} // namespace ormix::records
