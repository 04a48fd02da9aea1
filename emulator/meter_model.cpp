#include "emulator/meter_model.h"
#include "link/commands.h"
#include "link/encodings.h"
#include "link/frame.h"
#include <QDateTime>
#include <QTimeZone>
#include <cmath>
#include <optional>

using namespace ormix::link;

namespace ormix::emulator {

namespace {

// Strict BCD for requests: a digit above 9 is wrong data.
std::optional<int> Bcd(const QByteArray &b, qsizetype i) {
    const std::uint8_t v = ByteAt(b, i);
    if ((v >> 4) > 9 || (v & 0x0F) > 9) return std::nullopt;
    return BcdToInt(v);
}

char B(int v) {
    return static_cast<char>(v & 0xFF);
}
char Bcd(int v) {
    return static_cast<char>(IntToBcd(v));
}

QDateTime WallTime(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}
qint64 WallMs(const QDate &d, const QTime &t) {
    return QDateTime(d, t, Qt::UTC).toMSecsSinceEpoch();
}

// Writes need the access a password frame opens; the password frame itself does not.
bool NeedsAccess(const CommandInfo &command) {
    return command.kind == CommandInfo::Write && command.code != Cmd::Password;
}

bool LengthOk(std::uint8_t code, int length, int major) {
    switch (code) {
    case Cmd::WriteNumber:
        return length == 5;
    case Cmd::WriteClock:
        return length == 10;
    case Cmd::WriteCorrection:
    case Cmd::WriteDisplay:
    case Cmd::ReadBillingMonthOld:
    case Cmd::ReadRecordOld:
    case Cmd::ReadYearlyRecord:
    case Cmd::ReadConsumption:
    case Cmd::ReadHoliday:
    case Cmd::ReadTransfer:
        return length == 3;
    case Cmd::WriteZones:
        return length == 2 || length == 20;
    case Cmd::Password:
    case Cmd::WriteBilling:
        return length == 4;
    case Cmd::WriteDdm:
        return length == (major < 6 ? 4 : 5);
    case Cmd::WriteHoliday:
        return length == 2 || length == 5;
    case Cmd::WriteTransfer:
        return length == 2 || length == 7;
    case Cmd::WriteDayAttributes:
        return length == 8;
    default:
        return length == 2;
    }
}

// Share of each tariff in the journals' made-up consumption.
constexpr std::array<std::uint64_t, 3> kMonthlyCounts{150 * 4000, 90 * 4000, 60 * 4000};
constexpr std::uint64_t kHalfMinutesPerMonth = 30 * 2880;

} // namespace

QByteArray MakeErrorReply(std::uint8_t code, std::uint8_t error) {
    QByteArray f;
    f.append(B(code + Cmd::ErrorBit));
    f.append(char(3));
    f.append(B(error));
    AppendCrc(f);
    return f;
}

MeterModel::MeterModel(const MeterState &state, Clock clock)
    : m_s(state), m_clock(std::move(clock)) {
    if (m_s.lastAdvanceMs == 0) m_s.lastAdvanceMs = now();
}

qint64 MeterModel::now() const {
    return m_clock ? m_clock() : QDateTime::currentMSecsSinceEpoch();
}

qint64 MeterModel::meterTimeMs() {
    return meterTimeAt(now());
}

qint64 MeterModel::meterTimeAt(qint64 real) const {
    const double rate = 1.0 + (m_s.driftPerDay + m_s.correction) / 86400.0;
    return m_s.clockBaseMs + std::llround(double(real - m_s.clockRealMs) * rate);
}

void MeterModel::rebaseClock() {
    m_s.clockBaseMs = meterTimeMs();
    m_s.clockRealMs = now();
}

int MeterModel::dayTypeOn(const QDate &date) const {
    for (const TransferSlot &t : m_s.transfers)
        if (t.day && QDate(t.year, t.month, t.day) == date) return t.dayType;
    for (const HolidaySlot &h : m_s.holidays)
        if (h.day && h.day == date.day() && h.month == date.month()) return kHolidayDayType;
    return date.dayOfWeek();
}

int MeterModel::tariffAt(qint64 meterMs) const {
    if (m_s.singleTariff) return 1;
    const QDateTime at = WallTime(meterMs);
    const int minute = at.time().hour() * 60 + at.time().minute();
    // From firmware 10 on a zone counts only on the day types of its mask.
    const bool masked = m_s.firmware.major >= 10;
    const int dayBit = dayTypeOn(at.date()) - 1;
    int tariff = m_s.zones[0].tariff, best = -1;
    for (std::size_t i = 0; i < m_s.zones.size(); ++i) {
        if (masked && !((m_s.masks[i] >> dayBit) & 1)) continue;
        const Zone &z = m_s.zones[i];
        const int start = z.hour * 60 + z.minute;
        if (start <= minute && start >= best) {
            best = start;
            tariff = z.tariff;
        }
    }
    return std::clamp(tariff, 1, 3);
}

void MeterModel::advance() {
    const qint64 t = now();
    const qint64 last = m_s.lastAdvanceMs;
    if (t <= last) return;
    // Counted on whole units of absolute time, so splitting an interval loses nothing.
    const qint64 rate = qint64(kEnergyCountsPerSecond);
    const std::uint64_t counts = std::uint64_t(t * rate / 1000 - last * rate / 1000);
    const std::uint64_t halfMinutes = std::uint64_t(t / 30000 - last / 30000);
    const qint64 meterBefore = meterTimeAt(last);
    m_s.energy[tariffAt(meterTimeMs()) - 1] += counts;
    m_s.operatingHalfMinutes = (m_s.operatingHalfMinutes + halfMinutes) & 0xFFFFFF;
    m_s.lastAdvanceMs = t;
    // The readings are held when the clock passes the billing day and hour.
    constexpr qint64 hourMs = 3'600'000;
    const qint64 first = meterBefore / hourMs + 1, lastHour = meterTimeMs() / hourMs;
    for (qint64 h = std::max(first, lastHour - 24 * 62); h <= lastHour; ++h) {
        const QDateTime at = WallTime(h * hourMs);
        if (at.date().day() == m_s.billingDay && at.time().hour() == m_s.billingHour) {
            m_s.billingEnergy = m_s.energy;
            break;
        }
    }
}

MeterState MeterModel::state() {
    advance();
    return m_s;
}

void MeterModel::setState(const MeterState &state) {
    m_s = state;
    if (m_s.lastAdvanceMs == 0) m_s.lastAdvanceMs = now();
}

bool MeterModel::accessOpen() {
    return m_access && now() <= m_accessUntilMs;
}

bool MeterModel::takeChanged() {
    return std::exchange(m_changed, false);
}

QByteArray MeterModel::reply(std::uint8_t code, const QByteArray &data) const {
    QByteArray f;
    f.append(B(code));
    f.append(B(data.size() + 2));
    f.append(data);
    AppendCrc(f);
    return f;
}

QByteArray MeterModel::handle(const QByteArray &request) {
    if (request.size() < 4)
        return MakeErrorReply(request.isEmpty() ? 0 : ByteAt(request, 0), MeterError::WrongLength);
    const std::uint8_t code = ByteAt(request, 0);
    if (!CheckCrc(request)) return MakeErrorReply(code, MeterError::WrongChecksum);
    const CommandInfo *cmd = FindCommand(code);
    const int major = m_s.firmware.major;
    if (!cmd || !CommandInFirmware(*cmd, major))
        return MakeErrorReply(code, MeterError::UnknownFunction);
    const int length = ByteAt(request, 1);
    if (length + 2 != request.size() || !LengthOk(code, length, major))
        return MakeErrorReply(code, MeterError::WrongLength);
    advance();
    // Access lasts for one unbroken run of password and write frames: the workstation
    // never mixes reads into a write sequence, so the next read ends it. Otherwise a
    // wrong password sent soon after a good write would be taken as a new password.
    if (cmd->kind == CommandInfo::Read) m_access = false;
    if (NeedsAccess(*cmd) && !accessOpen()) {
        m_access = false;
        return MakeErrorReply(code, MeterError::AccessDenied);
    }
    QByteArray r = dispatch(code, request.left(length));
    if (NeedsAccess(*cmd) && ByteAt(r, 0) == code) {
        m_accessUntilMs = now() + kAccessIdleMs;
        m_changed = true;
    }
    return r;
}

QByteArray MeterModel::dispatch(std::uint8_t code, const QByteArray &req) {
    const auto wrongData = [&] { return MakeErrorReply(code, MeterError::WrongData); };
    const auto ack = [&] { return reply(code, {}); };
    const int major = m_s.firmware.major;
    QByteArray d;
    switch (code) {
    case Cmd::ReadVersion:
        d.append(Bcd(m_s.firmware.minor)).append(Bcd(m_s.firmware.major));
        return reply(code, d);
    case Cmd::ReadNumber:
        AppendLE24(d, m_s.number);
        return reply(code, d);
    case Cmd::ReadClock: {
        const QDateTime t = WallTime(meterTimeMs());
        return reply(code, EncodeCalendarBlock(t.date(), t.time(), m_s.summerTime));
    }
    case Cmd::ReadCorrection:
        d.append(B(EncodeCorrection(m_s.correction)));
        return reply(code, d);
    case Cmd::ReadZones:
        if (m_s.singleTariff) return reply(code, {});
        for (const Zone &z : m_s.zones)
            d.append(B(z.tariff)).append(Bcd(z.hour)).append(Bcd(z.minute));
        return reply(code, d);
    case Cmd::ReadStatus:
        d.append(B(m_s.status));
        return reply(code, d);
    case Cmd::ReadDisplay:
        d.append(B(m_s.display));
        return reply(code, d);
    case Cmd::ReadEnergyOld: {
        for (auto e : m_s.energy)
            d.append(B((e / 40) % 100)); // hundredths of kWh
        for (auto e : m_s.energy)
            AppendCounter17(d, std::uint32_t(e / 4000));
        const bool withBilling =
            m_energyReply == EnergyReply::Auto ? major >= 3 : m_energyReply == EnergyReply::Long;
        if (withBilling)
            for (auto e : m_s.billingEnergy)
                AppendCounter17(d, std::uint32_t(e / 4000));
        return reply(code, d);
    }
    case Cmd::ReadEnergy:
        for (auto e : m_s.energy)
            AppendLE32(d, std::uint32_t(e));
        if (m_energyReply != EnergyReply::Short)
            for (auto e : m_s.billingEnergy)
                AppendLE32(d, std::uint32_t(e));
        return reply(code, d);
    case Cmd::ReadOperatingTime:
        AppendLE24(d, m_s.operatingHalfMinutes);
        d.append(B(m_s.correctionCount));
        return reply(code, d);
    case Cmd::ReadDdm:
        if (major < 6)
            AppendLE16(d, m_s.ddm & 0xFFFF);
        else
            AppendLE24(d, m_s.ddm & 0xFFFFFF);
        return reply(code, d);
    case Cmd::ReadBilling:
        d.append(Bcd(m_s.billingHour)).append(Bcd(m_s.billingDay));
        return reply(code, d);
    case Cmd::ReadLastDdmSession:
        d.append(char(0));
        AppendLE32(d, m_s.lastDdmSession);
        return reply(code, d);
    case Cmd::ReadDayAttributes:
        for (auto m : m_s.masks)
            d.append(B(m));
        return reply(code, d);
    case Cmd::ReadHoliday: {
        const int slot = ByteAt(req, 2);
        if (slot > 15) return wrongData();
        const HolidaySlot &h = m_s.holidays[slot];
        d.append(B(slot)).append(Bcd(h.day)).append(Bcd(h.month));
        return reply(code, d);
    }
    case Cmd::ReadTransfer: {
        const int slot = ByteAt(req, 2);
        if (slot > 15) return wrongData();
        const TransferSlot &t = m_s.transfers[slot];
        d.append(B(slot)).append(Bcd(t.day)).append(Bcd(t.month));
        d.append(Bcd(t.day ? t.year - 2000 : 0)).append(B(t.dayType));
        return reply(code, d);
    }
    case Cmd::ReadBillingMonthOld:
    case Cmd::ReadYearlyRecord: {
        const int m = ByteAt(req, 2);
        if (m > 11) return wrongData();
        // Month m of the last twelve; the current month is last year's.
        const QDate today = WallTime(meterTimeMs()).date();
        const int ago =
            (today.month() - 1 - m + 12) % 12 == 0 ? 12 : (today.month() - 1 - m + 12) % 12;
        const int year = today.addMonths(-ago).year();
        d.append(B(m));
        if (code == Cmd::ReadYearlyRecord) d.append(Bcd(year % 100));
        for (int t = 0; t < 3; ++t) {
            const std::uint64_t used = kMonthlyCounts[t] * ago;
            const std::uint64_t e = m_s.energy[t] > used ? m_s.energy[t] - used : 0;
            if (code == Cmd::ReadYearlyRecord)
                AppendLE32(d, std::uint32_t(e));
            else
                AppendCounter17(d, std::uint32_t(e / 4000));
        }
        const std::uint64_t hm = kHalfMinutesPerMonth * ago;
        AppendLE24(d, m_s.operatingHalfMinutes > hm ? std::uint32_t(m_s.operatingHalfMinutes - hm)
                                                    : 0);
        return reply(code, d);
    }
    case Cmd::ReadRecordOld: {
        const int i = ByteAt(req, 2);
        if (i > 11) return wrongData();
        // Twelve events, one every five days back from today, at varying hours.
        const QDateTime at = WallTime(meterTimeMs()).addDays(-5 * (i + 1)).addSecs(-3600 * 3 * i);
        d.append(B(i)).append(B(i + 1));
        d.append(Bcd(at.date().day())).append(Bcd(at.date().month()));
        d.append(Bcd(at.time().hour())).append(Bcd(at.time().minute()));
        d.append(B(i % 3 == 2 ? 0x07 : 0x00));
        return reply(code, d);
    }
    case Cmd::ReadConsumption: {
        const int p = ByteAt(req, 2);
        if (p > 78) return wrongData();
        // One record at midnight for each of the last 79 days, newest first.
        const QDate day = WallTime(meterTimeMs()).date().addDays(-p);
        d.append(B(p)).append(B(p + 1));
        d.append(Bcd(0)).append(Bcd(0)).append(Bcd(day.day())).append(Bcd(day.month()));
        for (int t = 0; t < 3; ++t) {
            const std::uint64_t used = kMonthlyCounts[t] / 30 * (p + 1);
            AppendLE32(d, std::uint32_t(m_s.energy[t] > used ? m_s.energy[t] - used : 0));
        }
        d.append(B(0));
        return reply(code, d);
    }

    case Cmd::Password: {
        const std::uint16_t value = std::uint16_t(ReadLE16(req, 2));
        if (accessOpen()) {
            // With access open, a password frame sets a new password.
            m_changed = m_changed || value != m_s.password;
            m_s.password = value;
        } else if (value != m_s.password) {
            m_access = false;
            return MakeErrorReply(code, MeterError::AccessDenied);
        }
        m_access = true;
        m_accessUntilMs = now() + kAccessIdleMs;
        return ack();
    }
    case Cmd::WriteNumber:
        m_s.number = ReadLE24(req, 2);
        return ack();
    case Cmd::WriteClock: {
        const auto ss = Bcd(req, 2), mm = Bcd(req, 3), hh = Bcd(req, 4), dd = Bcd(req, 6),
                   mo = Bcd(req, 7), yy = Bcd(req, 8);
        const int wd = ByteAt(req, 5);
        if (!ss || !mm || !hh || !dd || !mo || !yy || wd < 1 || wd > 7) return wrongData();
        const QDate date(2000 + *yy, *mo, *dd);
        const QTime time(*hh, *mm, *ss);
        if (!date.isValid() || !time.isValid()) return wrongData();
        m_s.clockBaseMs = WallMs(date, time);
        m_s.clockRealMs = now();
        m_s.summerTime = (ByteAt(req, 9) & 0x80) != 0;
        ++m_s.correctionCount;
        return ack();
    }
    case Cmd::WriteCorrection: {
        const std::uint8_t c = ByteAt(req, 2);
        if (c & 0xC0) return wrongData();
        rebaseClock();
        m_s.correction = DecodeCorrection(c);
        return ack();
    }
    case Cmd::WriteZones: {
        if (req.size() == 2) {
            m_s.singleTariff = true;
            return ack();
        }
        std::array<Zone, 6> zones;
        for (int z = 0; z < 6; ++z) {
            const int t = ByteAt(req, 2 + 3 * z);
            const auto h = Bcd(req, 3 + 3 * z), m = Bcd(req, 4 + 3 * z);
            if (t < 1 || t > 3 || !h || !m || *h > 23 || *m > 59) return wrongData();
            zones[z] = {t, *h, *m};
        }
        m_s.zones = zones;
        m_s.singleTariff = false;
        return ack();
    }
    case Cmd::ResetStatus:
        m_s.status = 0;
        return ack();
    case Cmd::WriteDisplay: {
        const std::uint8_t m = ByteAt(req, 2);
        if (m > 0x0F) return wrongData();
        m_s.display = m;
        return ack();
    }
    case Cmd::WriteDdm:
        m_s.ddm = major < 6 ? ReadLE16(req, 2) : ReadLE24(req, 2);
        return ack();
    case Cmd::WriteBilling: {
        const auto h = Bcd(req, 2), dd = Bcd(req, 3);
        if (!h || !dd || *h > 23 || *dd < 1 || *dd > 31) return wrongData();
        m_s.billingHour = *h;
        m_s.billingDay = *dd;
        return ack();
    }
    case Cmd::ResetBillingReadings:
        m_s.billingEnergy = {};
        return ack();
    case Cmd::WriteDayAttributes:
        for (int z = 0; z < 6; ++z)
            m_s.masks[z] = ByteAt(req, 2 + z);
        return ack();
    case Cmd::WriteHoliday: {
        if (req.size() == 2) {
            m_s.holidays = {};
            return ack();
        }
        const int slot = ByteAt(req, 2);
        const auto dd = Bcd(req, 3), mo = Bcd(req, 4);
        // 2000 is a leap year, so 29 February is a holiday date like any other.
        if (slot > 15 || !dd || !mo || !QDate(2000, *mo, *dd).isValid()) return wrongData();
        m_s.holidays[slot] = {*dd, *mo};
        return ack();
    }
    case Cmd::WriteTransfer: {
        if (req.size() == 2) {
            m_s.transfers = {};
            return ack();
        }
        const int slot = ByteAt(req, 2);
        const auto dd = Bcd(req, 3), mo = Bcd(req, 4), yy = Bcd(req, 5);
        const int type = ByteAt(req, 6);
        if (slot > 15 || !dd || !mo || !yy || !QDate(2000 + *yy, *mo, *dd).isValid() || type < 1 ||
            type > 8)
            return wrongData();
        m_s.transfers[slot] = {*dd, *mo, 2000 + *yy, type};
        return ack();
    }
    default:
        return MakeErrorReply(code, MeterError::UnknownFunction);
    }
}

} // namespace ormix::emulator
