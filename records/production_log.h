#pragma once
// The production log of SQL mode: identification of the workstation, the checks and the
// operation of each completed write, "Зафиксировать в БД", "+", the drift and the
// start-up pre-fill, over one connection. An operation that cannot reach the server is
// kept in the file of unsent rows and sent, oldest first and once, at the next
// identification, write or fix. Everything runs on the thread that owns the connection.
#include "records/answer.h"
#include "records/log_prefill.h"
#include "records/production_record.h"
#include "records/server_clock.h"
#include "records/sql_connection.h"
#include "records/unsent_rows.h"

#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

namespace ormix::records {

// Titles of the boxes the window shows.
inline const char *const kTitleStopped = "Приложение остановлено";
inline const char *const kTitleLogRefused = "Ошибка записи в БД";
inline const char *const kTitleDbError = "Ошибка БД";

struct Identification {
    enum class Result {
        Identified,
        ComputerMissing, // the three endings: show the box, then end the program
        PersonMissing,
        PlantMissing,
        EngineFailed, // reported; the program goes on with the identifiers it had
    };
    Result result = Result::EngineFailed;
    QString title, text; // the box, when not Identified
    bool EndsProgram() const {
        return result != Result::Identified && result != Result::EngineFailed;
    }
    ClockSync clock;            // SyncClockWithServer after a complete identification
    ReplayReport replay;        // the kept operations sent afterwards
    QStringList replayMessages; // one per kept operation the server refused
};

struct LogOutcome {
    enum class Result {
        Logged,       // operationId is the new operation
        NotDescribed, // the three refusals: nothing logged
        InRepair,
        DuplicateNumber,
        Failed,  // the database refused the operation; rolled back, nothing logged
        Kept,    // the server is away: kept in the file of unsent rows
        NotKept, // the server is away and the file could not take it either
    };
    Result result = Result::Failed;
    int operationId = 0;
    QString title, text; // the box, whenever the result is not Logged
    ReplayReport replay; // kept operations sent first
    QStringList replayMessages;
};

class ProductionLog {
public:
    ProductionLog(ProductionConnection &connection, UnsentRows &unsent, ServerClock &clock);

    // FormActivate: the computer (first 16 characters of its name), the operator (a login
    // longer than 16 characters counts as none) and the programming installation; then
    // the clock from the server, then the kept operations.
    Identification Identify(const QString &computerName, const QString &loginName);
    const Workstation &Identity() const { return who_; }

    // The end of a write sequence (settings or schedule).
    LogOutcome LogProductionRecord(const meter::MeterShown &meter,
                                   const meter::WriteChoices &choices);
    // "Зафиксировать в БД": an operation without settings, no repair or duplicate check.
    LogOutcome FixInDatabase(const meter::MeterShown &meter, const QDateTime &at);

    // "+": the lowest described number of the model without a programming operation;
    // nullopt when every described number has one.
    Answer<std::optional<qint64>> NextFactoryNumber(int typeId);
    // The last time a logged operation set the meter's clock (nullopt: never).
    Answer<std::optional<QDateTime>> QueryDelta(qint64 number, int typeId);
    Answer<LogPrefill> Prefill();
    // QueryCheckNumber: the meter's electro_id, nullopt when not described.
    Answer<std::optional<int>> CheckNumber(qint64 number, int typeId);

    // Sends the kept operations now.
    ReplayReport SendUnsent(QStringList *refusalMessages);
    UnsentRows::Counts UnsentCount() const { return unsent_.Count(); }

    ServerClock &Clock() { return clock_; }
    const ServerClock &Clock() const { return clock_; }
    ProductionConnection &Connection() { return connection_; }

private:
    struct Sending;
    using Param = std::pair<const char *, QVariant>;
    template <typename T, typename Read>
    Answer<T> Ask(const QString &text, const QList<Param> &params, Read read);
    LogOutcome Submit(const OperationRecord &record);
    Sending Send(const OperationRecord &record, bool kept);
    Sending TrySend(const OperationRecord &record, bool kept);
    Delivery SendKept(const UnsentRow &row);
    bool Ready(QString *error);

    ProductionConnection &connection_;
    UnsentRows &unsent_;
    ServerClock &clock_;
    Workstation who_;
};

// The file of unsent operations: unsent-operations.jsonl in the user's data folder.
QString DefaultUnsentOperationsPath();

// The box of a kept operation the server refused when it was sent.
QString KeptRefusalMessage(const UnsentRow &row, const QString &file);

} // namespace ormix::records
