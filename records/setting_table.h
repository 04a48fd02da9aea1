#pragma once
// The local log table Setting.DBF: its fields, a row of it, and the browse columns.
#include "records/dbf_file.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <array>

namespace ormix::records {

// Fields this system writes or reads, in the order a new table declares them
// (ZONE_n and TIME_n follow, never written).
enum class SettingField {
    DateRec,
    TimeRec,
    CNumber,
    NCorrect,
    Version,
    TurnOn,
    Status,
    Reset,
    CDate,
    CTime,
    Summer,
    Correct,
    Pass,
    T11,
    T1C,
    T21,
    T2C,
    T31,
    T3C,
    Report,
    Indicator,
    Vdm,
    AccountD,
    AccountH,
};
constexpr int kSettingFieldCount = 24;

struct SettingFieldInfo {
    const char *name; // dBase field name
    char type;        // the type a new table gets: C, N, D, L
    int width;
    int decimals;
};
const SettingFieldInfo &SettingFieldDef(SettingField f);

// Fields of a new table: the above plus ZONE_0..ZONE_5 N(6,0) and TIME_0..TIME_5 C(5).
QList<DbfField> NewSettingTableFields();

// One row; an invalid QVariant is NULL. Dates are QDate, strings QString,
// numbers double, logicals bool.
struct SettingRow {
    std::array<QVariant, kSettingFieldCount> values;
    QVariant &operator[](SettingField f) { return values[static_cast<int>(f)]; }
    const QVariant &operator[](SettingField f) const { return values[static_cast<int>(f)]; }
};

// Table1's filter: date_rec between `from` and `to` inclusive (to before from: no rows),
// and c_number = number when number > 0.
struct LogFilter {
    QDate from;
    QDate to;
    qint64 number = 0;
};

// Browse columns of DBGrid1, left to right.
enum class BrowseColumn {
    DateRec,
    TimeRec,
    CNumber,
    Version,
    TurnOn,
    NCorrect,
    CDate,
    CTime,
    Status,
    ResetF,
    SumerCorrect,
    Correct,
    Pass,
    Indicator,
    Vdm,
    T11,
    T1C,
    T21,
    T2C,
    T31,
    T3C,
    AccountD,
    AccountH,
};
constexpr int kBrowseColumnCount = 23;
QString BrowseColumnTitle(int column);
// The stored field behind a column (Reset and Summer for the two calculated ones).
SettingField BrowseColumnField(int column);

// The calculated fields ResetF and Sumer_correct: "" for NULL, "да", "нет".
QString YesNoText(const QVariant &logical);

} // namespace ormix::records
