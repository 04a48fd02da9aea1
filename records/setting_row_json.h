#pragma once
// A Setting.DBF row as a JSON object, for the file of rows kept until the table takes them:
// field name -> number, text, boolean or {"date": "yyyy-MM-dd"}; a NULL field is left out.
#include "records/setting_table.h"

#include <QJsonObject>
#include <optional>

namespace ormix::records {

QJsonObject SettingRowToJson(const SettingRow &row);
// Nothing when the object is not such a row (a damaged or foreign line).
std::optional<SettingRow> SettingRowFromJson(const QJsonObject &object);

} // namespace ormix::records
