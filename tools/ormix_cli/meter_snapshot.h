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

struct MeterSnapshot {
    std::optional<VersionReply> version;
    std::optional<NumberReply> number;
    std::optional<ClockReply> clock;
    std::optional<CorrectionReply> correction;
    std::optional<StatusReply> status;
    std::optional<DisplayReply> display;
    std::optional<EnergyReply> energy;
    std::optional<OperatingTimeReply> operatingTime;
    std::optional<DdmReply> ddm;
    std::optional<BillingReply> billing;
    std::optional<LastSessionReply> lastSession;

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
LocalLogInput MakeCliLogInput(const MeterSnapshot &s, const CliWriteOptions &w,
                              const QDateTime &writtenClock, const QDateTime &now);
