#include "tools/ormix_cli/meter_snapshot.h"

#include "link/commands.h"
#include "link/encodings.h"
#include "meter/status_text.h"

#include <QJsonArray>
#include <cmath>

using namespace ormix::link;
using namespace ormix::meter;
using namespace ormix::records;

namespace ormix::cli {

namespace {

QString YesNo(bool on) {
    return on ? QStringLiteral("да") : QStringLiteral("нет");
}

QJsonValue Kwh(const std::optional<double> &kwh) {
    if (!kwh) return QJsonValue::Null;
    return std::round(*kwh * 100.0) / 100.0;
}

template <typename T> QJsonValue Num(const std::optional<T> &v) {
    return v ? QJsonValue(double(*v)) : QJsonValue(QJsonValue::Null);
}

// The display set's captions, bit 0 to bit 3.
const char *const kDisplayCaptions[4] = {"Суммарная", "На расч. день", "Дата", "Время"};

} // namespace

int MeterSnapshot::FirmwareMajor() const {
    return version && version->major ? *version->major : 0;
}

QString MeterSnapshot::VersionText() const {
    return version && version->text ? *version->text : QString();
}

QStringList MeterSnapshot::StatusLines() const {
    if (!status || !status->status) return {};
    return MainStatusLines(*status->status, FirmwareMajor());
}

bool MeterSnapshot::Decode(const QByteArray &reply) {
    if (reply.isEmpty()) return false;
    switch (std::uint8_t(reply.at(0))) {
    case Cmd::ReadVersion:
        version = DecodeVersion(reply);
        return true;
    case Cmd::ReadNumber:
        number = DecodeNumber(reply);
        return true;
    case Cmd::ReadClock:
        clock = DecodeClock(reply);
        return true;
    case Cmd::ReadCorrection:
        correction = DecodeCorrectionReply(reply);
        return true;
    case Cmd::ReadStatus:
        status = DecodeStatus(reply);
        return true;
    case Cmd::ReadDisplay:
        display = DecodeDisplay(reply);
        return true;
    case Cmd::ReadEnergyOld:
        energy = DecodeEnergyOld(reply);
        return true;
    case Cmd::ReadEnergy:
        energy = DecodeEnergy(reply);
        return true;
    case Cmd::ReadOperatingTime:
        operatingTime = DecodeOperatingTime(reply);
        return true;
    case Cmd::ReadDdm:
        ddm = DecodeDdm(reply);
        return true;
    case Cmd::ReadBilling:
        billing = DecodeBilling(reply);
        return true;
    case Cmd::ReadLastDdmSession:
        lastSession = DecodeLastSession(reply);
        return true;
    default:
        return false;
    }
}

QStringList SnapshotText(const MeterSnapshot &s) {
    QStringList out;
    const auto line = [&out](const QString &caption, const QString &value) {
        out << caption + QStringLiteral(" : ") + value;
    };
    if (s.version && s.version->text) line(QStringLiteral("Версия ПО"), *s.version->text);
    if (s.number && s.number->number)
        line(QStringLiteral("Заводской №"), QString::number(*s.number->number));
    if (s.clock) {
        if (s.clock->curTimeText) line(QStringLiteral("Время"), *s.clock->curTimeText);
        for (const QString &warning : s.clock->protocolLines)
            line(QStringLiteral("Время"), warning);
        if (s.clock->summerTime)
            line(QStringLiteral("Автопереход на на летнее время"), YesNo(*s.clock->summerTime));
    }
    if (s.correction && s.correction->correction)
        line(QStringLiteral("Суточная коррекция часов"),
             QString::number(*s.correction->correction));
    if (s.status && s.status->status) {
        line(QStringLiteral("Статус"), QString::number(*s.status->status));
        for (const QString &text : s.StatusLines())
            line(QStringLiteral("Расшифровка статуса"), text);
    }
    if (s.display && s.display->boxes) {
        QStringList on;
        for (int i = 0; i < 4; ++i)
            if ((*s.display->boxes)[i]) on << QString::fromUtf8(kDisplayCaptions[i]);
        line(QStringLiteral("Индикация"),
             QStringLiteral("%1 (%2)")
                 .arg(*s.display->mask)
                 .arg(on.isEmpty() ? QStringLiteral("нет") : on.join(QStringLiteral(", "))));
    }
    if (s.energy) {
        for (int t = 0; t < 3; ++t) {
            const QString tariff = QStringLiteral("%1-й тариф").arg(t + 1);
            if (!s.energy->billing[t].isEmpty())
                line(tariff + QStringLiteral(" (на расч. день)"), s.energy->billing[t]);
            if (s.energy->current[t])
                line(tariff + QStringLiteral(" (тек.)"), *s.energy->current[t]);
        }
    }
    if (s.operatingTime) {
        if (s.operatingTime->hoursText)
            line(QStringLiteral("Время вкл. состояния"), *s.operatingTime->hoursText);
        if (s.operatingTime->correctionsText)
            line(QStringLiteral("Счетчик коррекций"), *s.operatingTime->correctionsText);
    }
    if (s.ddm && s.ddm->number) line(QStringLiteral("Номер ДДМ"), QString::number(*s.ddm->number));
    if (s.billing) {
        if (s.billing->day)
            line(QStringLiteral("Расчетный день"), QString::number(*s.billing->day));
        if (s.billing->hour)
            line(QStringLiteral("Расчетный час"), QString::number(*s.billing->hour));
    }
    if (s.lastSession && s.lastSession->text)
        line(QStringLiteral("Последнй сеанс связи с ДДМ"), *s.lastSession->text);
    return out;
}

QJsonObject SnapshotJson(const MeterSnapshot &s) {
    QJsonObject o;
    o["version"] = s.version && s.version->text ? QJsonValue(*s.version->text) : QJsonValue();
    o["firmwareMajor"] = s.version ? Num(s.version->major) : QJsonValue();
    o["firmwareMinor"] = s.version ? Num(s.version->minor) : QJsonValue();
    o["factoryNumber"] = s.number ? Num(s.number->number) : QJsonValue();

    const auto iso = [](const auto &v, const QString &format) {
        return v ? QJsonValue(v->toString(format)) : QJsonValue();
    };
    o["date"] = s.clock ? iso(s.clock->date, QStringLiteral("yyyy-MM-dd")) : QJsonValue();
    o["time"] = s.clock ? iso(s.clock->time, QStringLiteral("HH:mm:ss")) : QJsonValue();
    o["summerTime"] =
        s.clock && s.clock->summerTime ? QJsonValue(*s.clock->summerTime) : QJsonValue();
    QJsonArray clockWarnings;
    if (s.clock)
        for (const QString &w : s.clock->protocolLines)
            clockWarnings.append(w);
    o["clockWarnings"] = clockWarnings;

    o["correction"] = s.correction ? Num(s.correction->correction) : QJsonValue();
    o["status"] = s.status ? Num(s.status->status) : QJsonValue();
    o["statusLines"] = QJsonArray::fromStringList(s.StatusLines());

    if (s.display && s.display->mask) {
        const int m = *s.display->mask;
        o["display"] = QJsonObject{{"mask", m},
                                   {"total", (m & 1) != 0},
                                   {"billingDay", (m & 2) != 0},
                                   {"date", (m & 4) != 0},
                                   {"time", (m & 8) != 0}};
    } else {
        o["display"] = QJsonValue();
    }

    QJsonArray current, billing;
    bool anyBilling = false;
    for (int t = 0; t < 3; ++t) {
        current.append(s.energy ? Kwh(s.energy->currentKwh[t]) : QJsonValue());
        billing.append(s.energy ? Kwh(s.energy->billingKwh[t]) : QJsonValue());
        anyBilling = anyBilling || (s.energy && s.energy->billingKwh[t]);
    }
    o["currentKwh"] = current;
    o["billingDayKwh"] = anyBilling ? QJsonValue(billing) : QJsonValue();

    if (s.operatingTime && s.operatingTime->halfMinutes) {
        o["operatingHalfMinutes"] = double(*s.operatingTime->halfMinutes);
        o["operatingTime"] = *s.operatingTime->hoursText;
    } else {
        o["operatingHalfMinutes"] = QJsonValue();
        o["operatingTime"] = QJsonValue();
    }
    o["correctionCount"] = s.operatingTime ? Num(s.operatingTime->corrections) : QJsonValue();
    o["ddmNumber"] = s.ddm ? Num(s.ddm->number) : QJsonValue();
    o["billingDay"] = s.billing ? Num(s.billing->day) : QJsonValue();
    o["billingHour"] = s.billing ? Num(s.billing->hour) : QJsonValue();
    o["lastDdmSession"] =
        s.lastSession && s.lastSession->moment
            ? QJsonValue(s.lastSession->moment->toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")))
            : QJsonValue();
    return o;
}

LocalLogInput MakeCliLogInput(const MeterSnapshot &s, const CliWriteOptions &w,
                              const QDateTime &writtenClock, const QDateTime &now) {
    LocalLogInput in;
    // SpinEdit_Number shows the number typed for the write, else the meter's.
    in.factoryNumber = w.number ? *w.number : (s.number ? s.number->number.value_or(0) : 0);
    in.versionText = s.VersionText();
    if (s.operatingTime) {
        in.operatingTimeText = s.operatingTime->rawText.value_or(QString());
        in.correctionCountText = s.operatingTime->correctionsText.value_or(QString());
    }
    in.lastStatus = s.status ? s.status->status.value_or(0) : 0;
    if (s.energy)
        for (int t = 0; t < 3; ++t) {
            in.billingReadingText[t] = s.energy->billing[t];
            in.currentReadingText[t] = s.energy->current[t].value_or(QString());
        }

    in.statusReset = w.statusReset;
    in.timeTicked = w.writesTime();
    if (in.timeTicked) {
        in.clockDate = writtenClock.date();
        in.clockTime = writtenClock.time();
        in.summerTime = w.summer;
    }
    in.correctionTicked = w.correction.has_value();
    in.correction = w.correction.value_or(0);
    in.passwordTicked = w.newPassword.has_value();
    if (w.newPassword) in.newPasswordText = QString::number(*w.newPassword);
    in.indicatorTicked = w.display.has_value();
    in.indicatorMask = w.display.value_or(0);
    in.firmwareMajor = s.FirmwareMajor();
    in.vdmTicked = w.ddm.has_value();
    in.vdmEnabled = in.firmwareMajor >= 3;
    in.vdm = w.ddm.value_or(0);
    in.scheduleTicked = w.billingDay.has_value();
    in.billingDay = w.billingDay.value_or(0);
    in.billingHour = w.billingHour.value_or(0);
    in.today = now.date();
    in.now = now.time();
    return in;
}

} // namespace ormix::cli
