#include "meter/schedule_diff.h"

#include <map>
#include <utility>

namespace ormix::meter {

namespace {
QString HolidayText(const Holiday &h) {
    static const QStringList genitive{
        QStringLiteral("января"),  QStringLiteral("февраля"), QStringLiteral("марта"),
        QStringLiteral("апреля"),  QStringLiteral("мая"),     QStringLiteral("июня"),
        QStringLiteral("июля"),    QStringLiteral("августа"), QStringLiteral("сентября"),
        QStringLiteral("октября"), QStringLiteral("ноября"),  QStringLiteral("декабря")};
    if (h.month < 1 || h.month > 12) return QStringLiteral("%1.%2").arg(h.day).arg(h.month);
    return QStringLiteral("%1 %2").arg(h.day).arg(genitive[h.month - 1]);
}

QString ZoneText(const ZoneEntry &z) {
    return QStringLiteral("тариф %1 с %2")
        .arg(z.tariff)
        .arg(z.start.toString(QStringLiteral("HH:mm")));
}

QString DaysText(std::uint8_t mask) {
    const QStringList labels = DayTypeLabels();
    QStringList days;
    for (int d = 0; d < kDayTypeCount; ++d)
        if ((mask >> d) & 1) days << labels[d];
    return days.isEmpty() ? QStringLiteral("нет") : days.join(QLatin1Char(' '));
}

// "нет", "есть", "есть 2 раза", "есть 5 раз".
QString PresenceText(int count) {
    if (count == 0) return QStringLiteral("нет");
    if (count == 1) return QStringLiteral("есть");
    const bool few = count % 10 >= 2 && count % 10 <= 4 && (count % 100 < 12 || count % 100 > 14);
    return QStringLiteral("есть %1 %2")
        .arg(count)
        .arg(few ? QStringLiteral("раза") : QStringLiteral("раз"));
}

QString DayTypesText(const QList<int> &types) {
    if (types.isEmpty()) return QStringLiteral("нет");
    const QStringList texts = DayTypeTexts();
    QStringList shown;
    for (int t : types)
        shown << (t >= 1 && t <= kDayTypeCount ? texts[t - 1] : QString::number(t));
    return QStringLiteral("по графику ") + shown.join(QStringLiteral(", "));
}

class DiffWriter {
public:
    explicit DiffWriter(const ScheduleDiffOptions &o) : m_o(o) {}
    void add(const QString &what, const QString &left, const QString &right) {
        m_lines << QStringLiteral("%1: %2 %3, %4 %5")
                       .arg(what, m_o.leftName, left, m_o.rightName, right);
    }
    QStringList lines() const { return m_lines; }

private:
    const ScheduleDiffOptions &m_o;
    QStringList m_lines;
};

void DiffZones(const Schedule &a, const Schedule &b, bool withExtras, DiffWriter &out) {
    for (int z = 0; z < kZoneCount; ++z) {
        const ZoneEntry &l = a.zones[z], &r = b.zones[z];
        if (l.tariff != r.tariff || MinuteOfDay(l.start) != MinuteOfDay(r.start))
            out.add(QStringLiteral("Зона %1").arg(z), ZoneText(l), ZoneText(r));
    }
    if (!withExtras) return;
    for (int z = 0; z < kZoneCount; ++z)
        if (a.masks[z] != b.masks[z])
            out.add(QStringLiteral("Зона %1, типы дней").arg(z), DaysText(a.masks[z]),
                    DaysText(b.masks[z]));
}

void DiffHolidays(const QList<Holiday> &a, const QList<Holiday> &b, DiffWriter &out) {
    std::map<Holiday, std::pair<int, int>> counts; // by date: how often on each side
    for (const Holiday &h : a)
        ++counts[h].first;
    for (const Holiday &h : b)
        ++counts[h].second;
    for (const auto &[date, n] : counts)
        if (n.first != n.second)
            out.add(QStringLiteral("Праздник ") + HolidayText(date), PresenceText(n.first),
                    PresenceText(n.second));
}

void DiffTransfers(const QList<Transfer> &a, const QList<Transfer> &b, DiffWriter &out) {
    std::map<QDate, std::pair<QList<int>, QList<int>>> types; // by date, in list order
    for (const Transfer &t : a)
        types[t.date].first << t.dayType;
    for (const Transfer &t : b)
        types[t.date].second << t.dayType;
    for (const auto &[date, t] : types)
        if (t.first != t.second)
            out.add(QStringLiteral("Перенос ") + date.toString(QStringLiteral("dd.MM.yyyy")),
                    DayTypesText(t.first), DayTypesText(t.second));
}

QString ModeText(bool singleTariff) {
    return singleTariff ? QStringLiteral("однотарифный") : QStringLiteral("многотарифный");
}
} // namespace

QStringList DiffSchedules(const Schedule &left, const Schedule &right,
                          const ScheduleDiffOptions &options) {
    DiffWriter out(options);
    if (left.singleTariff != right.singleTariff)
        out.add(QStringLiteral("Режим"), ModeText(left.singleTariff), ModeText(right.singleTariff));
    if (left.singleTariff || right.singleTariff) return out.lines();
    DiffZones(left, right, options.withExtras, out);
    if (options.withExtras) {
        DiffHolidays(left.holidays, right.holidays, out);
        DiffTransfers(left.transfers, right.transfers, out);
    }
    return out.lines();
}

} // namespace ormix::meter
