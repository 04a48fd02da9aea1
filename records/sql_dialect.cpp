#include "records/sql_dialect.h"

#include <QRegularExpression>
#include <QStringList>

namespace ormix::records {
namespace {

// SQL Server's getdate() is the server's local date and time. SQLite keeps date-times
// as ISO texts; the 'T' matches what Qt binds, so stored values compare as texts.
QString Now(SqlDialect dialect) {
    if (dialect == SqlDialect::PostgreSql) return QStringLiteral("LOCALTIMESTAMP");
    return QStringLiteral("strftime('%Y-%m-%dT%H:%M:%f','now','localtime')");
}

// The arguments of a call whose opening parenthesis is at `open`, split at the commas of
// its own level; `end` receives the position after the closing parenthesis.
QStringList CallArguments(const QString &text, qsizetype open, qsizetype *end) {
    QStringList args;
    int depth = 0;
    qsizetype start = open + 1;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            if (--depth == 0) {
                args.append(text.mid(start, i - start).trimmed());
                *end = i + 1;
                return args;
            }
        } else if (c == u',' && depth == 1) {
            args.append(text.mid(start, i - start).trimmed());
            start = i + 1;
        }
    }
    *end = -1; // unbalanced: left as it is
    return {};
}

// DATEDIFF(DAY, a, b): whole calendar days from a to b.
QString DayDifference(const QString &text, SqlDialect dialect) {
    static const QRegularExpression call(QStringLiteral("\\bDATEDIFF\\s*\\("),
                                         QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype from = 0;
    for (auto m = call.match(text, from); m.hasMatch(); m = call.match(text, from)) {
        qsizetype end = -1;
        const QStringList args = CallArguments(text, m.capturedEnd() - 1, &end);
        if (end < 0 || args.size() != 3 || args[0].compare(u"DAY", Qt::CaseInsensitive) != 0) {
            out += text.mid(from, m.capturedEnd() - from);
            from = m.capturedEnd();
            continue;
        }
        const QString a = DayDifference(args[1], dialect);
        const QString b = DayDifference(args[2], dialect);
        out += text.mid(from, m.capturedStart() - from);
        if (dialect == SqlDialect::PostgreSql)
            out += QStringLiteral("(CAST(%2 AS date) - CAST(%1 AS date))").arg(a, b);
        else
            out += QStringLiteral("(julianday(date(%2)) - julianday(date(%1)))").arg(a, b);
        from = end;
    }
    return out + text.mid(from);
}

// x NOT IN (SELECT y FROM t WHERE c) as NOT EXISTS (SELECT 1 FROM t WHERE c AND t.y = x).
// PostgreSQL cannot make NOT IN an anti-join (a NULL in the list would change the
// answer), and with a list larger than its work memory it compares every meter with every
// operation: minutes on a year's production. The key columns are never NULL, so both say
// the same; SQL Server knows that from the schema by itself.
QString NotInAsNotExists(const QString &text) {
    static const QRegularExpression notIn(QStringLiteral("\\bNOT\\s+(\\w+)\\s+IN\\s*\\("),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression sub(
        QStringLiteral("^\\s*SELECT\\s+(\\w+)\\s+FROM\\s+(\\w+)\\s+WHERE\\s+(.*)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression from(QStringLiteral("\\bFROM\\s+(\\w+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype at = 0;
    for (auto m = notIn.match(text, at); m.hasMatch(); m = notIn.match(text, at)) {
        qsizetype end = -1;
        const QStringList args = CallArguments(text, m.capturedEnd() - 1, &end);
        const auto inner = args.size() == 1 ? sub.match(args[0]) : QRegularExpressionMatch();
        QRegularExpressionMatch outer;
        for (auto it = from.globalMatch(text.left(m.capturedStart())); it.hasNext();)
            outer = it.next();
        if (end < 0 || !inner.hasMatch() || !outer.hasMatch()) {
            out += text.mid(at, m.capturedEnd() - at);
            at = m.capturedEnd();
            continue;
        }
        out += text.mid(at, m.capturedStart() - at);
        out += QStringLiteral("NOT EXISTS (SELECT 1 FROM %1 WHERE %2 AND %1.%3 = %4.%5)")
                   .arg(inner.captured(2), inner.captured(3).trimmed(), inner.captured(1),
                        outer.captured(1), m.captured(1));
        at = end;
    }
    return out + text.mid(at);
}

// PostgreSQL has a real boolean type and refuses 0 and 1 for it.
QString BooleanComparisons(QString text) {
    static const QRegularExpression compare(QStringLiteral("\\b(\\w+)(\\s*=\\s*)([01])\\b"));
    QString out;
    qsizetype from = 0;
    for (auto it = compare.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        if (!IsBooleanColumn(m.captured(1))) continue;
        out += text.mid(from, m.capturedStart(3) - from);
        out += m.captured(3) == u"1" ? QStringLiteral("true") : QStringLiteral("false");
        from = m.capturedEnd(3);
    }
    return out + text.mid(from);
}

QString BooleanInsertValues(const QString &text) {
    static const QRegularExpression insert(
        QStringLiteral("\\bINSERT\\s+INTO\\s+\\w+\\s*\\(([^)]*)\\)\\s*VALUES\\s*\\("),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = insert.match(text);
    if (!m.hasMatch()) return text;
    const QStringList columns = m.captured(1).split(u',');
    qsizetype end = -1;
    const qsizetype open = m.capturedEnd() - 1;
    const QStringList values = CallArguments(text, open, &end);
    if (end < 0 || values.size() != columns.size()) return text;
    QStringList carried;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const bool literal = values[i] == u"0" || values[i] == u"1";
        if (literal && IsBooleanColumn(columns[i].trimmed()))
            carried.append(values[i] == u"1" ? QStringLiteral("true") : QStringLiteral("false"));
        else
            carried.append(values[i]);
    }
    return text.left(open + 1) + carried.join(u',') + u')' + text.mid(end);
}

} // namespace

bool IsBooleanColumn(QStringView column) {
    for (const char *name : {"success", "reset", "summer"})
        if (column.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString ToDialect(const QString &text, SqlDialect dialect) {
    if (dialect == SqlDialect::SqlServer) return text;
    QString out = DayDifference(text, dialect);
    static const QRegularExpression now(QStringLiteral("\\bgetdate\\s*\\(\\s*\\)"),
                                        QRegularExpression::CaseInsensitiveOption);
    out.replace(now, Now(dialect));
    out = NotInAsNotExists(out);
    static const QRegularExpression notNull(QStringLiteral("\\bNOT\\s+([\\w.]+)\\s+IS\\s+NULL\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    out.replace(notNull, QStringLiteral("\\1 IS NOT NULL"));
    if (dialect == SqlDialect::PostgreSql) out = BooleanInsertValues(BooleanComparisons(out));
    return out;
}

QString WithReturnedKey(const QString &insert, QStringView keyColumn, SqlDialect dialect) {
    if (dialect != SqlDialect::SqlServer)
        return insert + QStringLiteral("\nRETURNING ") + keyColumn.toString();
    // OUTPUT goes between the column list and VALUES.
    static const QRegularExpression values(QStringLiteral("\\bVALUES\\s*\\("),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto m = values.match(insert);
    if (!m.hasMatch()) return insert;
    return insert.left(m.capturedStart()) + QStringLiteral("OUTPUT INSERTED.") +
           keyColumn.toString() + u'\n' + insert.mid(m.capturedStart());
}

} // namespace ormix::records
