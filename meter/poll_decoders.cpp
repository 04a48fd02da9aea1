#include "meter/poll_decoders.h"

#include "meter/formats.h"
#include "meter/reply_fields.h"
#include "meter/schedule_editing.h"

#include <QLocale>
#include <cmath>

using namespace ormix::link;

namespace ormix::meter {

namespace {
QDateTime WallClock(const QDateTime &moment) {
    return QDateTime(moment.date(), moment.time(), Qt::UTC);
}
} // namespace

QString MeterTimeText(const QTime &time) {
    QLocale locale;
    // Qt's long time format ends with the time zone ("t"); the meter's clock has none.
    QString format = locale.timeFormat(QLocale::LongFormat);
    QString cleaned;
    bool quoted = false;
    for (const QChar ch : format) {
        if (ch == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && ch == QLatin1Char('t')) continue;
        cleaned.append(ch);
    }
    return locale.toString(time, cleaned.simplified());
}

QString MeterDateTimeText(const QDateTime &moment) {
    return QLocale().toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           MeterTimeText(moment.time());
}

FirmwareLayout LayoutForFirmware(int major) {
    FirmwareLayout l;
    l.firmwareMajor = major;
    l.ddmControlsEnabled = major >= 3;
    l.meterTypeId = major < 3 ? 1 : 6;
    if (!l.ddmControlsEnabled) l.ddmValue = 1;
    if (major < 6) l.ddmMaximum = 65535;
    l.oldJournalsVisible = major < 6;
    l.newJournalsVisible = major >= 6;
    l.checkResetVisible = major >= 6;
    l.scheduleExtrasVisible = ExtrasVisible(major);
    l.billingWritable = major >= 6;
    return l;
}

VersionReply DecodeVersion(const QByteArray &reply) {
    VersionReply r;
    if (ReplyHas(reply, 2, 1)) r.minor = BcdToInt(ByteAt(reply, 2));
    if (ReplyHas(reply, 3, 1)) {
        r.major = BcdToInt(ByteAt(reply, 3));
        r.text = QStringLiteral("%1.%2").arg(*r.major).arg(*r.minor);
        r.layout = LayoutForFirmware(*r.major);
    }
    return r;
}

NumberReply DecodeNumber(const QByteArray &reply) {
    NumberReply r;
    if (ReplyHas(reply, 2, 3)) r.number = ReadLE24(reply, 2);
    return r;
}

ClockReply DecodeClock(const QByteArray &reply) {
    ClockReply r;
    std::optional<QString> timeText;
    if (ReplyHas(reply, 2, 3)) {
        const int s = BcdToInt(ByteAt(reply, 2));
        const int m = BcdToInt(ByteAt(reply, 3));
        const int h = BcdToInt(ByteAt(reply, 4));
        if (QTime::isValid(h, m, s)) {
            r.time = QTime(h, m, s);
            timeText = MeterTimeText(*r.time);
            r.curTimeText = timeText;
        } else {
            r.protocolLines << QStringLiteral("Получено ошибочное время");
        }
    }
    if (ReplyHas(reply, 5, 1)) r.weekday = ByteAt(reply, 5);
    if (ReplyHas(reply, 6, 3)) {
        const int day = BcdToInt(ByteAt(reply, 6));
        const int month = BcdToInt(ByteAt(reply, 7));
        const int year = 2000 + BcdToInt(ByteAt(reply, 8));
        if (QDate::isValid(year, month, day)) {
            r.date = QDate(year, month, day);
            QString text = QLocale().toString(*r.date, QLocale::ShortFormat);
            if (timeText) text += QLatin1Char(' ') + *timeText;
            r.curTimeText = text;
            r.meterMoment = QDateTime(*r.date, r.time.value_or(QTime(0, 0)), Qt::UTC);
        } else {
            r.protocolLines << QStringLiteral("Получена ошибочная дата");
        }
    }
    if (r.date && r.weekday && r.date->dayOfWeek() != *r.weekday)
        r.protocolLines << QStringLiteral("Предупреждение: Получен ошибочный день недели");
    if (ReplyHas(reply, 9, 1)) r.summerTime = (ByteAt(reply, 9) & 0x80) != 0;
    return r;
}

QString DriftText(double secondsPerDay) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    if (!std::isfinite(secondsPerDay) || std::fabs(secondsPerDay) >= 1e5)
        return locale.toString(secondsPerDay, 'E', 4);
    return locale.toString(secondsPerDay, 'f', 2);
}

