#include "tools/ormix_cli/cli_db.h"

#include "platform/platform.h"
#include "records/production_log.h"
#include "records/sql_schema.h"
#include "records/sql_statement.h"
#include "tools/ormix_cli/cli_options.h"

#include <QSqlError>
#include <QSqlQuery>

namespace ormix::cli {

using records::LogReport;

CliProduction::CliProduction()
    : database_(records::ConnectionSettings::FromConfiguration()), log_(database_.Log()) {}

bool CliProduction::Identify(const Lines &error) {
    const platform::Platform &system = platform::CurrentPlatform();
    const records::IdentityReport id = log_.Identify(system.ComputerName(), system.LoginName());
    for (const QString &refusal : id.keptRefusals)
        error(refusal);
    if (log_.TakeClockNotice()) error(log_.ClockNotice());
    // An engine failure does not end the window; here nothing could be logged after it.
    if (!id.text.isEmpty()) error(id.text);
    return id.text.isEmpty();
}

bool CliProduction::SyncClock(const Lines &error) {
    const auto clock = log_.SyncClock();
    if (!clock.ok()) error(clock.error);
    return clock.ok();
}

LogReport CliProduction::Log(const meter::MeterShown &meter, const meter::WriteChoices &written) {
    return log_.LogCompletedWrite(meter, written);
}

LogReport CliProduction::Fix(const meter::MeterShown &meter) {
    return log_.FixInDatabase(meter, log_.Now());
}

bool TellLogReport(const LogReport &report, const Lines &error) {
    if (!report.text.isEmpty()) error(report.text);
    for (const QString &refusal : report.keptRefusals)
        error(refusal);
    return report.outcome == LogReport::Outcome::Logged ||
           report.outcome == LogReport::Outcome::Kept;
}

namespace {

struct DbArgs {
    QStringList words;       // the subcommand and its operands
    QString computer, login; // describe
    int type = 6;            // meters: the model's type_id
    QString error;
};

DbArgs ParseDbArgs(const QStringList &args) {
    DbArgs a;
    for (qsizetype i = 0; i < args.size() && a.error.isEmpty(); ++i) {
        const QString &arg = args[i];
        if (!arg.startsWith(QStringLiteral("--"))) {
            a.words << arg;
            continue;
        }
        if (i + 1 >= args.size()) {
            a.error = QStringLiteral("%1 needs a value").arg(arg);
            break;
        }
        const QString value = args[++i];
        if (arg == QStringLiteral("--computer")) {
            a.computer = value;
        } else if (arg == QStringLiteral("--login")) {
            a.login = value;
        } else if (arg == QStringLiteral("--type")) {
            bool ok = false;
            a.type = value.toInt(&ok);
            if (!ok || a.type < 1)
                a.error = QStringLiteral("--type must be a whole number above 0");
        } else {
            a.error = QStringLiteral("unknown option %1").arg(arg);
        }
    }
    return a;
}

// "100-120, 125" from numbers in ascending order.
QString Ranges(const QList<qint64> &numbers) {
    QStringList parts;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        parts << (i == j ? QString::number(numbers[i])
                         : QStringLiteral("%1-%2").arg(numbers[i]).arg(numbers[j]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

bool Show(records::ProductionConnection &c, const Lines &out, QString *error) {
    const auto rows = [&](const QString &sql, const std::function<void(QSqlQuery &)> &each) {
        QSqlQuery q(c.Database());
        if (!q.exec(sql)) {
            *error = q.lastError().text();
            return false;
        }
        while (q.next())
            each(q);
        return true;
    };
    out(QStringLiteral("База: %1").arg(c.Describe()));
    out(QStringLiteral("Компьютеры:"));
    if (!rows("SELECT computer_id, name FROM computer ORDER BY computer_id", [&](QSqlQuery &q) {
            out(QStringLiteral("  %1  %2").arg(q.value(0).toInt()).arg(q.value(1).toString()));
        }))
        return false;
    out(QStringLiteral("Операторы:"));
    if (!rows("SELECT person_id, login, operating FROM operator ORDER BY person_id",
              [&](QSqlQuery &q) {
                  out(QStringLiteral("  %1  %2%3")
                          .arg(q.value(0).toInt())
                          .arg(q.value(1).toString(), q.value(2).toInt() == 1
                                                          ? QString()
                                                          : QStringLiteral(" (не работает)")));
              }))
        return false;
    out(QStringLiteral("Установки:"));
    if (!rows("SELECT plant_id, type_id, computer_id FROM plant ORDER BY plant_id",
              [&](QSqlQuery &q) {
                  out(QStringLiteral("  %1  тип %2, компьютер %3")
                          .arg(q.value(0).toInt())
                          .arg(q.value(1).toInt())
                          .arg(q.value(2).toInt()));
              }))
        return false;
    out(QStringLiteral("Счетчики:"));
    QMap<int, QList<qint64>> meters;
    if (!rows("SELECT type_id, number FROM electrometer ORDER BY type_id, number",
              [&](QSqlQuery &q) { meters[q.value(0).toInt()] << q.value(1).toLongLong(); }))
        return false;
    for (auto it = meters.cbegin(); it != meters.cend(); ++it)
        out(QStringLiteral("  тип %1: %2 шт., номера %3")
                .arg(it.key())
                .arg(it.value().size())
                .arg(Ranges(it.value())));
    out(QStringLiteral("Операции:"));
    if (!rows("SELECT type_id, COUNT(*), SUM(CASE WHEN success THEN 1 ELSE 0 END) FROM operation "
              "GROUP BY type_id ORDER BY type_id",
              [&](QSqlQuery &q) {
                  out(QStringLiteral("  тип %1: %2, успешных %3")
                          .arg(q.value(0).toInt())
                          .arg(q.value(1).toInt())
                          .arg(q.value(2).toInt()));
              }))
        return false;
    const records::UnsentRows unsent(records::DefaultUnsentOperationsPath());
    const auto counts = unsent.Count();
    out(QStringLiteral("Ждут отправки в БД: %1 (%2), не приняты: %3")
            .arg(counts.waiting)
            .arg(unsent.Path())
            .arg(counts.refused));
    return true;
}

} // namespace

bool IsDbCommand(const QStringList &args) {
    return args.value(0) == QStringLiteral("db");
}

int RunDbCommand(const QStringList &args, const Lines &out, const Lines &error) {
    const DbArgs a = ParseDbArgs(args);
    const QString what = a.words.value(0);
    const auto usage = [&](const QString &why) {
        error(QStringLiteral("ormix-cli: ") + why);
        error(QStringLiteral("usage: ormix-cli db init | describe [--computer NAME] [--login "
                             "NAME] | meters FROM TO [--type N] | show"));
        return int(ExitUsage);
    };
    if (!a.error.isEmpty()) return usage(a.error);
    const qsizetype operands = what == QStringLiteral("meters") ? 3 : 1;
    if (what.isEmpty()) return usage(QStringLiteral("db needs init, describe, meters or show"));
    if (a.words.size() != operands) return usage(QStringLiteral("db %1: wrong operands").arg(what));

    records::ProductionConnection c(records::ConnectionSettings::FromConfiguration(),
                                    QStringLiteral("ormix-cli-db"));
    QString e;
    const auto failed = [&] {
        error(QStringLiteral("ormix-cli: ") + e);
        return int(ExitLog);
    };
    if (!c.Open(&e)) return failed();
    if (what == QStringLiteral("init")) {
        if (!records::CreateSchema(c, &e)) return failed();
        out(QStringLiteral("Схема создана: %1").arg(c.Describe()));
    } else if (what == QStringLiteral("describe")) {
        const platform::Platform &system = platform::CurrentPlatform();
        const QString computer = a.computer.isEmpty() ? system.ComputerName() : a.computer;
        const QString login = a.login.isEmpty() ? system.LoginName() : a.login;
        const auto d = records::DescribeWorkstation(c, computer, login, &e);
        if (!d) return failed();
        out(QStringLiteral("Компьютер \"%1\" (%2), оператор \"%3\" (%4), установка %5")
                .arg(computer.left(16))
                .arg(d->computerId)
                .arg(login)
                .arg(d->personId)
                .arg(d->plantId));
    } else if (what == QStringLiteral("meters")) {
        bool okFrom = false, okTo = false;
        const qint64 from = a.words[1].toLongLong(&okFrom), to = a.words[2].toLongLong(&okTo);
        if (!okFrom || !okTo || from < 1 || to < from || to > meter::kFactoryNumberMax)
            return usage(
                QStringLiteral("db meters FROM TO: numbers from 1 to %1, FROM not above TO")
                    .arg(meter::kFactoryNumberMax));
        const auto added = records::DescribeMeters(c, from, to, a.type, &e);
        if (!added) return failed();
        out(QStringLiteral("Описано счетчиков типа %1: %2 (номера %3-%4)")
                .arg(a.type)
                .arg(*added)
                .arg(from)
                .arg(to));
    } else if (what == QStringLiteral("show")) {
        if (!Show(c, out, &e)) return failed();
    } else {
        return usage(QStringLiteral("unknown db command \"%1\"").arg(what));
    }
    return ExitDone;
}

} // namespace ormix::cli
