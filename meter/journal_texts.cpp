#include "meter/journal_texts.h"

#include "link/encodings.h"
#include "meter/formats.h"

#include <QDate>
#include <QTime>

using namespace ormix::link;

namespace ormix::meter {

namespace {
QString JournalTitle(const QString &journal, qint64 factoryNumber) {
    QString title = journal + QLatin1Char(' ');
    if (factoryNumber > 0) title += QStringLiteral("Счетчик № %1, ").arg(factoryNumber);
    return title;
}

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}
} // namespace

QStringList MonthLabels() {
    return {QStringLiteral("янв."), QStringLiteral("фев."),  QStringLiteral("март"),
            QStringLiteral("апр."), QStringLiteral("май"),   QStringLiteral("июнь"),
            QStringLiteral("июль"), QStringLiteral("авг."),  QStringLiteral("сент."),
            QStringLiteral("окт."), QStringLiteral("нояб."), QStringLiteral("дек.")};
}

QString MonthLabel(int monthIndex) {
    const QStringList labels = MonthLabels();
    return monthIndex >= 0 && monthIndex < labels.size() ? labels[monthIndex] : QString();
}

QStringList MonthTableHeader() {
    return {QStringLiteral("месяц"), QStringLiteral("1 тариф"), QStringLiteral("2 тариф"),
            QStringLiteral("3 тариф"), QStringLiteral("наработка")};
}

QStringList EventTableHeader() {
    return {QStringLiteral("№"), QStringLiteral("дата"), QStringLiteral("время"),
            QStringLiteral("статус")};
}

QStringList ConsumptionColumns() {
    return {QStringLiteral("Страница"), QStringLiteral("Запись"),  QStringLiteral("Время"),
            QStringLiteral("1 тариф"),  QStringLiteral("2 тариф"), QStringLiteral("3 тариф"),
            QStringLiteral("Статус")};
}

QString QuarterWattHoursText(std::uint32_t count) {
    return FormatReading(CountToKwh(count));
}

QString Counter17Text(std::uint32_t counter) {
    return QString::number(counter);
}

QString ConsumptionTimeText(int year, int month, int day, int hour, int minute) {
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, 0)) return {};
    return TwoDigits(day) + QLatin1Char('.') + TwoDigits(month) + QLatin1Char(' ') +
           TwoDigits(hour) + QLatin1Char(':') + TwoDigits(minute);
}

QString YearlyJournalTitle(qint64 factoryNumber) {
    return JournalTitle(QStringLiteral("Годовой журнал"), factoryNumber);
}

QString ConsumptionJournalTitle(qint64 factoryNumber) {
    return JournalTitle(QStringLiteral("Журнал потребления"), factoryNumber);
}

} // namespace ormix::meter
