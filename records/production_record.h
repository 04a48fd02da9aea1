#pragma once
// What a completed write leaves in the production database: the page's view of the meter
// and the operator's choices turned into one operation and its set_tariff_3 row. Pure
// data, so the same record is sent at once or kept and sent later unchanged.
#include "meter/meter_shown.h"
#include "meter/write_choices.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace ormix::records {

// Who logs: this workstation, its operator and installation (0 = not identified yet;
// a kept operation is then identified by the names when it is sent).
struct Workstation {
    QString computerName;
    QString loginName;
    int computerId = 0;
    int personId = 0;
    int plantId = 0;
};

// One programming operation as it goes to the database. NULL columns are nullopt.
struct OperationRecord {
    QString clientKey; // made by the workstation, recorded with the operation
    QDateTime writtenAt;
    Workstation workstation;

    qint64 number = 0;
    int typeId = 6;
    bool numberFieldEnabled = false;
    bool withSettings = true; // false: "Зафиксировать в БД" (no repair or duplicate check)
    bool success = true;

    QString version;
    qint64 turnOn = 0;
    int status = 0;
    qint64 ncorrect = 0;
    std::optional<double> current[3]; // t_1_c..t_3_c
    std::optional<double> billing[3]; // t_1_1..t_3_1
    bool reset = false;
    std::optional<QDateTime> dateTime;
    std::optional<bool> summer;
    std::optional<int> correct;
    std::optional<qint64> pass;
    std::optional<int> indicator;
    std::optional<qint64> vdm;
    std::optional<double> secperday;
    std::optional<int> accountD, accountH;

    QJsonObject ToJson() const;
    // nullopt when `json` is not a record of this kind (a damaged or foreign row).
    static std::optional<OperationRecord> FromJson(const QJsonObject &json);
};

// The drift range within which a programming operation counts as successful, seconds a
// day, both ends included.
constexpr double kLowestGoodDrift = -3.0;
constexpr double kHighestGoodDrift = 1.0;

// The record of a completed write (`withSettings` true) or of "Зафиксировать в БД"
// (false, the choices then count only for their moment). The readings and the drift are
// read with the current locale's decimal separator, as the page shows them.
OperationRecord MakeOperationRecord(const meter::MeterShown &meter,
                                    const meter::WriteChoices &choices, bool withSettings,
                                    const Workstation &who);

} // namespace ormix::records
