#pragma once
// What start-up takes from the last logged operation: the local table gives the write
// password and the display set, the production database the tariff zones and the display
// set.
#include <QString>
#include <QTime>
#include <array>
#include <optional>

namespace ormix::records {

struct LogPrefill {
    std::optional<quint16> pass;     // LabeledPass1: the nearest integer, low 16 bits
    std::optional<int> indicator;    // CheckBox1..4 from bits 0..3
    bool oneTariff = true;           // CheckOneTarif: no logged operation holds a schedule
    std::array<QString, 6> zones;    // ValueListEditor1 rows "0".."5", when not oneTariff
    std::array<QTime, 6> zoneStarts; // Picker_Zone0..5
};

} // namespace ormix::records
