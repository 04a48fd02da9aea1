#pragma once
// Everything a meter remembers, as plain values. Saved to and loaded from a JSON
// state file so an emulated meter keeps its settings across runs.
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace ormix::emulator {

struct FirmwareVersion {
    int major = 6;
    int minor = 2;
    auto operator<=>(const FirmwareVersion &) const = default;
};

struct Zone {
    int tariff = 1; // 1..3
    int hour = 0;
    int minute = 0;
    bool operator==(const Zone &) const = default;
};

struct HolidaySlot {
    int day = 0; // 0 = empty slot
    int month = 0;
    bool operator==(const HolidaySlot &) const = default;
};

struct TransferSlot {
    int day = 0; // 0 = empty slot
    int month = 0;
    int year = 0;    // full year, 2000..2099
    int dayType = 0; // 1..8
    bool operator==(const TransferSlot &) const = default;
};

struct MeterState {
    FirmwareVersion firmware;
    std::uint32_t number = 0;   // factory number, 24 bits
    std::uint16_t password = 0; // access password
    std::uint8_t status = 0;
    int correction = 0;               // daily clock correction, -31..31 s
    std::uint8_t correctionCount = 0; // clock writes so far (wraps)
    std::uint8_t display = 0x0F;      // display set, bits 0..3
    int billingDay = 1;
    int billingHour = 0;
    std::uint32_t ddm = 0;            // 16 bits below firmware 6, 24 bits from 6
    std::uint32_t lastDdmSession = 0; // seconds since 2000

    // The clock: the meter's wall time (no time zone) at a moment of real time;
    // it runs at 1 + (drift + correction) / 86400 seconds per real second.
    qint64 clockBaseMs = 0; // meter wall time, ms since 1970 read as UTC
    qint64 clockRealMs = 0; // real time (ms since 1970 UTC) of clockBaseMs
    double driftPerDay = 0; // seconds per day, positive = runs fast
    bool summerTime = false;

    // Counters grow with the real time the meter is powered, up to lastAdvanceMs.
    std::uint32_t operatingHalfMinutes = 0;
    std::array<std::uint64_t, 3> energy{};        // quarter-watt-hours per tariff
    std::array<std::uint64_t, 3> billingEnergy{}; // held for the billing day
    qint64 lastAdvanceMs = 0;

    bool singleTariff = false;
    std::array<Zone, 6> zones{
        {{1, 0, 0}, {2, 6, 30}, {3, 8, 30}, {2, 11, 30}, {3, 17, 30}, {2, 20, 30}}};
    std::array<std::uint8_t, 6> masks{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::array<HolidaySlot, 16> holidays{};
    std::array<TransferSlot, 16> transfers{};

    bool operator==(const MeterState &) const = default;
};

// A meter as it leaves the factory: clock set to the local time of `realMs`.
MeterState DefaultMeterState(qint64 realMs);

QByteArray MeterStateToJson(const MeterState &s);
// Fields missing from the file keep the values of `base`. False with `error` set
// when the text is not a JSON object or a value is out of range.
bool MeterStateFromJson(const QByteArray &json, const MeterState &base, MeterState &out,
                        QString &error);

} // namespace ormix::emulator
