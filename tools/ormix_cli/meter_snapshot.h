#pragma once
// What one poll cycle read from the meter, as the poll decoders returned it, and the two
// ways ormix-cli prints it. The settings page shows the same values.
#include "meter/meter_shown.h"
#include "meter/reply_decoders.h"
#include "meter/write_choices.h"
#include "tools/ormix_cli/cli_options.h"

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>
#include <optional>

namespace ormix::cli {

struct MeterSnapshot {
    std::optional<meter::VersionReply> version;
    std::optional<meter::NumberReply> number;
    std::optional<meter::ClockReply> clock;
    std::optional<meter::CorrectionReply> correction;
    std::optional<meter::StatusReply> status;
    std::optional<meter::DisplayReply> display;
    std::optional<meter::EnergyReply> energy;
    std::optional<meter::OperatingTimeReply> operatingTime;
    std::optional<meter::DdmReply> ddm;
    std::optional<meter::BillingReply> billing;
    std::optional<meter::LastSessionReply> lastSession;

    int FirmwareMajor() const;
    QString VersionText() const;
    // The status lines of the settings page (Memo1) for this firmware.
    QStringList StatusLines() const;

    // Keeps a decoded poll reply; false for a reply of another kind.
    bool Keep(const meter::DecodedReply &reply);
};

// "name : value" lines with the settings page's captions, in the page's order.
QStringList SnapshotText(const MeterSnapshot &s);
// Stable English keys; numbers as numbers, readings in kWh to two decimals, null for what
// this meter's firmware does not report.
QJsonObject SnapshotJson(const MeterSnapshot &s);

// What the settings page would show of this meter after the read.
meter::MeterShown MeterShownOf(const MeterSnapshot &s);
// The write the options ask for, as the settings page would read it at the click:
// `clock` is the moment the clock frame carries (--time now: the moment of the click).
meter::WriteChoices WriteChoicesOf(const CliWriteOptions &w, int firmwareMajor,
                                   const QDateTime &clock);

} // namespace ormix::cli
