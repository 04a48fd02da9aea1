#include "records/local_log.h"

#include "records/setting_row_json.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

namespace ormix::records {

namespace {

using F = SettingField;

const QString kKeptNote = QStringLiteral(" Запись сохранена и будет добавлена в журнал позже.");

// The note written before a kept row is appended: which row, and how many records the
// table had. After a crash between the append and the note in the kept file it tells
// whether the row is already in the table, at exactly that record.
struct AppendingNote {
    QString key;
    qint64 countBefore = -1;
};

bool WriteNote(const QString &path, const AppendingNote &note) {
    const QByteArray text =
        QJsonDocument(QJsonObject{{QStringLiteral("key"), note.key},
                                  {QStringLiteral("count"), double(note.countBefore)}})
            .toJson(QJsonDocument::Compact);
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok =
        ::write(fd, text.constData(), size_t(text.size())) == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

AppendingNote ReadNote(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    return {o.value(QStringLiteral("key")).toString(),
            qint64(o.value(QStringLiteral("count")).toDouble(-1))};
}

qint64 RecordCount(const QString &path) {
    SettingTableReader reader;
    QString error;
    if (!QFileInfo::exists(path)) return 0;
    return reader.Open(path, &error) ? reader.File().RecordCount() : -1;
}

} // namespace

LocalLog::LocalLog(QString tablePath, int lockWaitMs)
    : table_(std::move(tablePath), lockWaitMs), kept_(KeptRowsPath(table_.Path())),
      appendingPath_(kept_.Path() + QStringLiteral(".appending")) {}

QString LocalLog::KeptRowsPath(const QString &tablePath) {
    const QFileInfo table(tablePath);
    return table.absoluteDir().filePath(table.completeBaseName() + QStringLiteral(".unsent"));
}

int LocalLog::KeptCount() const {
    if (!QFileInfo::exists(kept_.Path())) return 0;
    return kept_.Count().waiting;
}

bool LocalLog::ArrivedBefore(const UnsentRow &kept, const SettingRow &row) const {
    const AppendingNote note = ReadNote(appendingPath_);
    if (note.key != kept.key || note.countBefore < 0) return false;
    SettingTableReader reader;
    QString error;
    if (!reader.Open(table_.Path(), &error) || reader.File().RecordCount() <= note.countBefore)
        return false;
    QByteArray record;
    if (!reader.File().ReadRecords(note.countBefore, 1, &record, &error)) return false;
    for (const F f : {F::DateRec, F::TimeRec, F::CNumber, F::Version}) {
        const QVariant have = reader.Value(record.constData(), f);
        if (f == F::CNumber ? have.toDouble() != row[f].toDouble()
                            : have.toString().trimmed() != row[f].toString().trimmed())
            return false;
    }
    return true;
}

Delivery LocalLog::AppendOneKept(const UnsentRow &kept) {
    const std::optional<SettingRow> row = SettingRowFromJson(kept.row);
    if (!row) return {Delivery::Refused, QStringLiteral("строка файла не разобрана")};
    if (ArrivedBefore(kept, *row)) return {Delivery::Sent, {}};
    const qint64 before = RecordCount(table_.Path());
    if (before < 0 || !WriteNote(appendingPath_, {kept.key, before}))
        return {Delivery::ServerAway, QStringLiteral("таблица недоступна")};
    const InsertResult inserted = table_.QueryInsert(*row);
    // A row that may be in the table is not appended a second time.
    if (inserted.ok() || inserted.mayBeInTable) return {Delivery::Sent, {}};
    return {Delivery::ServerAway, inserted.error};
}

Answer<int> LocalLog::AppendKept() {
    if (KeptCount() == 0) return {0, {}};
    const ReplayReport report =
        kept_.Replay([this](const UnsentRow &kept) { return AppendOneKept(kept); });
    QFile::remove(appendingPath_);
    Answer<int> r{report.sent, {}};
    if (report.stopped) r.error = report.error;
    return r;
}

// A row that cannot be appended is kept unless it may be in the table already: a second
// copy would count the meter twice.
LogReport LocalLog::LogCompletedWrite(const meter::MeterShown &meter,
                                      const meter::WriteChoices &choices) {
    LogReport r;
    const SettingRow row = MakeLocalLogRow(meter, choices);
    // The older rows first, so the table stays in the order the meters were written.
    const Answer<int> earlier = AppendKept();
    const InsertResult inserted =
        earlier.ok() ? table_.QueryInsert(row) : InsertResult{{false, earlier.error}, false};
    if (inserted.ok()) {
        r.outcome = LogReport::Outcome::Logged;
        return r;
    }
    r.title = QStringLiteral("Ошибка БД");
    r.text = QStringLiteral("Ошибка записи в БД: ") + inserted.error;
    // A table in a folder that does not exist is a wrong path, not a table away for now.
    const bool folderThere = QFileInfo(kept_.Path()).absoluteDir().exists();
    QString keepError;
    if (!inserted.mayBeInTable && folderThere && kept_.Keep(QUuid::createUuid().toString(QUuid::WithoutBraces),
                                             SettingRowToJson(row), &keepError)) {
        r.outcome = LogReport::Outcome::Kept;
        r.text += QLatin1Char('.') + kKeptNote;
        return r;
    }
    r.outcome = LogReport::Outcome::Failed;
    if (!keepError.isEmpty()) r.text += QStringLiteral(". ") + keepError;
    return r;
}

Answer<std::optional<qint64>> LocalLog::NextFactoryNumber(int) {
    // The table does not tell the models apart.
    const Answer<qint64> next = table_.NextFactoryNumber();
    return {next.value, next.error};
}

// Start-up: rows kept by an earlier run go in first, so the pre-fill sees the newest.
Answer<LogPrefill> LocalLog::Prefill() {
    AppendKept();
    return table_.LastLoggedPrefill();
}

IdentityReport LocalLog::Identify(const QString &, const QString &) {
    return {};
}

Answer<bool> LocalLog::SyncClock() {
    return {true, {}};
}

Answer<std::optional<QDateTime>> LocalLog::LastClockSet(qint64, int) {
    return {};
}

// The action is offered only with the production database.
LogReport LocalLog::FixInDatabase(const meter::MeterShown &, const QDateTime &) {
    return {LogReport::Outcome::Refused, {}, {}, {}};
}

} // namespace ormix::records
