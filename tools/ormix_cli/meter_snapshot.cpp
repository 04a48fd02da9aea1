#include "tools/ormix_cli/meter_snapshot.h"

#include "meter/status_text.h"

#include <QJsonArray>
#include <cmath>

using namespace ormix::link;
using namespace ormix::meter;

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

namespace {
// Keeps the reply in `slot` when it is of the slot's kind.
template <typename T> bool Take(std::optional<T> &slot, const meter::DecodedReply &reply) {
    const T *r = std::get_if<T>(&reply);
    if (r) slot = *r;
    return r != nullptr;
}
} // namespace

bool MeterSnapshot::Keep(const meter::DecodedReply &reply) {
    return Take(version, reply) || Take(number, reply) || Take(clock, reply) ||
           Take(correction, reply) || Take(status, reply) || Take(display, reply) ||
           Take(energy, reply) || Take(operatingTime, reply) || Take(ddm, reply) ||
           Take(billing, reply) || Take(lastSession, reply);
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

meter::MeterShown MeterShownOf(const MeterSnapshot &s) {
    meter::MeterShown m;
    if (s.number && s.number->number) {
        m.factoryNumber = *s.number->number;
        m.numberFieldEnabled = s.number->editable();
    }
    if (s.version && s.version->layout) m.meterTypeId = s.version->layout->meterTypeId;
    m.versionText = s.VersionText();
    if (s.operatingTime) {
        m.onTime = s.operatingTime->halfMinutes;
        m.correctionCount = s.operatingTime->corrections;
    }
    m.lastStatus = s.status ? s.status->status.value_or(0) : 0;
    if (s.energy)
        for (int t = 0; t < 3; ++t) {
            m.currentReadingText[t] = s.energy->current[t].value_or(QString());
            m.billingReadingText[t] = s.energy->billing[t];
        }
    return m;
}

meter::WriteChoices WriteChoicesOf(const CliWriteOptions &w, int major, const QDateTime &clock) {
    const meter::FirmwareLayout layout = meter::LayoutForFirmware(major);
    meter::WriteChoices c;
    c.firmwareMajor = major;
    c.accessPassword = w.password;
    c.checkPassword = w.newPassword.has_value();
    c.newPassword = w.newPassword.value_or(0);
    c.checkTime = w.writesTime();
    if (c.checkTime) {
        c.date = clock.date();
        c.time = clock.time();
        c.summerTime = w.summer;
    }
    c.factoryNumberMarked = w.number.has_value();
    c.factoryNumber = w.number.value_or(0);
    c.checkCorrect = w.correction.has_value();
    c.correction = w.correction.value_or(0);
    c.checkStatus = w.statusReset;
    c.checkSchedule = w.billingDay.has_value();
    c.billingDay = w.billingDay.value_or(1);
    c.billingHour = w.billingHour.value_or(0);
    c.checkIndi = w.display.has_value();
    c.display = w.display.value_or(0);
    c.checkDdm = w.ddm.has_value();
    c.ddmEnabled = layout.ddmControlsEnabled;
    c.ddmNumber = w.ddm.value_or(0);
    c.checkResetVisible = layout.checkResetVisible;
    c.checkReset = w.resetBilling;
    c.checkResetTariff = w.resetSchedule;
    return c;
}

} // namespace ormix::cli
