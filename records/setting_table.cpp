#include "records/setting_table.h"

namespace ormix::records {

namespace {

// Widths are ours to choose: integers get room for their whole range (factory number
// up to 2147483647, DDM number 24 bits), readings twelve digits and two decimals.
constexpr SettingFieldInfo kFields[kSettingFieldCount] = {
    {"DATE_REC", 'D', 8, 0}, {"TIME_REC", 'C', 5, 0},  {"C_NUMBER", 'N', 12, 0},
    {"NCORRECT", 'N', 6, 0}, {"VERSION", 'C', 5, 0},   {"TURN_ON", 'N', 12, 0},
    {"STATUS", 'N', 6, 0},   {"RESET", 'L', 1, 0},     {"C_DATE", 'D', 8, 0},
    {"C_TIME", 'C', 8, 0},   {"SUMMER", 'L', 1, 0},    {"CORRECT", 'N', 6, 0},
    {"PASS", 'N', 6, 0},     {"T_1_1", 'N', 15, 2},    {"T_1_C", 'N', 15, 2},
    {"T_2_1", 'N', 15, 2},   {"T_2_C", 'N', 15, 2},    {"T_3_1", 'N', 15, 2},
    {"T_3_C", 'N', 15, 2},   {"REPORT", 'L', 1, 0},    {"INDICATOR", 'N', 6, 0},
    {"VDM", 'N', 10, 0},     {"ACCOUNT_D", 'N', 6, 0}, {"ACCOUNT_H", 'N', 6, 0},
};

struct ColumnDef {
    SettingField field;
    const char *title;
};
constexpr ColumnDef kColumns[kBrowseColumnCount] = {
    {SettingField::DateRec, "Дата зап."},
    {SettingField::TimeRec, "Время зап."},
    {SettingField::CNumber, "Номер"},
    {SettingField::Version, "Версия"},
    {SettingField::TurnOn, "Время вкл."},
    {SettingField::NCorrect, "Счет. корр."},
    {SettingField::CDate, "Дата"},
    {SettingField::CTime, "Время"},
    {SettingField::Status, "Статус"},
    {SettingField::Reset, "Сброс"},
    {SettingField::Summer, "Летн. время"},
    {SettingField::Correct, "Коррекция"},
    {SettingField::Pass, "Пароль"},
    {SettingField::Indicator, "Индикатор"},
    {SettingField::Vdm, "ДДМ"},
    {SettingField::T11, "Т1 (1 число)"},
    {SettingField::T1C, "Т1 (тек.)"},
    {SettingField::T21, "Т2 (1 число)"},
    {SettingField::T2C, "Т2 (тек.)"},
    {SettingField::T31, "Т3 (1 число)"},
    {SettingField::T3C, "Т3 (тек.)"},
    {SettingField::AccountD, "Расч. день"},
    {SettingField::AccountH, "Расч. час"},
};

DbfField Def(SettingField f) {
    const SettingFieldInfo &i = SettingFieldDef(f);
    return {i.name, i.type, i.width, i.decimals, 0};
}

} // namespace

const SettingFieldInfo &SettingFieldDef(SettingField f) {
    return kFields[static_cast<int>(f)];
}

QList<DbfField> NewSettingTableFields() {
    using F = SettingField;
    QList<DbfField> fields;
    for (F f : {F::DateRec, F::TimeRec, F::CNumber, F::NCorrect, F::Version, F::TurnOn, F::Status,
                F::Reset, F::CDate, F::CTime, F::Summer, F::Correct, F::Pass, F::T11, F::T21,
                F::T31, F::T1C, F::T2C, F::T3C})
        fields.append(Def(f));
    for (int i = 0; i < 6; ++i)
        fields.append({"ZONE_" + QByteArray::number(i), 'N', 6, 0, 0});
    for (int i = 0; i < 6; ++i)
        fields.append({"TIME_" + QByteArray::number(i), 'C', 5, 0, 0});
    for (F f : {F::Report, F::Indicator, F::Vdm, F::AccountD, F::AccountH})
        fields.append(Def(f));
    return fields;
}

QString BrowseColumnTitle(int column) {
    if (column < 0 || column >= kBrowseColumnCount) return {};
    return QString::fromUtf8(kColumns[column].title);
}

SettingField BrowseColumnField(int column) {
    return kColumns[column].field;
}

QString YesNoText(const QVariant &logical) {
    if (!logical.isValid() || logical.isNull()) return {};
    return logical.toBool() ? QStringLiteral("да") : QStringLiteral("нет");
}

} // namespace ormix::records
