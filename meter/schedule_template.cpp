#include "meter/schedule_template.h"

#include "meter/schedule_editing.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <cmath>

namespace ormix::meter {

namespace {
const QString kFormat = QStringLiteral("ormix-schedule");

QString TimeText(const QTime &t) {
    return t.isValid() ? t.toString(QStringLiteral("HH:mm")) : QString();
}

QJsonArray DayLabels(std::uint8_t mask) {
    const QStringList labels = DayTypeLabels();
    QJsonArray days;
    for (int d = 0; d < kDayTypeCount; ++d)
        if ((mask >> d) & 1) days.append(labels[d]);
    return days;
}

// A value as it stands in the file, for a message ("XX" with its quotes, 5, null).
QString JsonText(const QJsonValue &value) {
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2)); // without the [ ]
}

QString DayTypeChoices() {
    return DayTypeLabels().join(QStringLiteral(", "));
}

// The fields of one JSON object, read with the name of the part they belong to ("Зона 2"),
// so that every refusal says where it is. The first failure is kept; later reads do nothing.
class FieldReader {
public:
    FieldReader(const QJsonObject &object, QString where, QString &error)
        : m_object(object), m_where(std::move(where)), m_error(error) {}

    bool ok() const { return m_error.isEmpty(); }

    // Refuses a key outside `known`: a misspelt key would otherwise be lost silently.
    void onlyKeys(const QStringList &known) {
        for (const QString &key : m_object.keys())
            if (ok() && !known.contains(key))
                fail(QStringLiteral("неизвестное поле \"%1\".").arg(key));
    }

    int integer(const char *key) {
        const QJsonValue v = value(key);
        if (!ok()) return 0;
        const double d = v.toDouble();
        if (!v.isDouble() || d != std::floor(d) || std::fabs(d) > 1e9) {
            fail(QStringLiteral("поле \"%1\" должно быть целым числом.").arg(QLatin1String(key)));
            return 0;
        }
        return static_cast<int>(d);
    }
    QString string(const char *key) {
        const QJsonValue v = value(key);
        if (ok() && !v.isString())
            fail(QStringLiteral("поле \"%1\" должно быть строкой.").arg(QLatin1String(key)));
        return v.toString();
    }
    bool boolean(const char *key) {
        const QJsonValue v = value(key);
        if (ok() && !v.isBool())
            fail(QStringLiteral("поле \"%1\" должно быть true или false.").arg(QLatin1String(key)));
        return v.toBool();
    }
    QJsonArray array(const char *key) {
        const QJsonValue v = value(key);
        if (ok() && !v.isArray())
            fail(QStringLiteral("поле \"%1\" должно быть списком.").arg(QLatin1String(key)));
        return v.toArray();
    }

    void fail(const QString &what) {
        if (ok()) m_error = m_where + QStringLiteral(": ") + what;
    }

private:
    QJsonValue value(const char *key) {
        if (!ok()) return {};
        const QString k = QLatin1String(key);
        if (!m_object.contains(k)) fail(QStringLiteral("нет поля \"%1\".").arg(k));
        return m_object.value(k);
    }

    QJsonObject m_object;
    QString m_where;
    QString &m_error;
};

// The object at `value`, or a refusal naming `where`.
std::optional<QJsonObject> ObjectAt(const QJsonValue &value, const QString &where, QString &error) {
    if (value.isObject()) return value.toObject();
    error = where + QStringLiteral(": ожидался объект JSON.");
    return std::nullopt;
}

std::optional<int> DayTypeOfLabel(const QString &label) {
    const qsizetype i = DayTypeLabels().indexOf(label);
    return i < 0 ? std::nullopt : std::optional<int>(static_cast<int>(i) + 1);
}

