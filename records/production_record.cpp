#include "records/production_record.h"

#include "records/number_text.h"

#include <QJsonValue>
#include <QUuid>

namespace ormix::records {
namespace {

// --- JSON of a kept record: absent or null keys are NULL columns ---------------------------

constexpr auto kDateTimeFormat = Qt::ISODateWithMs;

template <typename T> void Put(QJsonObject &o, const char *key, const std::optional<T> &v) {
    if (!v) return;
    if constexpr (std::is_same_v<T, QDateTime>)
        o[QLatin1StringView(key)] = v->toString(kDateTimeFormat);
    else
        o[QLatin1StringView(key)] = QJsonValue(*v);
}

void Take(const QJsonObject &o, const char *key, std::optional<double> *v) {
    const QJsonValue j = o[QLatin1StringView(key)];
    if (j.isDouble()) *v = j.toDouble();
}
void Take(const QJsonObject &o, const char *key, std::optional<int> *v) {
    const QJsonValue j = o[QLatin1StringView(key)];
    if (j.isDouble()) *v = j.toInt();
}
void Take(const QJsonObject &o, const char *key, std::optional<qint64> *v) {
    const QJsonValue j = o[QLatin1StringView(key)];
    if (j.isDouble()) *v = qint64(j.toDouble());
}
void Take(const QJsonObject &o, const char *key, std::optional<bool> *v) {
    const QJsonValue j = o[QLatin1StringView(key)];
    if (j.isBool()) *v = j.toBool();
}
void Take(const QJsonObject &o, const char *key, std::optional<QDateTime> *v) {
    const QJsonValue j = o[QLatin1StringView(key)];
    if (!j.isString()) return;
    const QDateTime d = QDateTime::fromString(j.toString(), kDateTimeFormat);
    if (d.isValid()) *v = d;
}

const char *const kCurrentKeys[3] = {"t_1_c", "t_2_c", "t_3_c"};
const char *const kBillingKeys[3] = {"t_1_1", "t_2_1", "t_3_1"};

} // namespace

OperationRecord MakeOperationRecord(const meter::MeterShown &meter,
                                    const meter::WriteChoices &choices, bool withSettings,
                                    const Workstation &who) {
    OperationRecord r;
    r.clientKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.writtenAt = choices.writtenAt;
    r.workstation = who;
    r.number = meter::LoggedFactoryNumber(meter, choices);
    r.typeId = meter.meterTypeId;
    r.numberFieldEnabled = meter.numberFieldEnabled;
    r.withSettings = withSettings;

    // A meter without a measured drift counts as successful.
    const double drift = LocaleNumber(meter.driftText).value_or(0.0);
    r.success = drift >= kLowestGoodDrift && drift <= kHighestGoodDrift;

    r.version = meter.versionText;
    r.turnOn = meter.onTime.value_or(0);
    r.status = meter.lastStatus;
    r.ncorrect = meter.correctionCount.value_or(0);

    // Current readings first, then those of the billing day: the first text that is not
    // a number leaves it and every reading after it NULL.
    std::optional<double> *readings[6] = {&r.current[0], &r.current[1], &r.current[2],
                                          &r.billing[0], &r.billing[1], &r.billing[2]};
    const QString *texts[6] = {&meter.currentReadingText[0], &meter.currentReadingText[1],
                               &meter.currentReadingText[2], &meter.billingReadingText[0],
                               &meter.billingReadingText[1], &meter.billingReadingText[2]};
    for (int i = 0; i < 6; ++i) {
        const auto v = LocaleNumber(*texts[i]);
        if (!v) break;
        *readings[i] = v;
    }

    if (!withSettings) return r; // reset false, every other setting NULL

    if (choices.checkIndi) r.indicator = choices.display & 0x0F;
    r.reset = choices.checkStatus;
    if (choices.checkTime) {
        r.dateTime = QDateTime(choices.date, choices.time);
        r.summer = choices.summerTime;
    }
    if (choices.checkCorrect) r.correct = choices.correction;
    if (choices.checkPassword) r.pass = choices.newPassword; // as written, not reduced
    if (choices.checkSchedule && choices.firmwareMajor >= 6) {
        r.accountD = choices.billingDay;
        r.accountH = choices.billingHour;
    }
    if (choices.checkDdm && choices.ddmEnabled) r.vdm = choices.ddmNumber;
    r.secperday = LocaleNumber(meter.driftText);
    return r;
}

QJsonObject OperationRecord::ToJson() const {
    QJsonObject o;
    o["client_key"] = clientKey;
    o["written_at"] = writtenAt.toString(kDateTimeFormat);
    o["computer"] = workstation.computerName;
    o["login"] = workstation.loginName;
    o["computer_id"] = workstation.computerId;
    o["person_id"] = workstation.personId;
    o["plant_id"] = workstation.plantId;
    o["number"] = number;
    o["type_id"] = typeId;
    o["number_given"] = numberFieldEnabled;
    o["with_settings"] = withSettings;
    o["success"] = success;
    o["version"] = version;
    o["turn_on"] = turnOn;
    o["status"] = status;
    o["ncorrect"] = ncorrect;
    for (int i = 0; i < 3; ++i) {
        Put(o, kCurrentKeys[i], current[i]);
        Put(o, kBillingKeys[i], billing[i]);
    }
    o["reset"] = reset;
    Put(o, "date_time", dateTime);
    Put(o, "summer", summer);
    Put(o, "correct", correct);
    Put(o, "pass", pass);
    Put(o, "indicator", indicator);
    Put(o, "vdm", vdm);
    Put(o, "secperday", secperday);
    Put(o, "account_d", accountD);
    Put(o, "account_h", accountH);
    return o;
}

std::optional<OperationRecord> OperationRecord::FromJson(const QJsonObject &o) {
    OperationRecord r;
    r.clientKey = o["client_key"].toString();
    r.writtenAt = QDateTime::fromString(o["written_at"].toString(), kDateTimeFormat);
    if (r.clientKey.isEmpty() || !r.writtenAt.isValid() || !o["number"].isDouble())
        return std::nullopt;
    r.workstation.computerName = o["computer"].toString();
    r.workstation.loginName = o["login"].toString();
    r.workstation.computerId = o["computer_id"].toInt();
    r.workstation.personId = o["person_id"].toInt();
    r.workstation.plantId = o["plant_id"].toInt();
    r.number = qint64(o["number"].toDouble());
    r.typeId = o["type_id"].toInt();
    r.numberFieldEnabled = o["number_given"].toBool();
    r.withSettings = o["with_settings"].toBool();
    r.success = o["success"].toBool();
    r.version = o["version"].toString();
    r.turnOn = qint64(o["turn_on"].toDouble());
    r.status = o["status"].toInt();
    r.ncorrect = qint64(o["ncorrect"].toDouble());
    for (int i = 0; i < 3; ++i) {
        Take(o, kCurrentKeys[i], &r.current[i]);
        Take(o, kBillingKeys[i], &r.billing[i]);
    }
    r.reset = o["reset"].toBool();
    Take(o, "date_time", &r.dateTime);
    Take(o, "summer", &r.summer);
    Take(o, "correct", &r.correct);
    Take(o, "pass", &r.pass);
    Take(o, "indicator", &r.indicator);
    Take(o, "vdm", &r.vdm);
    Take(o, "secperday", &r.secperday);
    Take(o, "account_d", &r.accountD);
    Take(o, "account_h", &r.accountH);
    return r;
}

} // namespace ormix::records
