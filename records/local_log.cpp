#include "records/local_log.h"

namespace ormix::records {

LocalLog::LocalLog(QString tablePath) : table_(std::move(tablePath)) {}

// A row that cannot be appended (the table locked, its disk full) is reported and lost;
// the file of unsent rows (unsent_rows.h) is not used by this log yet.
LogReport LocalLog::LogCompletedWrite(const meter::MeterShown &meter,
                                      const meter::WriteChoices &choices) {
    LogReport r;
    const Answer<bool> inserted = table_.QueryInsert(MakeLocalLogRow(meter, choices));
    if (inserted.ok()) {
        r.outcome = LogReport::Outcome::Logged;
        return r;
    }
    r.outcome = LogReport::Outcome::Failed;
    r.title = QStringLiteral("Ошибка БД");
    r.text = QStringLiteral("Ошибка записи в БД: ") + inserted.error;
    return r;
}

Answer<std::optional<qint64>> LocalLog::NextFactoryNumber(int) {
    // The table does not tell the models apart.
    const Answer<qint64> next = table_.NextFactoryNumber();
    return {next.value, next.error};
}

Answer<LogPrefill> LocalLog::Prefill() {
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
