#include "meter/schedule.h"

#include <QLocale>

namespace ormix::meter {

std::array<ZoneEntry, kZoneCount> DefaultZones() {
    return {{{1, QTime(0, 0)},
             {2, QTime(6, 30)},
             {3, QTime(8, 30)},
             {2, QTime(11, 30)},
             {3, QTime(17, 30)},
             {2, QTime(20, 30)}}};
}

QList<Holiday> DefaultHolidays() {
    return {{1, 1},  {2, 1}, {3, 1}, {4, 1}, {5, 1},  {7, 1},
            {23, 2}, {8, 3}, {1, 5}, {9, 5}, {12, 6}, {4, 11}};
}

QString MarkText() {
    return QStringLiteral(" + ");
}

QStringList DayTypeLabels() {
    return {QStringLiteral("ПН"), QStringLiteral("ВТ"), QStringLiteral("СР"), QStringLiteral("ЧТ"),
            QStringLiteral("ПТ"), QStringLiteral("СБ"), QStringLiteral("ВС"), QStringLiteral("ПР")};
}

QStringList DayTypeTexts() {
    return {QStringLiteral("понедельник"), QStringLiteral("вторник"), QStringLiteral("среда"),
            QStringLiteral("четверг"),     QStringLiteral("пятница"), QStringLiteral("суббота"),
            QStringLiteral("воскресенье"), QStringLiteral("праздник")};
}

QStringList MonthNames() {
    return {QStringLiteral("январь"),  QStringLiteral("февраль"), QStringLiteral("март"),
            QStringLiteral("апрель"),  QStringLiteral("май"),     QStringLiteral("июнь"),
            QStringLiteral("июль"),    QStringLiteral("август"),  QStringLiteral("сентябрь"),
            QStringLiteral("октябрь"), QStringLiteral("ноябрь"),  QStringLiteral("декабрь")};
}

namespace {
std::optional<int> NumberOf(const QStringList &list, const QString &text) {
    const qsizetype i = list.indexOf(text);
    if (i < 0) return std::nullopt;
    return static_cast<int>(i) + 1;
}
} // namespace

std::optional<int> MonthFromName(const QString &name) {
    return NumberOf(MonthNames(), name);
}

std::optional<int> DayTypeFromText(const QString &text) {
    return NumberOf(DayTypeTexts(), text);
}

QString TransferDateText(const QDate &date) {
    return QLocale().toString(date, QLocale::ShortFormat);
}

} // namespace ormix::meter