ZoneEntry ReadZone(const QJsonObject &o, int z, std::uint8_t &mask, QString &error) {
    FieldReader f(o, QStringLiteral("Зона %1").arg(z), error);
    f.onlyKeys({QStringLiteral("tariff"), QStringLiteral("start"), QStringLiteral("days")});
    ZoneEntry zone;
    zone.tariff = f.integer("tariff");
    if (f.ok() && (zone.tariff < kLowestTariff || zone.tariff > kHighestTariff))
        f.fail(QStringLiteral("тариф %1, а допустимы 1, 2 и 3.").arg(zone.tariff));
    const QString start = f.string("start");
    // Anchored to the whole text: "$" alone would let a final line break through.
    static const QRegularExpression hhmm(
        QRegularExpression::anchoredPattern(QStringLiteral("([01][0-9]|2[0-3]):([0-5][0-9])")));
    if (f.ok() && !hhmm.match(start).hasMatch())
        f.fail(QStringLiteral("время начала \"%1\" не является временем ЧЧ:ММ от 00:00 до 23:59.")
                   .arg(start));
    zone.start = QTime::fromString(start, QStringLiteral("HH:mm"));
    const QJsonArray days = f.array("days");
    mask = 0;
    for (const QJsonValue &day : days) {
        const auto type = DayTypeOfLabel(day.toString());
        if (f.ok() && (!day.isString() || !type))
            f.fail(QStringLiteral("неизвестный тип дня %1 (допустимы %2).")
                       .arg(JsonText(day), DayTypeChoices()));
        if (type) mask |= static_cast<std::uint8_t>(1u << (*type - 1));
    }
    return zone;
}

Holiday ReadHoliday(const QJsonObject &o, int position, QString &error) {
    FieldReader f(o, QStringLiteral("Праздник %1").arg(position), error);
    f.onlyKeys({QStringLiteral("day"), QStringLiteral("month")});
    Holiday h{f.integer("day"), f.integer("month")};
    if (f.ok() && !IsValidHoliday(h))
        f.fail(QStringLiteral("даты %1.%2 не бывает.")
                   .arg(h.day, 2, 10, QLatin1Char('0'))
                   .arg(h.month, 2, 10, QLatin1Char('0')));
    return h;
}

Transfer ReadTransfer(const QJsonObject &o, int position, QString &error) {
    FieldReader f(o, QStringLiteral("Перенос %1").arg(position), error);
    f.onlyKeys({QStringLiteral("date"), QStringLiteral("dayType")});
    Transfer t;
    const QString date = f.string("date");
    static const QRegularExpression iso(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{4}-[0-9]{2}-[0-9]{2}")));
    t.date = QDate::fromString(date, Qt::ISODate);
    if (f.ok() && (!iso.match(date).hasMatch() || !t.date.isValid()))
        f.fail(QStringLiteral("даты \"%1\" не бывает (нужен вид ГГГГ-ММ-ДД).").arg(date));
    if (f.ok() && !IsTransferYear(t.date.year()))
        f.fail(QStringLiteral("год %1 вне 2000–2099: счётчик хранит две цифры года.")
                   .arg(t.date.year()));
    const QString type = f.string("dayType");
    const auto number = DayTypeOfLabel(type);
    if (f.ok() && !number)
        f.fail(QStringLiteral("неизвестный тип дня \"%1\" (допустимы %2).")
                   .arg(type, DayTypeChoices()));
    t.dayType = number.value_or(1);
    return t;
}

// Refuses a list longer than the meter's table before any entry is read.
bool FitsTable(const QJsonArray &list, int limit, const QString &what, QString &error) {
    if (list.size() <= limit) return true;
    error = QStringLiteral("Шаблон: %1 %2, а счётчик хранит не больше %3.")
                .arg(what)
                .arg(list.size())
                .arg(limit);
    return false;
}
} // namespace

