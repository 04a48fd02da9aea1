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

Answer<int> RegisterDefect(ProductionConnection &c, const Workstation &who, int electroId,
                           const QString &typedCode) {
    Answer<int> a;
    const QString code = DefectCode(typedCode);
    if (code.isEmpty()) {
        a.error = QStringLiteral("Код брака не введён");
        return a;
    }
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

} // namespace ormix::records
