#pragma once
// What one poll cycle read from the meter, as the poll decoders returned it, and the two
// ways ormix-cli prints it. The settings page shows the same values.
#include "meter/poll_decoders.h"
#include "records/setting_log.h"
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

    // Hands a validated poll reply to its decoder; false for a code that is not a poll read.
    bool Decode(const QByteArray &reply);
};

// "name : value" lines with the settings page's captions, in the page's order.
QStringList SnapshotText(const MeterSnapshot &s);
// Stable English keys; numbers as numbers, readings in kWh to two decimals, null for what
// this meter's firmware does not report.
QJsonObject SnapshotJson(const MeterSnapshot &s);

// What the window's LogLocalRecord would read from the settings page after this write: the
// meter's values where the operator changed nothing, the written ones where he did.
records::LocalLogInput MakeCliLogInput(const MeterSnapshot &s, const CliWriteOptions &w,
                                       const QDateTime &writtenClock, const QDateTime &now);

} // namespace ormix::cli