QByteArray ScheduleToJson(const Schedule &s) {
    QJsonArray zones;
    for (int z = 0; z < kZoneCount; ++z)
        zones.append(QJsonObject{{QStringLiteral("tariff"), s.zones[z].tariff},
                                 {QStringLiteral("start"), TimeText(s.zones[z].start)},
                                 {QStringLiteral("days"), DayLabels(s.masks[z])}});
    QJsonArray holidays;
    for (const Holiday &h : s.holidays)
        holidays.append(
            QJsonObject{{QStringLiteral("day"), h.day}, {QStringLiteral("month"), h.month}});
    QJsonArray transfers;
    const QStringList labels = DayTypeLabels();
    for (const Transfer &t : s.transfers)
        transfers.append(QJsonObject{
            {QStringLiteral("date"), t.date.toString(Qt::ISODate)},
            {QStringLiteral("dayType"),
             t.dayType >= 1 && t.dayType <= kDayTypeCount ? labels[t.dayType - 1] : QString()}});
    const QJsonObject root{{QStringLiteral("format"), kFormat},
                           {QStringLiteral("version"), kTemplateVersion},
                           {QStringLiteral("singleTariff"), s.singleTariff},
                           {QStringLiteral("zones"), zones},
                           {QStringLiteral("holidays"), holidays},
                           {QStringLiteral("transfers"), transfers}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

TemplateLoad ScheduleFromJson(const QByteArray &json) {
    TemplateLoad result;
    QString &error = result.error;
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        // The parser counts bytes; a person counts lines and letters.
        const QByteArray before = json.left(parse.offset);
        const qsizetype lineStart = before.lastIndexOf('\n') + 1;
        error = QStringLiteral("Файл не является документом JSON (ошибка в строке %1 около "
                               "знака %2).")
                    .arg(before.count('\n') + 1)
                    .arg(QString::fromUtf8(before.mid(lineStart)).size() + 1);
        return result;
    }
    if (!doc.isObject()) {
        error = QStringLiteral("Файл не является шаблоном расписания: в нём нет объекта JSON.");
        return result;
    }
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")) != QJsonValue(kFormat)) {
        error = QStringLiteral("Файл не является шаблоном расписания: нет поля \"format\" "
                               "со значением \"%1\".")
                    .arg(kFormat);
        return result;
    }
    FieldReader f(root, QStringLiteral("Шаблон"), error);
    f.onlyKeys({QStringLiteral("format"), QStringLiteral("version"), QStringLiteral("comment"),
                QStringLiteral("singleTariff"), QStringLiteral("zones"), QStringLiteral("holidays"),
                QStringLiteral("transfers")});
    const int version = f.integer("version");
    if (f.ok() && version != kTemplateVersion) {
        error = QStringLiteral("Шаблон версии %1 не читается: программа знает версию %2.")
                    .arg(version)
                    .arg(kTemplateVersion);
        return result;
    }
    if (f.ok() && root.contains(QStringLiteral("comment"))) f.string("comment");

    Schedule s;
    s.singleTariff = f.boolean("singleTariff");
    const QJsonArray zones = f.array("zones");
    if (f.ok() && zones.size() != kZoneCount)
        f.fail(QStringLiteral("зон должно быть ровно %1, а в файле %2.")
                   .arg(kZoneCount)
                   .arg(zones.size()));
    const QJsonArray holidays = f.array("holidays");
    const QJsonArray transfers = f.array("transfers");
    if (!f.ok() || !FitsTable(holidays, kMaxHolidays, QStringLiteral("праздников"), error) ||
        !FitsTable(transfers, kMaxTransfers, QStringLiteral("переносов"), error))
        return result;

    for (int z = 0; z < kZoneCount && error.isEmpty(); ++z)
        if (const auto o = ObjectAt(zones[z], QStringLiteral("Зона %1").arg(z), error))
            s.zones[z] = ReadZone(*o, z, s.masks[z], error);
    s.holidays.clear();
    for (int i = 0; i < holidays.size() && error.isEmpty(); ++i)
        if (const auto o = ObjectAt(holidays[i], QStringLiteral("Праздник %1").arg(i + 1), error))
            s.holidays << ReadHoliday(*o, i + 1, error);
    for (int i = 0; i < transfers.size() && error.isEmpty(); ++i)
        if (const auto o = ObjectAt(transfers[i], QStringLiteral("Перенос %1").arg(i + 1), error))
            s.transfers << ReadTransfer(*o, i + 1, error);
    if (error.isEmpty()) result.schedule = s;
    return result;
}

TemplateLoad LoadScheduleTemplate(const QString &path) {
    const QString refused = QStringLiteral("Шаблон «%1» не загружен. ").arg(path);
    TemplateLoad result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = refused + QStringLiteral("Файл не открывается: %1.").arg(file.errorString());
        return result;
    }
    if (file.size() > kTemplateMaxBytes) {
        result.error =
            refused + QStringLiteral("Файл слишком велик для шаблона (%1 байт).").arg(file.size());
        return result;
    }
    // A device that reports no size (a pipe) is still read no further than the limit.
    const QByteArray json = file.read(kTemplateMaxBytes + 1);
    if (json.size() > kTemplateMaxBytes) {
        result.error = refused + QStringLiteral("Файл слишком велик для шаблона.");
        return result;
    }
    result = ScheduleFromJson(json);
    if (!result.schedule) result.error.prepend(refused);
    return result;
}

QString SaveScheduleTemplate(const QString &path, const Schedule &schedule) {
    const QString refused = QStringLiteral("Шаблон «%1» не сохранён. ").arg(path);
    const QByteArray json = ScheduleToJson(schedule);
    // The same rules as loading, so every saved template loads again.
    if (const TemplateLoad check = ScheduleFromJson(json); !check.schedule)
        return refused + check.error;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
        return refused + QStringLiteral("Файл не записан: %1.").arg(file.errorString());
    return {};
}

} // namespace ormix::meter
