#include "records/defect_registration.h"

#include "records/production_queries.h"
#include "records/sql_statement.h"

#include <QSqlError>

namespace ormix::records {

QString DefectCode(const QString &typed) {
    qsizetype first = 0, last = typed.size();
    auto blank = [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; };
    while (first < last && blank(typed[first]))
        ++first;
    while (last > first && blank(typed[last - 1]))
        --last;
    return typed.mid(first, last - first);
}

QString DefectCodeRefusal(const QString &code) {
    if (code.isEmpty()) return QStringLiteral("Код брака не введён");
    if (code.size() > kDefectCodeMaxLength)
        return QStringLiteral("Код брака длиннее %1 знаков (в нём %2). Сократите его.")
            .arg(kDefectCodeMaxLength)
            .arg(code.size());
    return {};
}

Answer<int> RegisterDefect(ProductionConnection &c, const Workstation &who, int electroId,
                           const QString &typedCode) {
    Answer<int> a;
    const QString code = DefectCode(typedCode);
    a.error = DefectCodeRefusal(code);
    if (!a.ok()) return a;
    if (!c.Open(&a.error)) return a;
    QSqlDatabase db = c.Database();
    if (!db.transaction()) {
        a.error = db.lastError().text().trimmed();
        return a;
    }
    auto failed = [&] {
        if (!c.StillAnswers()) c.Reset();
        return a;
    };

    SqlStatement today(c, queries::defect::QuerySelect());
    if (!today.Bind("electro_id", electroId).Exec(&a.error)) return failed();
    a.value = today.Scalar().toInt();
    if (a.value != 0) {
        SqlStatement fail(c, queries::defect::QueryFail());
        if (!fail.Bind("operation_id", a.value).Exec(&a.error)) return failed();
    } else {
        // The failed operation's key from its own insert, not a second look at today's.
        SqlStatement insert(
            c, WithReturnedKey(queries::defect::QueryInsert(), u"operation_id", c.Dialect()));
        insert.Bind("electro_id", electroId)
            .Bind("plant_id", who.plantId)
            .Bind("person_id", who.personId);
        if (!insert.Exec(&a.error)) return failed();
        a.value = insert.Scalar().toInt();
    }
    SqlStatement spoilage(c, queries::defect::QuerySpoilage());
    spoilage.Bind("electro_id", electroId)
        .Bind("person_id", who.personId)
        .Bind("code", code)
        .Bind("operation_id", a.value);
    if (!spoilage.Exec(&a.error)) return failed();
    if (!db.commit()) {
        a.error = db.lastError().text().trimmed();
        return failed();
    }
    return a;
}

Answer<QList<UsedDefectCode>> UsedDefectCodes(ProductionConnection &c) {
    Answer<QList<UsedDefectCode>> a;
    if (!c.Open(&a.error)) return a;
    SqlStatement used(c, queries::defect::QueryUsedCodes());
    if (!used.Exec(&a.error)) {
        if (!c.StillAnswers()) c.Reset();
        return a;
    }
    while (used.Next())
        a.value.append({used.Value(0).toString(), used.Value(1).toInt()});
    return a;
}

} // namespace ormix::records
