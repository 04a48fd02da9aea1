#include "tools/ormix_cli/cli_schedule.h"

#include "meter/schedule_decoders.h"
#include "meter/schedule_diff.h"
#include "meter/schedule_editing.h"
#include "meter/schedule_frames.h"
#include "meter/schedule_template.h"

namespace ormix::cli {

QString TakeScheduleArgument(const QString &arg, CliScheduleOptions &s) {
    if (s.action == ScheduleAction::None) {
        if (arg == QStringLiteral("read"))
            s.action = ScheduleAction::Read;
        else if (arg == QStringLiteral("write"))
            s.action = ScheduleAction::Write;
        else if (arg == QStringLiteral("diff"))
            s.action = ScheduleAction::Diff;
        else
            return QStringLiteral("unknown schedule command \"%1\" (read, write or diff)").arg(arg);
        return {};
    }
    if (s.action != ScheduleAction::Read && s.file.isEmpty()) {
        s.file = arg;
        return {};
    }
    return QStringLiteral("unexpected argument \"%1\"").arg(arg);
}

QString CheckScheduleLine(const CliScheduleOptions &s, const QStringList &writeOptionsSeen,
                          bool json) {
    if (s.action == ScheduleAction::None)
        return QStringLiteral("schedule needs read, write FILE or diff FILE");
    if (s.action != ScheduleAction::Read && s.file.isEmpty())
        return QStringLiteral("schedule %1 needs a template FILE")
            .arg(s.action == ScheduleAction::Write ? "write" : "diff");
    if (json && s.action != ScheduleAction::Read)
        return QStringLiteral("--json belongs to schedule read");
    static const QStringList kWriteTakes = {QStringLiteral("--password"), QStringLiteral("--log"),
                                            QStringLiteral("--no-log")};
    for (const QString &option : writeOptionsSeen)
        if (s.action != ScheduleAction::Write || !kWriteTakes.contains(option))
            return QStringLiteral("%1 does not belong to schedule").arg(option);
    if (s.action == ScheduleAction::Write &&
        !writeOptionsSeen.contains(QStringLiteral("--password")))
        return QStringLiteral("schedule write needs --password P (0 to 65535)");
    return {};
}

QString LoadScheduleFile(CliScheduleOptions &s) {
    if (s.file.isEmpty()) return {};
    const meter::TemplateLoad loaded = meter::LoadScheduleTemplate(s.file);
    if (!loaded.schedule) return loaded.error;
    s.fromFile = loaded.schedule;
    return {};
}

ScheduleRun::ScheduleRun(const CliScheduleOptions &options, int firmwareMajor, int password)
    : options_(options), firmwareMajor_(firmwareMajor), password_(password) {
    // What a meter below firmware 10 has no table for is not read: it stays empty here
    // rather than showing the page's defaults as if the meter held them.
    read_.holidays.clear();
    read_.transfers.clear();
}

QList<QByteArray> ScheduleRun::Frames(QString &error) const {
    if (!IsWrite()) return meter::ScheduleReadFrames(firmwareMajor_);
    const meter::ScheduleWriteSequence seq =
        meter::BuildScheduleWrite({*options_.fromFile, password_, firmwareMajor_});
    error = seq.error;
    return seq.frames;
}

QStringList ScheduleRun::Take(const QByteArray &reply) {
    return meter::ApplyScheduleReply(read_, reply).value_or(QStringList());
}

namespace {
QString Days(std::uint8_t mask) {
    QStringList days;
    for (int d = 0; d < meter::kDayTypeCount; ++d)
        if (mask & (1u << d)) days << meter::DayTypeLabels().at(d);
    return days.isEmpty() ? QStringLiteral("нет дней") : days.join(' ');
}
} // namespace

QStringList ScheduleText(const meter::Schedule &s, int firmwareMajor) {
    QStringList out;
    out << QStringLiteral("Работа по одному тарифу : %1").arg(s.singleTariff ? "да" : "нет");
    if (s.singleTariff) return out;
    const bool extras = meter::ExtrasVisible(firmwareMajor);
    for (int z = 0; z < meter::kZoneCount; ++z) {
        QString line = QStringLiteral("Зона %1 : тариф %2 с %3")
                           .arg(z)
                           .arg(s.zones[z].tariff)
                           .arg(s.zones[z].start.toString(QStringLiteral("HH:mm")));
        if (extras) line += QStringLiteral(", ") + Days(s.masks[z]);
        out << line;
    }
    if (!extras) return out;
    for (qsizetype i = 0; i < s.holidays.size(); ++i)
        out << QStringLiteral("Праздник %1 : %2 %3")
                   .arg(i + 1)
                   .arg(s.holidays[i].day)
                   .arg(meter::MonthNames().value(s.holidays[i].month - 1));
    for (qsizetype i = 0; i < s.transfers.size(); ++i)
        out << QStringLiteral("Перенос %1 : %2 по графику: %3")
                   .arg(i + 1)
                   .arg(s.transfers[i].date.toString(QStringLiteral("dd.MM.yyyy")))
                   .arg(meter::DayTypeTexts().value(s.transfers[i].dayType - 1));
    return out;
}

QStringList ScheduleDiffLines(const meter::Schedule &meter, const meter::Schedule &file,
                              int firmwareMajor) {
    return meter::DiffSchedules(meter, file,
                                {.withExtras = firmwareMajor >= meter::kExtrasFirmware});
}

} // namespace ormix::cli
