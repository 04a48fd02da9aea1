#include "records/setting_row_json.h"

#include <QDate>

namespace ormix::records {

namespace {
const QString kDateKey = QStringLiteral("date");
constexpr auto kDateFormat = Qt::ISODate;
} // namespace

QJsonObject SettingRowToJson(const SettingRow &row) {
    QJsonObject out;
    for (int i = 0; i < kSettingFieldCount; ++i) {
        const QVariant &v = row.values[i];
        if (v.isNull()) continue;
        const QString name = QString::fromLatin1(SettingFieldDef(SettingField(i)).name);
        switch (v.typeId()) {
        case QMetaType::QDate:
            out[name] = QJsonObject{{kDateKey, v.toDate().toString(kDateFormat)}};
            break;
        case QMetaType::Bool:
            out[name] = v.toBool();
            break;
        case QMetaType::QString:
            out[name] = v.toString();
            break;
        default:
            out[name] = v.toDouble();
        }
    }
    return out;
}

std::optional<SettingRow> SettingRowFromJson(const QJsonObject &object) {
    SettingRow row;
    int known = 0;
    for (int i = 0; i < kSettingFieldCount; ++i) {
        const QString name = QString::fromLatin1(SettingFieldDef(SettingField(i)).name);
        const QJsonValue v = object.value(name);
        if (v.isUndefined()) continue;
        ++known;
        // The value must be of the field's own kind: a date where a date goes, and so on.
        const char type = SettingFieldDef(SettingField(i)).type;
        if (type == 'D' && v.isObject()) {
            const QDate d = QDate::fromString(v.toObject().value(kDateKey).toString(), kDateFormat);
            if (!d.isValid()) return std::nullopt;
            row.values[i] = d;
        } else if (type == 'L' && v.isBool()) {
            row.values[i] = v.toBool();
        } else if (type == 'C' && v.isString()) {
            row.values[i] = v.toString();
        } else if (type == 'N' && v.isDouble()) {
            row.values[i] = v.toDouble();
        } else {
            return std::nullopt;
        }
    }
    // Every logged row has its date and time; anything else is no row of ours.
    if (known != object.size() || row[SettingField::DateRec].isNull()) return std::nullopt;
    return row;
}

} // namespace ormix::records
