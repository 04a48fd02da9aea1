#include "tools/ormix_cli/cli_options.h"

#include "link/port_setup.h"
#include "link/port_table.h"

#include <QSet>

namespace ormix::cli {

namespace {

const QSet<QString> kWriteOnly = {
    "--password",      "--time",           "--summer",  "--new-password", "--number",
    "--correction",    "--status-reset",   "--billing", "--display",      "--ddm",
    "--reset-billing", "--reset-schedule", "--no-log",  "--log",          "--sql",
};

// "1200, 2400, 4800 or 9600".
QString SpeedList() {
    QStringList speeds = link::MeterSpeedTexts();
    const QString last = speeds.takeLast();
    return speeds.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

QString Range(const QString &option, qint64 lo, qint64 hi) {
    return QStringLiteral("%1 must be a whole number from %2 to %3").arg(option).arg(lo).arg(hi);
}

// A decimal integer within lo..hi; nothing (and `error` set) otherwise.
std::optional<qint64> Integer(const QString &option, const QString &text, qint64 lo, qint64 hi,
                              QString &error) {
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok, 10);
    if (!ok || v < lo || v > hi) {
        error = Range(option, lo, hi);
        return std::nullopt;
    }
    return v;
}

class Reader {
public:
    explicit Reader(const QStringList &args) : args_(args) {}
    bool AtEnd() const { return i_ >= args_.size(); }
    QString Next() { return args_.at(i_++); }
    // The value of an option: the part after '=' or the next argument, whatever it starts
    // with (a correction may be negative).
    std::optional<QString> Value(const QString &option, const std::optional<QString> &inline_,
                                 QString &error) {
        if (inline_) return inline_;
        if (AtEnd()) {
            error = QStringLiteral("%1 needs a value").arg(option);
            return std::nullopt;
        }
        return Next();
    }

private:
    const QStringList &args_;
    qsizetype i_ = 0;
};

} // namespace

QString CliUsageLine() {
    return QStringLiteral(
        "usage: ormix-cli [--port COMn|PATH] [--baud 1200|2400|4800|9600] [--trace] "
        "read [--json] | write --password P [options] | schedule read [--json] | "
        "schedule write FILE --password P | schedule diff FILE  (--help lists them)");
}

QString CliHelpText() {
    return QStringLiteral(
        "ormix-cli: read and write a meter from the command line.\n"
        "\n"
        "ormix-cli [--port COMn|PATH] [--baud RATE] [--trace] COMMAND ...\n"
        "  --port COMn|PATH     meter port, a port-table name or a device path (default: saved)\n"
        "  --baud RATE          1200, 2400, 4800 or 9600 bit/s (default 4800)\n"
        "  --trace              protocol lines (send, receive, timeout, rejections) on stderr\n"
        "  --help               this list\n"
        "\n"
        "read [--json]          version, then one full poll cycle; prints every value\n"
        "  --json               one JSON object instead of \"name : value\" lines\n"
        "\n"
        "write --password P [options]   the settings write, then one row in the local log\n"
        "  --password P         access password, 0 to 65535\n"
        "  --time now|\"YYYY-MM-DD hh:mm:ss\"   set the clock (years 2000 to 2099)\n"
        "  --summer             with --time: daylight-saving switching on\n"
        "  --new-password N     new access password, 0 to 65535\n"
        "  --number N           factory number, 0 to 16777215\n"
        "  --correction V       daily clock correction, -31 to 31 s\n"
        "  --status-reset       reset the status byte\n"
        "  --billing DAY HOUR   billing day 1 to 31 and hour 0 to 23 (firmware 6 and later)\n"
        "  --display MASK       display set 0 to 15: 1 total, 2 billing day, 4 date, 8 time\n"
        "  --ddm N              DDM number (firmware 3 and later), 0 to 65535, 16777215 from 6\n"
        "  --reset-billing      reset the billing-day readings (firmware 6 and later)\n"
        "  --reset-schedule     reset the tariff schedule\n"
        "  --log PATH           local log table (default Setting.DBF in this directory)\n"
        "  --no-log             write no log row\n"
        "  --sql                SQL mode: identify, set the clock from the server, check the\n"
        "                       meter and log the operation in the production database\n"
        "\n"
        "fix-db                 read the meter and record it in the production database\n"
        "                       without writing (\"Зафиксировать в БД\")\n"
        "\n"
        "db init | describe [--computer NAME] [--login NAME] | meters FROM TO [--type N] | show\n"
        "                       the production database of [Electrometer]: create the schema,\n"
        "                       describe a workstation, a batch of meters, show what is there\n"
        "\n"
        "schedule read [--json]         the tariff schedule: zones, day types, holidays, "
        "transfers\n"
        "  --json               the schedule as a template file (as \"Сохранить…\" saves it)\n"
        "schedule write FILE --password P [--log PATH|--no-log]\n"
        "                       write a template, checked as the window checks it, and log it\n"
        "schedule diff FILE     what the meter holds that differs from the template\n"
        "\n"
        "Exit status: 0 done; 1 the meter refused or did not answer; 2 bad arguments;\n"
        "3 the port could not be opened; 4 written, but the log row could not be made\n"
        "(or the production database refused the workstation, the meter or the command);\n"
        "5 schedule diff: the meter's schedule differs from the file.\n");
}

CliParseResult ParseCliArguments(const QStringList &args) {
    CliParseResult r;
    CliOptions &o = r.options;
    CliWriteOptions &w = o.write;
    QString &error = r.error;
    std::optional<CliCommand> command;
    QStringList writeOptionsSeen;
    bool helpAsked = false;

    Reader in(args);
    while (!in.AtEnd() && error.isEmpty()) {
        const QString arg = in.Next();
        if (!arg.startsWith(QStringLiteral("--"))) {
            if (command == CliCommand::Schedule) {
                error = TakeScheduleArgument(arg, o.schedule);
            } else if (command) {
                error = QStringLiteral("unexpected argument \"%1\"").arg(arg);
            } else if (arg == QStringLiteral("read")) {
                command = CliCommand::Read;
            } else if (arg == QStringLiteral("write")) {
                command = CliCommand::Write;
            } else if (arg == QStringLiteral("schedule")) {
                command = CliCommand::Schedule;
            } else if (arg == QStringLiteral("fix-db")) {
                command = CliCommand::FixDb;
            } else {
                error =
                    QStringLiteral("unknown command \"%1\" (read, write, schedule, fix-db or db)")
                        .arg(arg);
            }
            continue;
        }
        QString name = arg;
        std::optional<QString> inlineValue;
        if (const qsizetype eq = arg.indexOf('='); eq > 0) {
            name = arg.left(eq);
            inlineValue = arg.mid(eq + 1);
        }
        const auto value = [&]() { return in.Value(name, inlineValue, error); };
        const auto noValue = [&]() {
            if (inlineValue) error = QStringLiteral("%1 takes no value").arg(name);
        };
        if (kWriteOnly.contains(name)) writeOptionsSeen << name;

        if (name == QStringLiteral("--help")) {
            noValue();
            helpAsked = true;
        } else if (name == QStringLiteral("--port")) {
            if (const auto v = value()) {
                const QString port = v->trimmed();
                const bool path = port.startsWith('/');
                const bool comName =
                    port.left(3).compare(QStringLiteral("COM"), Qt::CaseInsensitive) == 0 &&
                    link::PortNumberOf(port).value_or(0) > 0;
                if (!path && !comName)
                    error = QStringLiteral("--port must be a port name such as COM1 or a "
                                           "device path such as /dev/ttyUSB0");
                else
                    o.port = port;
            }
        } else if (name == QStringLiteral("--baud")) {
            if (const auto v = value()) {
                const int baud = v->trimmed().toInt();
                if (!link::MeterSpeedRate(baud))
                    error = QStringLiteral("--baud must be %1").arg(SpeedList());
                else
                    o.baud = baud;
            }
        } else if (name == QStringLiteral("--trace")) {
            noValue();
            o.trace = true;
        } else if (name == QStringLiteral("--json")) {
            noValue();
            o.json = true;
        } else if (name == QStringLiteral("--password")) {
            if (const auto v = value())
                if (const auto n = Integer(name, *v, 0, meter::kPasswordMax, error))
                    w.password = *n;
        } else if (name == QStringLiteral("--new-password")) {
            if (const auto v = value())
                if (const auto n = Integer(name, *v, 0, meter::kPasswordMax, error))
                    w.newPassword = int(*n);
        } else if (name == QStringLiteral("--time")) {
            if (const auto v = value()) {
                const QString text = v->trimmed();
                if (text == QStringLiteral("now")) {
                    w.timeNow = true;
                    w.time.reset();
                } else {
                    const QDateTime t =
                        QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                    if (!t.isValid())
                        error = QStringLiteral(
                            "--time must be now or \"YYYY-MM-DD hh:mm:ss\" (a real date and time)");
                    else if (t.date().year() < 2000 || t.date().year() > 2099)
                        error = QStringLiteral("--time must be a date from 2000 to 2099");
                    else {
                        w.time = t;
                        w.timeNow = false;
                    }
                }
            }
        } else if (name == QStringLiteral("--summer")) {
            noValue();
            w.summer = true;
        } else if (name == QStringLiteral("--number")) {
            if (const auto v = value())
                if (const auto n = Integer(name, *v, 0, meter::kFactoryNumberMax, error))
                    w.number = *n;
        } else if (name == QStringLiteral("--correction")) {
            if (const auto v = value())
                if (const auto n =
                        Integer(name, *v, -meter::kCorrectionLimit, meter::kCorrectionLimit, error))
                    w.correction = int(*n);
        } else if (name == QStringLiteral("--status-reset")) {
            noValue();
            w.statusReset = true;
        } else if (name == QStringLiteral("--billing")) {
            if (inlineValue) {
                error = QStringLiteral("--billing takes two values: DAY HOUR");
            } else if (const auto day = value()) {
                if (in.AtEnd()) {
                    error = QStringLiteral("--billing takes two values: DAY HOUR");
                } else {
                    const QString hour = in.Next();
                    const auto d = Integer(QStringLiteral("--billing DAY"), *day, 1, 31, error);
                    const auto h = d ? Integer(QStringLiteral("--billing HOUR"), hour, 0, 23, error)
                                     : std::nullopt;
                    if (d && h) {
                        w.billingDay = int(*d);
                        w.billingHour = int(*h);
                    }
                }
            }
        } else if (name == QStringLiteral("--display")) {
            if (const auto v = value())
                if (const auto n = Integer(name, *v, 0, 15, error)) w.display = int(*n);
        } else if (name == QStringLiteral("--ddm")) {
            if (const auto v = value())
                if (const auto n = Integer(name, *v, 0, meter::kDdmMaxNew, error)) w.ddm = *n;
        } else if (name == QStringLiteral("--reset-billing")) {
            noValue();
            w.resetBilling = true;
        } else if (name == QStringLiteral("--reset-schedule")) {
            noValue();
            w.resetSchedule = true;
        } else if (name == QStringLiteral("--sql")) {
            noValue();
            w.sql = true;
        } else if (name == QStringLiteral("--no-log")) {
            noValue();
            w.noLog = true;
        } else if (name == QStringLiteral("--log")) {
            if (const auto v = value()) {
                if (v->isEmpty())
                    error = QStringLiteral("--log needs a file path");
                else
                    w.logPath = *v;
            }
        } else {
            error = QStringLiteral("unknown option %1").arg(name);
        }
    }
    if (!error.isEmpty()) return r;

    if (helpAsked) {
        o.command = CliCommand::Help;
        return r;
    }
    if (!command) {
        error = QStringLiteral("no command given (read, write, schedule, fix-db or db)");
        return r;
    }
    o.command = *command;
    if (o.command == CliCommand::Schedule) {
        error = CheckScheduleLine(o.schedule, writeOptionsSeen, o.json);
        return r;
    }
    if (o.command == CliCommand::Read || o.command == CliCommand::FixDb) {
        const QString what = o.command == CliCommand::Read ? "read" : "fix-db";
        if (!writeOptionsSeen.isEmpty())
            error = QStringLiteral("%1 belongs to write, not to %2")
                        .arg(writeOptionsSeen.first(), what);
        else if (o.json && o.command == CliCommand::FixDb)
            error = QStringLiteral("--json belongs to read, not to fix-db");
        return r;
    }
    if (o.json) {
        error = QStringLiteral("--json belongs to read, not to write");
    } else if (!writeOptionsSeen.contains(QStringLiteral("--password"))) {
        error = QStringLiteral("write needs --password P (0 to 65535)");
    } else if (w.summer && !w.writesTime()) {
        error = QStringLiteral("--summer goes with --time");
    } else if (w.noLog && !w.logPath.isEmpty()) {
        error = QStringLiteral("--log and --no-log exclude each other");
    } else if (w.sql && (w.noLog || !w.logPath.isEmpty())) {
        error = QStringLiteral("--sql logs to the production database: no --log or --no-log");
    }
    return r;
}

QString CheckWriteForFirmware(const CliWriteOptions &w, int major, const QString &version) {
    if (w.billingDay && major < 6)
        return QStringLiteral("--billing needs firmware 6 or later; this meter has %1")
            .arg(version);
    if (w.resetBilling && major < 6)
        return QStringLiteral("--reset-billing needs firmware 6 or later; this meter has %1")
            .arg(version);
    if (w.ddm && major < 3)
        return QStringLiteral("--ddm needs firmware 3 or later; this meter has %1").arg(version);
    if (w.ddm && major < 6 && *w.ddm > meter::kDdmMaxOld)
        return QStringLiteral("--ddm must be a whole number from 0 to %1 with firmware %2")
            .arg(meter::kDdmMaxOld)
            .arg(version);
    return {};
}

} // namespace ormix::cli