std::optional<DriftResult> UpdateDrift(const QDateTime &meterMoment, const QDateTime &now,
                                       const QDateTime &lastProgrammedAt, DriftState state) {
    if (!meterMoment.isValid() || !now.isValid() || !lastProgrammedAt.isValid())
        return std::nullopt;
    const qint64 meterMs = WallClock(meterMoment).toMSecsSinceEpoch();
    const qint64 nowMs = WallClock(now).toMSecsSinceEpoch();
    const qint64 lastMs = WallClock(lastProgrammedAt).toMSecsSinceEpoch();
    constexpr qint64 kHalfDayMs = 12 * 3600 * 1000LL;
    if (nowMs - lastMs <= kHalfDayMs) return std::nullopt;
    // Seconds of deviation per day of running since the clock was set.
    const double drift = double(meterMs - nowMs) / double(nowMs - lastMs) * 86400.0;
    DriftResult r;
    r.state.sum = state.sum + drift;
    r.state.count = state.count + 1;
    r.text = DriftText(r.state.sum / r.state.count);
    return r;
}

CorrectionReply DecodeCorrectionReply(const QByteArray &reply) {
    CorrectionReply r;
    if (ReplyHas(reply, 2, 1)) r.correction = DecodeCorrection(ByteAt(reply, 2));
    return r;
}

StatusReply DecodeStatus(const QByteArray &reply) {
    StatusReply r;
    if (ReplyHas(reply, 2, 1)) r.status = ByteAt(reply, 2);
    return r;
}

DisplayReply DecodeDisplay(const QByteArray &reply) {
    DisplayReply r;
    if (ReplyHas(reply, 2, 1)) {
        r.mask = ByteAt(reply, 2);
        r.boxes = std::array<bool, 4>{};
        for (int i = 0; i < 4; ++i)
            (*r.boxes)[i] = (*r.mask >> i) & 1;
    }
    return r;
}

EnergyReply DecodeEnergyOld(const QByteArray &reply) {
    EnergyReply r;
    const QString separator = QLocale().decimalPoint();
    for (int t = 0; t < 3; ++t) {
        const int hundredthsAt = 2 + t;
        const int wholeAt = 5 + 3 * t;
        if (ReplyHas(reply, hundredthsAt, 1) && ReplyHas(reply, wholeAt, 3)) {
            const int hundredths = ByteAt(reply, hundredthsAt);
            const std::uint32_t whole = ReadCounter17(reply, wholeAt);
            r.current[t] = QString::number(whole) + separator + ZeroPad(hundredths, 2);
            r.currentKwh[t] = whole + hundredths / 100.0;
        }
    }
    if (ReplyLength(reply) == 23) {
        for (int t = 0; t < 3; ++t) {
            const int at = 14 + 3 * t;
            if (ReplyHas(reply, at, 3)) {
                const std::uint32_t whole = ReadCounter17(reply, at);
                r.billing[t] = QString::number(whole);
                r.billingKwh[t] = whole;
            }
        }
    }
    return r;
}

EnergyReply DecodeEnergy(const QByteArray &reply) {
    EnergyReply r;
    for (int t = 0; t < 3; ++t) {
        const int at = 2 + 4 * t;
        if (ReplyHas(reply, at, 4)) {
            const double kwh = CountToKwh(ReadLE32(reply, at));
            r.current[t] = FormatReading(kwh);
            r.currentKwh[t] = kwh;
        }
    }
    if (ReplyLength(reply) == 26) {
        for (int t = 0; t < 3; ++t) {
            const int at = 14 + 4 * t;
            if (ReplyHas(reply, at, 4)) {
                const double kwh = CountToKwh(ReadLE32(reply, at));
                r.billing[t] = FormatReading(kwh);
                r.billingKwh[t] = kwh;
            }
        }
    }
    return r;
}

OperatingTimeReply DecodeOperatingTime(const QByteArray &reply) {
    OperatingTimeReply r;
    if (ReplyHas(reply, 2, 3)) {
        r.halfMinutes = ReadLE24(reply, 2);
        r.rawText = QString::number(*r.halfMinutes);
        r.hoursText = OperatingTimeText(*r.halfMinutes);
    }
    if (ReplyHas(reply, 5, 1)) {
        r.corrections = ByteAt(reply, 5);
        r.correctionsText = QString::number(*r.corrections);
    }
    return r;
}

DdmReply DecodeDdm(const QByteArray &reply) {
    DdmReply r;
    if (ReplyLength(reply) == 4) {
        if (ReplyHas(reply, 2, 2)) r.number = ReadLE16(reply, 2);
    } else if (ReplyHas(reply, 2, 3)) {
        r.number = ReadLE24(reply, 2);
    }
    return r;
}

BillingReply DecodeBilling(const QByteArray &reply) {
    BillingReply r;
    if (ReplyHas(reply, 2, 1)) r.hour = BcdToInt(ByteAt(reply, 2));
    if (ReplyHas(reply, 3, 1)) r.day = BcdToInt(ByteAt(reply, 3));
    return r;
}

LastSessionReply DecodeLastSession(const QByteArray &reply) {
    LastSessionReply r;
    if (ReplyHas(reply, 3, 4)) {
        r.moment = SecondsSince2000ToDateTime(ReadLE32(reply, 3));
        r.text = MeterDateTimeText(*r.moment);
    }
    return r;
}

} // namespace ormix::meter
