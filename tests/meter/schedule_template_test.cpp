#include "meter/schedule_template.h"
#include "meter_test_util.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace ormix::link;

using namespace ormix::meter;

namespace {
// The example of the format's documentation: what ships must load.
QByteArray DocumentedExample() {
    QFile doc(QStringLiteral(ORMIX_SOURCE_DIR "/docs/schedule-template.md"));
    EXPECT_TRUE(doc.open(QIODevice::ReadOnly));
    const QByteArray text = doc.readAll();
    const qsizetype begin = text.indexOf("```json\n") + 8;
    const qsizetype end = text.indexOf("\n```", begin);
    EXPECT_GT(begin, 8);
    return text.mid(begin, end - begin);
}

Schedule Unusual() {
    Schedule s;
    s.singleTariff = false;
    s.zones = {{{2, QTime(0, 0)},
                {1, QTime(7, 0)},
                {2, QTime(7, 0)},
                {3, QTime(17, 0)},
                {1, QTime(21, 0)},
                {2, QTime(23, 59)}}};
    s.masks = {0xFF, 0x1F, 0xE0, 0x00, 0x01, 0x80};
    s.holidays = {{29, 2}, {1, 5}, {1, 5}, {31, 12}};
    s.transfers = {{QDate(2099, 12, 31), 8}, {QDate(2000, 1, 1), 1}};
    return s;
}

TEST(ScheduleTemplate, TheDocumentedExampleLoads) {
    const TemplateLoad r = ScheduleFromJson(DocumentedExample());
    ASSERT_TRUE(r.schedule) << r.error.toStdString();
    EXPECT_FALSE(r.schedule->singleTariff);
    EXPECT_EQ(r.schedule->zones[3], (ZoneEntry{3, QTime(17, 0)}));
    EXPECT_EQ(r.schedule->masks[2], 0xE0); // СБ ВС ПР
    EXPECT_EQ(r.schedule->holidays.size(), 11);
    EXPECT_EQ(r.schedule->transfers, (QList<Transfer>{{QDate(2025, 11, 1), 1}}));
}

TEST(ScheduleTemplate, SavedAndLoadedBackUnchanged) {
    for (Schedule s : {Schedule(), Unusual()}) {
        const TemplateLoad r = ScheduleFromJson(ScheduleToJson(s));
        ASSERT_TRUE(r.schedule) << r.error.toStdString();
        EXPECT_EQ(*r.schedule, s);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("день-ночь.json"));
    ASSERT_EQ(SaveScheduleTemplate(path, Unusual()), QString());
    const TemplateLoad r = LoadScheduleTemplate(path);
    ASSERT_TRUE(r.schedule) << r.error.toStdString();
    EXPECT_EQ(*r.schedule, Unusual());
}

TEST(ScheduleTemplate, WhatIsNotAScheduleIsRefusedNamingWhatIsWrong) {
    const QJsonObject valid = QJsonDocument::fromJson(DocumentedExample()).object();
    const auto zone = [](QJsonObject &root, int z, const char *key, const QJsonValue &v) {
        QJsonArray zones = root[QStringLiteral("zones")].toArray();
        QJsonObject o = zones[z].toObject();
        o[QLatin1String(key)] = v;
        zones[z] = o;
        root[QStringLiteral("zones")] = zones;
    };
    const auto entry = [](QJsonObject &root, const char *list, int i, const char *key,
                          const QJsonValue &v) {
        QJsonArray a = root[QLatin1String(list)].toArray();
        QJsonObject o = a[i].toObject();
        o[QLatin1String(key)] = v;
        a[i] = o;
        root[QLatin1String(list)] = a;
    };
    const struct {
        const char *name;
        std::function<void(QJsonObject &)> change;
        const char *message;
    } cases[] = {
        {"no format marker", [](QJsonObject &r) { r.remove("format"); },
         "Файл не является шаблоном расписания: нет поля \"format\" со значением "
         "\"ormix-schedule\"."},
        {"a later version", [](QJsonObject &r) { r["version"] = 2; },
         "Шаблон версии 2 не читается: программа знает версию 1."},
        {"version as text", [](QJsonObject &r) { r["version"] = "1"; },
         "Шаблон: поле \"version\" должно быть целым числом."},
        {"a misspelt field", [](QJsonObject &r) { r["holiday"] = QJsonArray(); },
         "Шаблон: неизвестное поле \"holiday\"."},
        {"mode missing", [](QJsonObject &r) { r.remove("singleTariff"); },
         "Шаблон: нет поля \"singleTariff\"."},
        {"mode as text", [](QJsonObject &r) { r["singleTariff"] = "нет"; },
         "Шаблон: поле \"singleTariff\" должно быть true или false."},
        {"five zones",
         [](QJsonObject &r) {
             QJsonArray z = r["zones"].toArray();
             z.removeLast();
             r["zones"] = z;
         },
         "Шаблон: зон должно быть ровно 6, а в файле 5."},
        {"zones not a list", [](QJsonObject &r) { r["zones"] = QJsonObject(); },
         "Шаблон: поле \"zones\" должно быть списком."},
        {"a zone that is not an object",
         [](QJsonObject &r) {
             QJsonArray z = r["zones"].toArray();
             z[4] = 3;
             r["zones"] = z;
         },
         "Зона 4: ожидался объект JSON."},
        {"tariff 4", [&](QJsonObject &r) { zone(r, 2, "tariff", 4); },
         "Зона 2: тариф 4, а допустимы 1, 2 и 3."},
        {"tariff 0", [&](QJsonObject &r) { zone(r, 0, "tariff", 0); },
         "Зона 0: тариф 0, а допустимы 1, 2 и 3."},
        {"tariff as text", [&](QJsonObject &r) { zone(r, 1, "tariff", "1"); },
         "Зона 1: поле \"tariff\" должно быть целым числом."},
        {"tariff 1.5", [&](QJsonObject &r) { zone(r, 1, "tariff", 1.5); },
         "Зона 1: поле \"tariff\" должно быть целым числом."},
        {"start 24:00", [&](QJsonObject &r) { zone(r, 5, "start", "24:00"); },
         "Зона 5: время начала \"24:00\" не является временем ЧЧ:ММ от 00:00 до 23:59."},
        {"start 8:30", [&](QJsonObject &r) { zone(r, 3, "start", "8:30"); },
         "Зона 3: время начала \"8:30\" не является временем ЧЧ:ММ от 00:00 до 23:59."},
        {"start 12:60", [&](QJsonObject &r) { zone(r, 3, "start", "12:60"); },
         "Зона 3: время начала \"12:60\" не является временем ЧЧ:ММ от 00:00 до 23:59."},
        // A regular expression's "$" lets a final line break through; the time did not.
        {"start with a line break behind it",
         [&](QJsonObject &r) { zone(r, 4, "start", "21:00\n"); },
         "Зона 4: время начала \"21:00\n\" не является временем ЧЧ:ММ от 00:00 до 23:59."},
        {"start as a number", [&](QJsonObject &r) { zone(r, 3, "start", 830); },
         "Зона 3: поле \"start\" должно быть строкой."},
        {"an unknown day type",
         [&](QJsonObject &r) {
             zone(r, 1, "days", QJsonArray{"ПН", "ПНД"});
         },
         "Зона 1: неизвестный тип дня \"ПНД\" (допустимы ПН, ВТ, СР, ЧТ, ПТ, СБ, ВС, ПР)."},
        {"a day type as a number", [&](QJsonObject &r) { zone(r, 1, "days", QJsonArray{1}); },
         "Зона 1: неизвестный тип дня 1 (допустимы ПН, ВТ, СР, ЧТ, ПТ, СБ, ВС, ПР)."},
        {"a zone field misspelt", [&](QJsonObject &r) { zone(r, 0, "tarif", 1); },
         "Зона 0: неизвестное поле \"tarif\"."},
        {"17 holidays",
         [](QJsonObject &r) {
             QJsonArray h = r["holidays"].toArray();
             for (int i = 0; i < 6; ++i)
                 h.append(h[i]);
             r["holidays"] = h;
         },
         "Шаблон: праздников 17, а счётчик хранит не больше 16."},
        {"30 February",
         [&](QJsonObject &r) {
             entry(r, "holidays", 2, "day", 30), entry(r, "holidays", 2, "month", 2);
         },
         "Праздник 3: даты 30.02 не бывает."},
        {"month 13", [&](QJsonObject &r) { entry(r, "holidays", 0, "month", 13); },
         "Праздник 1: даты 01.13 не бывает."},
        {"a holiday without its month",
         [&](QJsonObject &r) {
             QJsonArray h = r["holidays"].toArray();
             h[1] = QJsonObject{{"day", 2}};
             r["holidays"] = h;
         },
         "Праздник 2: нет поля \"month\"."},
        {"17 transfers",
         [](QJsonObject &r) {
             QJsonArray t;
             for (int i = 0; i < 17; ++i)
                 t.append(QJsonObject{{"date", "2030-01-01"}, {"dayType", "ПН"}});
             r["transfers"] = t;
         },
         "Шаблон: переносов 17, а счётчик хранит не больше 16."},
        {"29 February 2025",
         [&](QJsonObject &r) { entry(r, "transfers", 0, "date", "2025-02-29"); },
         "Перенос 1: даты \"2025-02-29\" не бывает (нужен вид ГГГГ-ММ-ДД)."},
        {"a date the other way round",
         [&](QJsonObject &r) { entry(r, "transfers", 0, "date", "01.11.2025"); },
         "Перенос 1: даты \"01.11.2025\" не бывает (нужен вид ГГГГ-ММ-ДД)."},
        {"a date with a line break behind it",
         [&](QJsonObject &r) { entry(r, "transfers", 0, "date", "2025-11-01\n"); },
         "Перенос 1: даты \"2025-11-01\n\" не бывает (нужен вид ГГГГ-ММ-ДД)."},
        {"a year the meter cannot keep",
         [&](QJsonObject &r) { entry(r, "transfers", 0, "date", "2100-01-04"); },
         "Перенос 1: год 2100 вне 2000–2099: счётчик хранит две цифры года."},
        {"a transfer to an unknown day type",
         [&](QJsonObject &r) { entry(r, "transfers", 0, "dayType", "понедельник"); },
         "Перенос 1: неизвестный тип дня \"понедельник\" (допустимы ПН, ВТ, СР, ЧТ, ПТ, СБ, ВС, "
         "ПР)."},
    };
    for (const auto &c : cases) {
        QJsonObject root = valid;
        c.change(root);
        const TemplateLoad r = ScheduleFromJson(QJsonDocument(root).toJson());
        EXPECT_FALSE(r.schedule) << c.name;
        EXPECT_EQ(r.error, QString::fromUtf8(c.message)) << c.name;
    }
    const struct {
        QByteArray bytes;
        const char *message;
    } raw[] = {
        {"", "Файл не является документом JSON (ошибка в строке 1 около знака 1)."},
        {"Зона 0: 00:00", "Файл не является документом JSON (ошибка в строке 1 около знака 2)."},
        // Letters, not bytes: the Cyrillic before the fault counts one each.
        {"{\n\"comment\": \"Линия 3\" \"format\": 1}",
         "Файл не является документом JSON (ошибка в строке 2 около знака 23)."},
        {"[1, 2]", "Файл не является шаблоном расписания: в нём нет объекта JSON."},
    };
    for (const auto &c : raw)
        EXPECT_EQ(ScheduleFromJson(c.bytes).error, QString::fromUtf8(c.message))
            << c.bytes.constData();
}

TEST(ScheduleTemplate, ARefusedFileOrScheduleChangesNoFile) {
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.json"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"format": "ormix-schedule", "version": 1, "zones": 6})");
    f.close();
    EXPECT_EQ(
        LoadScheduleTemplate(bad).error,
        QStringLiteral("Шаблон «%1» не загружен. Шаблон: нет поля \"singleTariff\".").arg(bad));
    const TemplateLoad missing = LoadScheduleTemplate(dir.filePath(QStringLiteral("нет.json")));
    EXPECT_FALSE(missing.schedule);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("не загружен. Файл не открывается: ")))
        << missing.error.toStdString();

    const QString big = dir.filePath(QStringLiteral("big.json"));
    QFile b(big);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write(QByteArray(kTemplateMaxBytes + 1, ' '));
    b.close();
    EXPECT_TRUE(LoadScheduleTemplate(big).error.endsWith(
        QStringLiteral("Файл слишком велик для шаблона (1048577 байт).")));

    // A tariff read from a meter outside 1..3 would not load again: nothing is written, and
    // a template already there stays as it was.
    const QString kept = dir.filePath(QStringLiteral("kept.json"));
    ASSERT_EQ(SaveScheduleTemplate(kept, Schedule()), QString());
    Schedule odd = Unusual();
    odd.zones[4].tariff = 7;
    EXPECT_EQ(SaveScheduleTemplate(kept, odd),
              QStringLiteral("Шаблон «%1» не сохранён. Зона 4: тариф 7, а допустимы 1, 2 и 3.")
                  .arg(kept));
    EXPECT_EQ(LoadScheduleTemplate(kept).schedule, Schedule());
    EXPECT_FALSE(SaveScheduleTemplate(dir.filePath(QStringLiteral("no/such/dir.json")), Schedule())
                     .isEmpty());
}
} // namespace
