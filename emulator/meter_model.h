#pragma once
// The meter's side of the protocol without any I/O: one checked request frame in,
// the reply bytes out, state kept in between. The clock is injected so tests can
// move time.
#include "emulator/meter_state.h"
#include <QByteArray>
#include <QDate>
#include <functional>

namespace ormix::emulator {

// How long access stays open after the last write or password frame (a read request
// closes it at once).
constexpr qint64 kAccessIdleMs = 60'000;

// Energy growth of the emulated load: 3.6 kW = 4 quarter-watt-hours a second.
constexpr std::uint64_t kEnergyCountsPerSecond = 4;

// The day type of holidays, the last bit of a zone's day-type mask.
constexpr int kHolidayDayType = 8;

// Which energy reply the meter gives: the one of its generation (0x0F: L 23 from
// firmware 3, 14 below; 0x17: L 26), or the short one without the billing-day values.
enum class EnergyReply { Auto, Short, Long };

class MeterModel {
public:
    using Clock = std::function<qint64()>; // real time, ms since 1970 UTC

    explicit MeterModel(const MeterState &state, Clock clock = {});

    // Reply to one request frame (code, length byte, data, CRC); never empty.
    QByteArray handle(const QByteArray &request);

    // The state with the clock and counters brought up to the current time.
    MeterState state();
    void setState(const MeterState &state);

    void setEnergyReply(EnergyReply r) { m_energyReply = r; }
    bool accessOpen();
    // True once after a frame changed the state (so the caller saves it).
    bool takeChanged();

    // The meter's wall time now (ms since 1970 read as UTC).
    qint64 meterTimeMs();

private:
    qint64 now() const;
    qint64 meterTimeAt(qint64 realMs) const;
    void advance();
    void rebaseClock();
    // 1 = Monday .. 7 = Sunday, 8 = holiday: a transfer slot names the day type of its date,
    // a holiday slot makes its day and month a holiday, any other date is its weekday.
    int dayTypeOn(const QDate &date) const;
    int tariffAt(qint64 meterMs) const;
    QByteArray reply(std::uint8_t code, const QByteArray &data) const;
    QByteArray dispatch(std::uint8_t code, const QByteArray &req);

    MeterState m_s;
    Clock m_clock;
    EnergyReply m_energyReply = EnergyReply::Auto;
    bool m_access = false;
    qint64 m_accessUntilMs = 0;
    bool m_changed = false;
};

// Error reply to a request of `code`: code + 0x80, 3, error, CRC.
QByteArray MakeErrorReply(std::uint8_t code, std::uint8_t error);

namespace MeterError {
constexpr std::uint8_t UnknownFunction = 1;
constexpr std::uint8_t WrongLength = 2;
constexpr std::uint8_t WrongChecksum = 3;
constexpr std::uint8_t WrongData = 4;
constexpr std::uint8_t AccessDenied = 6;
} // namespace MeterError

} // namespace ormix::emulator
