#include "records/production_log.h"

#include "records/production_queries.h"
#include "records/records_log.h"
#include "records/sql_statement.h"

#include <QDir>
#include <QSqlError>

namespace ormix::records {
namespace {

constexpr int kProgrammingOperation = 3; // operation.type_id of a programming operation

const char *const kNotDescribed = "Номер прибора не описан в БД. Установите его.";
const char *const kInRepair = "Прибор в ремонте.";
const char *const kDuplicate =
    "Счетчик с таким номером уже существует. Обратитесь к главному конструктору прибора.";

QString Text(const char *s) {
    return QString::fromUtf8(s);
}

// A NULL read as a string is an empty string, as the engine interface has it.
QString TextOf(const QVariant &v) {
    return v.isNull() ? QString() : v.toString();
}

} // namespace

// What became of one attempt to send an operation.
struct ProductionLog::Sending {
    enum class Kind {
        Done,
        NotDescribed,
        InRepair,
        DuplicateNumber,
        Unidentified, // a kept operation whose workstation is no longer described
        Failed,
        ServerAway,
    };
    Kind kind = Kind::Failed;
    int operationId = 0;
    QString error;
};

ProductionLog::ProductionLog(ProductionConnection &connection, UnsentRows &unsent,
                             ServerClock &clock)
    : connection_(connection), unsent_(unsent), clock_(clock) {}

// Open, and still answering: a connection the server dropped while we were idle (it was
// restarted, the network was down) is opened anew before it is used.
bool ProductionLog::Ready(QString *error) {
    const QSqlDatabase db = connection_.Database();
    if (db.isValid() && db.isOpen() && !connection_.Answers()) connection_.Reset();
    return connection_.Open(error);
}

namespace {

// The first column of a look-up's first row as an integer, 0 when there is no row;
// nullopt when the query failed.
std::optional<int> LookUp(ProductionConnection &c, const QString &text, const char *param,
                          const QVariant &value, const char *column, QString *error) {
    SqlStatement q(c, text);
    if (!q.Bind(param, value).Exec(error)) return std::nullopt;
    return q.Next() ? q.Value(QString::fromLatin1(column)).toInt() : 0;
}

// A query failed: was it the statement, or has the server gone? A gone one is closed so
// that the next use connects anew.
bool ServerGone(ProductionConnection &c) {
    if (c.StillAnswers()) return false;
    c.Reset();
    return true;
}

} // namespace

Identification ProductionLog::Identify(const QString &computerName, const QString &loginName) {
    using R = Identification::Result;
    Identification id;
    const QString name = computerName.left(16);
    const QString login = loginName.size() > 16 ? QString() : loginName;
    QString error;
    auto engineFailed = [&](bool lookedUp) {
        if (lookedUp) ServerGone(connection_);
        id.result = R::EngineFailed;
        id.title = Text(kTitleDbError);
        id.text = error;
        return id;
    };
    auto missing = [&](R result, const QString &text) {
        id.result = result;
        id.title = Text(kTitleStopped);
        id.text = text;
        return id;
    };
    // Known even when the server is away, so that operations kept meanwhile can be
    // identified when they are sent.
    who_.computerName = name;
    who_.loginName = login;
    if (!Ready(&error)) return engineFailed(false);

    const auto computer =
        LookUp(connection_, queries::QueryComputer(), "name", name, "computer_id", &error);
    if (!computer) return engineFailed(true);
    who_.computerId = *computer;
    if (*computer == 0)
        return missing(R::ComputerMissing,
                       QStringLiteral("Компьютер \"%1\" не описан в БД.").arg(name));

    const auto person =
        LookUp(connection_, queries::QueryPerson(), "login", login, "person_id", &error);
    if (!person) return engineFailed(true);
    who_.personId = *person;
    if (*person == 0)
        return missing(R::PersonMissing,
                       QStringLiteral("Пользователь \"%1\" не описан в БД.").arg(login));

    const auto plant =
        LookUp(connection_, queries::QueryPlant(), "computer_id", *computer, "plant_id", &error);
    if (!plant) return engineFailed(true);
    who_.plantId = *plant;
    if (*plant == 0) return missing(R::PlantMissing, QStringLiteral("Установка не описана в БД."));

    id.result = R::Identified;
    id.clock = clock_.Sync(connection_);
    if (!id.clock.ok) {
        id.title = Text(kTitleDbError);
        id.text = id.clock.error;
    }
    id.replay = SendUnsent(&id.replayMessages);
    return id;
}

LogOutcome ProductionLog::LogProductionRecord(const meter::MeterShown &meter,
                                              const meter::WriteChoices &choices) {
    return Submit(MakeOperationRecord(meter, choices, true, who_));
}

LogOutcome ProductionLog::FixInDatabase(const meter::MeterShown &meter, const QDateTime &at) {
    meter::WriteChoices choices;
    choices.writtenAt = at;
    return Submit(MakeOperationRecord(meter, choices, false, who_));
}

LogOutcome ProductionLog::Submit(const OperationRecord &record) {
    using K = Sending::Kind;
    using R = LogOutcome::Result;
    LogOutcome out;
    // Kept operations go first; while the server is away this one waits behind them.
    out.replay = SendUnsent(&out.replayMessages);
    const Sending s =
        out.replay.receiverAway ? Sending{K::ServerAway, 0, out.replay.error} : Send(record, false);
    out.operationId = s.operationId;
    out.title = Text(kTitleLogRefused);
    switch (s.kind) {
    case K::Done:
        out.result = R::Logged;
        out.title.clear();
        return out;
    case K::NotDescribed:
        out.result = R::NotDescribed;
        out.text = Text(kNotDescribed);
        return out;
    case K::InRepair:
        out.result = R::InRepair;
        out.text = Text(kInRepair);
        return out;
    case K::DuplicateNumber:
        out.result = R::DuplicateNumber;
        out.text = Text(kDuplicate);
        return out;
    case K::Unidentified:
    case K::Failed:
        out.result = R::Failed;
        out.title = Text(kTitleDbError);
        out.text = QStringLiteral("Ошибка записи в БД: ") + s.error;
        return out;
    case K::ServerAway:
        break;
    }
    out.title = Text(kTitleDbError);
    QString keepError;
    if (!unsent_.Keep(record.clientKey, record.ToJson(), &keepError)) {
        out.result = R::NotKept;
        out.text =
            QStringLiteral("Нет связи с БД: %1\nОперация НЕ сохранена: %2").arg(s.error, keepError);
        return out;
    }
    out.result = R::Kept;
    out.text = QStringLiteral("Нет связи с БД: %1\nОперация сохранена на этом компьютере и будет "
                              "записана в БД, когда связь восстановится. Ожидают записи: %2.")
                   .arg(s.error)
                   .arg(unsent_.Count().waiting);
    return out;
}

ProductionLog::Sending ProductionLog::Send(const OperationRecord &r, bool kept) {
    using K = Sending::Kind;
    Sending s;
    auto failed = [&](K kind = K::Failed) {
        s.kind = ServerGone(connection_) ? K::ServerAway : kind;
        return s;
    };
    if (!Ready(&s.error)) {
        s.kind = K::ServerAway;
        return s;
    }

    // Sent before? A crash, or a lost answer to the commit, can offer it once more.
    SqlStatement find(connection_, queries::QueryFindKey());
    if (!find.Bind("client_key", r.clientKey).Exec(&s.error)) return failed();
    if (const QVariant known = find.Scalar(); !known.isNull()) {
        s.kind = K::Done;
        s.operationId = known.toInt();
        return s;
    }

    // A kept operation of a time without identification is identified by the names.
    Workstation w = r.workstation;
    if (w.computerId == 0 || w.personId == 0 || w.plantId == 0) {
        const auto c = LookUp(connection_, queries::QueryComputer(), "name", w.computerName,
                              "computer_id", &s.error);
        const auto p = c ? LookUp(connection_, queries::QueryPerson(), "login", w.loginName,
                                  "person_id", &s.error)
                         : std::nullopt;
        const auto i =
            p ? LookUp(connection_, queries::QueryPlant(), "computer_id", *c, "plant_id", &s.error)
              : std::nullopt;
        if (!i) return failed();
        if (*c == 0 || *p == 0 || *i == 0) {
            s.kind = K::Unidentified;
            s.error = QStringLiteral("компьютер \"%1\", пользователь \"%2\" или установка не "
                                     "описаны в БД")
                          .arg(w.computerName, w.loginName);
            return s;
        }
        w.computerId = *c;
        w.personId = *p;
        w.plantId = *i;
    }

    SqlStatement check(connection_, queries::QueryCheckNumber());
    if (!check.Bind("number", r.number).Bind("type_id", r.typeId).Exec(&s.error)) return failed();
    if (!check.Next()) {
        s.kind = K::NotDescribed;
        return s;
    }
    const int electroId = check.Value(QStringLiteral("electro_id")).toInt();

    if (r.withSettings) {
        SqlStatement repair(connection_, queries::QuerySpoilage());
        if (!repair.Bind("electro_id", electroId).Exec(&s.error)) return failed();
        if (repair.Scalar().toInt() != 0) {
            s.kind = K::InRepair;
            return s;
        }
        if (r.numberFieldEnabled) {
            SqlStatement twice(connection_, queries::QueryDoubleNumber());
            if (!twice.Bind("number", r.number).Bind("type_id", r.typeId).Exec(&s.error))
                return failed();
            if (twice.Scalar().toInt() != 0) {
                s.kind = K::DuplicateNumber;
                return s;
            }
        }
    }

    QSqlDatabase db = connection_.Database();
    if (!db.transaction()) {
        s.error = db.lastError().text().trimmed();
        return failed();
    }
    // The new key is the one this insert produced, whoever else inserts meanwhile.
    SqlStatement operation(
        connection_, WithReturnedKey(kept ? queries::QueryOperationAt() : queries::QueryOperation(),
                                     u"operation_id", connection_.Dialect()));
    operation.Bind("type_id", kProgrammingOperation)
        .Bind("electro_id", electroId)
        .Bind("plant_id", w.plantId)
        .Bind("person_id", w.personId)
        .Bind("success", r.success);
    // Sent late, it keeps the moment it was done, which the defect dialog's "today" needs.
    if (kept) operation.Bind("date_operation", r.writtenAt);
    if (!operation.Exec(&s.error)) return failed();
    s.operationId = operation.Scalar().toInt();
    if (s.operationId == 0) {
        s.error = QStringLiteral("сервер не вернул ключ новой операции");
        return failed();
    }

    SqlStatement ins(connection_, queries::QueryIns());
    ins.Bind("operation_id", s.operationId)
        .Bind("version", r.version)
        .Bind("turn_on", r.turnOn)
        .Bind("status", r.status)
        .Bind("reset", r.reset)
        .Bind("date_time", r.dateTime)
        .Bind("summer", r.summer)
        .Bind("correct", r.correct)
        .Bind("pass", r.pass)
        .Bind("t_1_1", r.billing[0])
        .Bind("t_1_c", r.current[0])
        .Bind("t_2_1", r.billing[1])
        .Bind("t_2_c", r.current[1])
        .Bind("t_3_1", r.billing[2])
        .Bind("t_3_c", r.current[2])
        .Bind("ncorrect", r.ncorrect)
        .Bind("indicator", r.indicator)
        .Bind("vdm", r.vdm)
        .Bind("secperday", r.secperday)
        .Bind("account_d", r.accountD)
        .Bind("account_h", r.accountH);
    if (!ins.Exec(&s.error)) return failed();

    SqlStatement key(connection_, queries::QueryInsertKey());
    if (!key.Bind("client_key", r.clientKey).Bind("operation_id", s.operationId).Exec(&s.error))
        return failed();
    if (!db.commit()) {
        s.error = db.lastError().text().trimmed();
        return failed();
    }
    s.kind = K::Done;
    qCDebug(lcRecords) << "operation" << s.operationId << "for meter" << r.number;
    return s;
}

Delivery ProductionLog::SendKept(const UnsentRow &row) {
    using K = Sending::Kind;
    const auto record = OperationRecord::FromJson(row.row);
    if (!record) return {Delivery::Refused, QStringLiteral("строка файла не разобрана")};
    const Sending s = Send(*record, true);
    switch (s.kind) {
    case K::Done:
        return {Delivery::Sent, {}};
    case K::ServerAway:
        return {Delivery::ServerAway, s.error};
    case K::NotDescribed:
        return {Delivery::Refused, Text(kNotDescribed)};
    case K::InRepair:
        return {Delivery::Refused, Text(kInRepair)};
    case K::DuplicateNumber:
        return {Delivery::Refused, Text(kDuplicate)};
    case K::Unidentified:
    case K::Failed:
        break;
    }
    return {Delivery::Refused, QStringLiteral("Ошибка записи в БД: ") + s.error};
}

ReplayReport ProductionLog::SendUnsent(QStringList *refusalMessages) {
    ReplayReport r = unsent_.Replay([this](const UnsentRow &row) { return SendKept(row); });
    for (const UnsentRow &row : r.refused)
        refusalMessages->append(KeptRefusalMessage(row, unsent_.Path()));
    return r;
}

QString DefaultUnsentOperationsPath() {
    return UnsentRows::DefaultPath(QStringLiteral("unsent-operations.jsonl"));
}

QString KeptRefusalMessage(const UnsentRow &row, const QString &file) {
    const auto record = OperationRecord::FromJson(row.row);
    const QString meter = record ? QString::number(record->number) : QStringLiteral("?");
    const QDateTime at = record ? record->writtenAt : row.keptAt;
    return QStringLiteral("Операция счетчика № %1 от %2, сохранённая без связи с БД, не принята "
                          "БД: %3\nОна оставлена в файле %4.")
        .arg(meter, at.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")), row.refusal,
             QDir::toNativeSeparators(file));
}

// One read-only query: `read` takes the answer from the statement once it has run.
template <typename T, typename Read>
Answer<T> ProductionLog::Ask(const QString &text, const QList<Param> &params, Read read) {
    Answer<T> a;
    if (!Ready(&a.error)) return a;
    SqlStatement q(connection_, text);
    for (const auto &[name, value] : params)
        q.Bind(name, value);
    if (!q.Exec(&a.error)) {
        ServerGone(connection_);
        return a;
    }
    a.value = read(q);
    return a;
}

Answer<std::optional<qint64>> ProductionLog::NextFactoryNumber(int typeId) {
    return Ask<std::optional<qint64>>(queries::QueryMaxSql(), {{"type_id", typeId}},
                                      [](SqlStatement &q) -> std::optional<qint64> {
                                          const QVariant v = q.Scalar();
                                          if (v.isNull()) return std::nullopt;
                                          return v.toLongLong();
                                      });
}

Answer<std::optional<QDateTime>> ProductionLog::QueryDelta(qint64 number, int typeId) {
    return Ask<std::optional<QDateTime>>(queries::QueryDelta(),
                                         {{"number", number}, {"type_id", typeId}},
                                         [](SqlStatement &q) -> std::optional<QDateTime> {
                                             const QDateTime d = q.Scalar().toDateTime();
                                             if (!d.isValid()) return std::nullopt;
                                             return d;
                                         });
}

Answer<std::optional<int>> ProductionLog::CheckNumber(qint64 number, int typeId) {
    return Ask<std::optional<int>>(queries::QueryCheckNumber(),
                                   {{"number", number}, {"type_id", typeId}},
                                   [](SqlStatement &q) -> std::optional<int> {
                                       if (!q.Next()) return std::nullopt;
                                       return q.Value(QStringLiteral("electro_id")).toInt();
                                   });
}

Answer<LogPrefill> ProductionLog::Prefill() {
    Answer<LogPrefill> a;
    if (!Ready(&a.error)) return a;
    // The row of the newest operation that `latest` finds (none: false, no error).
    auto newest = [&](const QString &latest, auto &&use) {
        SqlStatement max(connection_, latest);
        if (!max.Exec(&a.error)) return false;
        const int id = max.Scalar().toInt();
        if (id == 0) return true;
        SqlStatement op(connection_, queries::QueryOp());
        if (!op.Bind("operation_id", id).Exec(&a.error)) return false;
        if (op.Next()) use(op);
        return true;
    };
    const bool answered =
        newest(queries::QueryMaxTarif(),
               [&](SqlStatement &op) {
                   a.value.oneTariff = false;
                   for (int i = 0; i < 6; ++i) {
                       a.value.zones[i] = TextOf(op.Value(QStringLiteral("zone_%1").arg(i)));
                       a.value.zoneStarts[i] =
                           op.Value(QStringLiteral("time_%1").arg(i)).toDateTime().time();
                   }
               }) &&
        newest(queries::QueryMaxIndi(), [&](SqlStatement &op) {
            if (const QVariant v = op.Value(QStringLiteral("indicator")); !v.isNull())
                a.value.indicator = v.toInt();
        });
    if (!answered) ServerGone(connection_);
    return a;
}

} // namespace ormix::records
