#include "meter/schedule_frames.h"

#include "link/commands.h"
#include "link/encodings.h"
#include "link/frame.h"
#include "meter/schedule_editing.h"
#include "meter/write_sequence.h"

using namespace ormix::link;

namespace ormix::meter {

namespace {
constexpr int kSlots = 16;

QString ScheduleError(const QString &what) {
    return QStringLiteral("Ошибка в тарифном расписании. ") + what;
}

char Byte(int v) {
    return static_cast<char>(v & 0xFF);
}
char Bcd(int v) {
    return static_cast<char>(IntToBcd(v));
}

bool WeekdayMarked(const Masks &masks) {
    constexpr std::uint8_t kWeekdayBits = 0x7F; // ПН..ВС; bit 7 is the holiday column
    for (std::uint8_t m : masks)
        if (m & kWeekdayBits) return true;
    return false;
}

// The checks of the page's own rules, in the order the operator meets their messages.
QString CheckOrderAndMarks(const Schedule &s, int firmwareMajor) {
    const bool extras = firmwareMajor >= kExtrasFirmware;
    for (int z = 1; z < kZoneCount; ++z) {
        const int before = MinuteOfDay(s.zones[z - 1].start), here = MinuteOfDay(s.zones[z].start);
        // Equal neighbours are an empty zone: the newer firmware takes them, the older not.
        if (extras ? here < before : here <= before)
            return extras ? ZonesMustNotDecreaseMessage() : ZonesMustIncreaseMessage();
    }
    if (!extras) return {};
    for (int z = 0; z < kZoneCount; ++z)
        if (s.masks[z] == 0) return ZoneUndefinedMessage(z);
    if (!WeekdayMarked(s.masks)) return NoWeekdayMarksMessage();
    return {};
}

// What a frame could not carry. The page cannot produce these, a template or a caller can.
QString CheckCarried(const Schedule &s, int firmwareMajor) {
    if (s.singleTariff) return {};
    for (int z = 0; z < kZoneCount; ++z) {
        const int t = s.zones[z].tariff;
        if (t < kLowestTariff || t > kHighestTariff)
            return ScheduleError(QStringLiteral("Тариф зоны %1 должен быть 1, 2 или 3.").arg(z));
    }
    if (firmwareMajor < kExtrasFirmware) return {};
    if (s.holidays.size() > kMaxHolidays)
        return ScheduleError(QStringLiteral("Праздников %1, а счётчик хранит не больше %2.")
                                 .arg(s.holidays.size())
                                 .arg(kMaxHolidays));
    for (const Holiday &h : s.holidays)
        if (!IsValidHoliday(h))
            return ScheduleError(QStringLiteral("Неверная дата праздника: %1.%2.")
                                     .arg(h.day, 2, 10, QLatin1Char('0'))
                                     .arg(h.month, 2, 10, QLatin1Char('0')));
    if (s.transfers.size() > kMaxTransfers)
        return ScheduleError(QStringLiteral("Переносов %1, а счётчик хранит не больше %2.")
                                 .arg(s.transfers.size())
                                 .arg(kMaxTransfers));
    for (const Transfer &t : s.transfers) {
        if (!t.date.isValid() || !IsTransferYear(t.date.year()))
            return ScheduleError(QStringLiteral("Дата переноса %1 вне 2000–2099 годов.")
                                     .arg(t.date.toString(QStringLiteral("dd.MM.yyyy"))));
        if (t.dayType < 1 || t.dayType > kDayTypeCount)
            return ScheduleError(QStringLiteral("Неверный тип дня переноса %1.")
                                     .arg(t.date.toString(QStringLiteral("dd.MM.yyyy"))));
    }
    return {};
}

QByteArray ZoneData(const Zones &zones) {
    QByteArray d;
    for (const ZoneEntry &z : zones)
        d.append(Byte(z.tariff)).append(Bcd(z.start.hour())).append(Bcd(z.start.minute()));
    return d;
}

QByteArray MaskData(const Masks &masks) {
    QByteArray d;
    for (std::uint8_t m : masks)
        d.append(static_cast<char>(m));
    return d;
}

QByteArray HolidayFrame(int slot, const Holiday &h) {
    QByteArray d;
    d.append(Byte(slot)).append(Bcd(h.day)).append(Bcd(h.month));
    return MakeFrame(Cmd::WriteHoliday, d);
}

QByteArray TransferFrame(int slot, const Transfer &t) {
    QByteArray d;
    d.append(Byte(slot)).append(Bcd(t.date.day())).append(Bcd(t.date.month()));
    d.append(Bcd(t.date.year() - 2000)).append(Byte(t.dayType));
    return MakeFrame(Cmd::WriteTransfer, d);
}
} // namespace

QString ZonesMustIncreaseMessage() {
    return ScheduleError(QStringLiteral("Время в расписании должно нарастать."));
}
QString ZonesMustNotDecreaseMessage() {
    return ScheduleError(QStringLiteral("Время в расписании не должно убывать."));
}
QString ZoneUndefinedMessage(int zone) {
    // The meter's own wording has no blank after the number.
    return ScheduleError(QStringLiteral("Зона %1не определена.").arg(zone));
}
QString NoWeekdayMarksMessage() {
    return ScheduleError(QStringLiteral("Нет данных для дней недели."));
}

QList<QByteArray> ScheduleReadFrames(int firmwareMajor) {
    QList<QByteArray> frames{MakeFrame(Cmd::ReadZones)};
    if (firmwareMajor < kExtrasFirmware) return frames;
    frames << MakeFrame(Cmd::ReadDayAttributes);
    for (int s = 0; s < kSlots; ++s)
        frames << MakeFrame(Cmd::ReadHoliday, QByteArray(1, Byte(s)));
    for (int s = 0; s < kSlots; ++s)
        frames << MakeFrame(Cmd::ReadTransfer, QByteArray(1, Byte(s)));
    return frames;
}

QString ValidateSchedule(const Schedule &s, int firmwareMajor) {
    for (int z = 0; z < kZoneCount; ++z)
        if (!s.zones[z].start.isValid())
            return ScheduleError(QStringLiteral("Неверное время зоны %1.").arg(z));
    QString error = CheckOrderAndMarks(s, firmwareMajor);
    if (error.isEmpty()) error = CheckCarried(s, firmwareMajor);
    return error;
}

ScheduleWriteSequence BuildScheduleWrite(const ScheduleWriteChoices &c) {
    ScheduleWriteSequence seq;
    seq.error = ValidateSchedule(c.schedule, c.firmwareMajor);
    if (!seq.ok()) return seq;
    if (!PasswordInRange(c.accessPassword)) {
        seq.error = WritePasswordRangeMessage();
        return seq;
    }
    QByteArray password;
    AppendLE16(password, static_cast<std::uint32_t>(c.accessPassword));
    seq.frames << MakeFrame(Cmd::Password, password);

    const Schedule &s = c.schedule;
    if (s.singleTariff) {
        seq.frames << MakeFrame(Cmd::WriteZones);
        return seq;
    }
    seq.frames << MakeFrame(Cmd::WriteZones, ZoneData(s.zones));
    if (c.firmwareMajor < kExtrasFirmware) return seq;
    seq.frames << MakeFrame(Cmd::WriteDayAttributes, MaskData(s.masks));
    // Each table is cleared first, so slots beyond the list do not keep old dates.
    seq.frames << MakeFrame(Cmd::WriteHoliday);
    for (int i = 0; i < s.holidays.size(); ++i)
        seq.frames << HolidayFrame(i, s.holidays[i]);
    seq.frames << MakeFrame(Cmd::WriteTransfer);
    for (int i = 0; i < s.transfers.size(); ++i)
        seq.frames << TransferFrame(i, s.transfers[i]);
    return seq;
}

} // namespace ormix::meter
