#include "emulator/meter_state.h"
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

namespace ormix::emulator {

namespace {

const QString kWallFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");

QString WallText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(kWallFormat);
}

bool WallFromText(const QString &text, qint64 &ms) {
    QDateTime t = QDateTime::fromString(text, kWallFormat);
    if (!t.isValid()) t = QDateTime::fromString(text, Qt::ISODate);
    if (!t.isValid()) return false;
    ms = QDateTime(t.date(), t.time(), Qt::UTC).toMSecsSinceEpoch();
    return true;
}

} // namespace

MeterState DefaultMeterState(qint64 realMs) {
    MeterState s;
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(realMs);
    s.clockBaseMs = QDateTime(local.date(), local.time(), Qt::UTC).toMSecsSinceEpoch();
    s.clockRealMs = realMs;
    s.lastAdvanceMs = realMs;
    s.energy = {12'345'678, 5'432'100, 2'345'600};
    s.billingEnergy = {12'000'000, 5'300'000, 2'300'000};
    s.operatingHalfMinutes = 7322;
    s.lastDdmSession = std::uint32_t((realMs / 1000 - 946'684'800) - 3600);
    const int holidays[12][2] = {{1, 1},  {2, 1}, {3, 1}, {4, 1}, {5, 1},  {7, 1},
                                 {23, 2}, {8, 3}, {1, 5}, {9, 5}, {12, 6}, {4, 11}};
    for (int i = 0; i < 12; ++i)
        s.holidays[i] = {holidays[i][0], holidays[i][1]};
    return s;
}

QByteArray MeterStateToJson(const MeterState &s) {
    QJsonObject o;
    o["firmware"] = QStringLiteral("%1.%2").arg(s.firmware.major).arg(s.firmware.minor);
    o["number"] = double(s.number);
    o["password"] = s.password;
    o["status"] = s.status;
    o["correction"] = s.correction;
    o["correctionCount"] = s.correctionCount;
    o["display"] = s.display;
    o["billingDay"] = s.billingDay;
    o["billingHour"] = s.billingHour;
    o["ddm"] = double(s.ddm);
    o["lastDdmSession"] = double(s.lastDdmSession);
    o["clock"] = WallText(s.clockBaseMs);
    o["clockSetAt"] =
        QDateTime::fromMSecsSinceEpoch(s.clockRealMs, Qt::UTC).toString(Qt::ISODateWithMs);
    o["drift"] = s.driftPerDay;
    o["summerTime"] = s.summerTime;
    o["operatingHalfMinutes"] = double(s.operatingHalfMinutes);
    QJsonArray energy, billing;
    for (auto e : s.energy)
        energy.append(double(e));
    for (auto e : s.billingEnergy)
        billing.append(double(e));
    o["energy"] = energy;
    o["billingEnergy"] = billing;
    o["singleTariff"] = s.singleTariff;
    QJsonArray zones, masks, holidays, transfers;
    for (const Zone &z : s.zones)
        zones.append(QJsonArray{z.tariff, z.hour, z.minute});
    for (auto m : s.masks)
        masks.append(m);
    for (const HolidaySlot &h : s.holidays)
        holidays.append(QJsonArray{h.day, h.month});
    for (const TransferSlot &t : s.transfers)
        transfers.append(QJsonArray{t.day, t.month, t.year, t.dayType});
    o["zones"] = zones;
    o["masks"] = masks;
    o["holidays"] = holidays;
    o["transfers"] = transfers;
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

namespace {

struct Reader {
    const QJsonObject &o;
    QString &error;

    bool number(const char *key, double lo, double hi, double &out) {
        if (!o.contains(key)) return true;
        const QJsonValue v = o[key];
        if (!v.isDouble() || v.toDouble() < lo || v.toDouble() > hi ||
            v.toDouble() != std::floor(v.toDouble())) {
            error = QStringLiteral("\"%1\" must be a whole number from %2 to %3")
                        .arg(key)
                        .arg(qint64(lo))
                        .arg(qint64(hi));
            return false;
        }
        out = v.toDouble();
        return true;
    }
    template <typename T> bool integer(const char *key, double lo, double hi, T &out) {
        double v = double(out);
        if (!number(key, lo, hi, v)) return false;
        out = T(v);
        return true;
    }
    // An array of `count` rows of `width` whole numbers, each within its bounds.
    bool table(const char *key, int count, int width,
               const std::vector<std::pair<int, int>> &bounds, std::vector<std::vector<int>> &out) {
        if (!o.contains(key)) return true;
        const QJsonArray a = o[key].toArray();
        const auto fail = [&] {
            error = QStringLiteral("\"%1\" must hold %2 entries of %3 numbers in range")
                        .arg(key)
                        .arg(count)
                        .arg(width);
            return false;
        };
        if (!o[key].isArray() || a.size() != count) return fail();
        out.clear();
        for (const QJsonValue &row : a) {
            const QJsonArray r = width == 1 ? QJsonArray{row} : row.toArray();
            if (r.size() != width) return fail();
            std::vector<int> vals;
            for (int i = 0; i < width; ++i) {
                if (!r[i].isDouble()) return fail();
                const int v = r[i].toInt();
                if (v < bounds[i].first || v > bounds[i].second) return fail();
                vals.push_back(v);
            }
            out.push_back(vals);
        }
        return true;
    }
};

} // namespace

bool MeterStateFromJson(const QByteArray &json, const MeterState &base, MeterState &out,
                        QString &error) {
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
        error = pe.error != QJsonParseError::NoError ? pe.errorString()
                                                     : QStringLiteral("not a JSON object");
        return false;
    }
    const QJsonObject o = doc.object();
    MeterState s = base;
    Reader r{o, error};
    if (o.contains("firmware")) {
        const QStringList parts = o["firmware"].toString().split('.');
        bool ok1 = false, ok2 = false;
        const int major = parts.value(0).toInt(&ok1), minor = parts.value(1).toInt(&ok2);
        if (parts.size() != 2 || !ok1 || !ok2 || major < 0 || major > 99 || minor < 0 ||
            minor > 99) {
            error = QStringLiteral("\"firmware\" must read MAJOR.MINOR, each 0 to 99");
            return false;
        }
        s.firmware = {major, minor};
    }
    double drift = s.driftPerDay;
    if (!r.integer("number", 0, 0xFFFFFF, s.number) ||
        !r.integer("password", 0, 0xFFFF, s.password) || !r.integer("status", 0, 255, s.status) ||
        !r.integer("correction", -31, 31, s.correction) ||
        !r.integer("correctionCount", 0, 255, s.correctionCount) ||
        !r.integer("display", 0, 15, s.display) || !r.integer("billingDay", 1, 31, s.billingDay) ||
        !r.integer("billingHour", 0, 23, s.billingHour) || !r.integer("ddm", 0, 0xFFFFFF, s.ddm) ||
        !r.integer("lastDdmSession", 0, 4294967295.0, s.lastDdmSession) ||
        !r.integer("operatingHalfMinutes", 0, 0xFFFFFF, s.operatingHalfMinutes))
        return false;
    if (o.contains("drift")) {
        if (!o["drift"].isDouble() || std::abs(o["drift"].toDouble()) > 86400) {
            error = QStringLiteral("\"drift\" must be a number of seconds a day");
            return false;
        }
        drift = o["drift"].toDouble();
    }
    s.driftPerDay = drift;
    if (o.contains("clock") && !WallFromText(o["clock"].toString(), s.clockBaseMs)) {
        error = QStringLiteral("\"clock\" must be a date and time like 2024-03-15T14:07:09");
        return false;
    }
    if (o.contains("clockSetAt")) {
        const QDateTime t = QDateTime::fromString(o["clockSetAt"].toString(), Qt::ISODateWithMs);
        if (!t.isValid()) {
            error = QStringLiteral("\"clockSetAt\" must be an ISO date and time");
            return false;
        }
        s.clockRealMs = t.toMSecsSinceEpoch();
    }
    s.summerTime = o["summerTime"].toBool(s.summerTime);
    s.singleTariff = o["singleTariff"].toBool(s.singleTariff);
    const double maxCount = 9007199254740992.0; // exact in a JSON number
    std::vector<std::vector<int>> rows;
    for (const char *key : {"energy", "billingEnergy"}) {
        if (!o.contains(key)) continue;
        const QJsonArray a = o[key].toArray();
        auto &target = std::string(key) == "energy" ? s.energy : s.billingEnergy;
        if (a.size() != 3) {
            error = QStringLiteral("\"%1\" must hold three counts").arg(key);
            return false;
        }
        for (int i = 0; i < 3; ++i) {
            const double v = a[i].toDouble(-1);
            if (v < 0 || v > maxCount || v != std::floor(v)) {
                error = QStringLiteral("\"%1\" must hold three whole counts").arg(key);
                return false;
            }
            target[i] = std::uint64_t(v);
        }
    }
    if (!r.table("zones", 6, 3, {{1, 3}, {0, 23}, {0, 59}}, rows)) return false;
    if (o.contains("zones"))
        for (int i = 0; i < 6; ++i)
            s.zones[i] = {rows[i][0], rows[i][1], rows[i][2]};
    if (!r.table("masks", 6, 1, {{0, 255}}, rows)) return false;
    if (o.contains("masks"))
        for (int i = 0; i < 6; ++i)
            s.masks[i] = std::uint8_t(rows[i][0]);
    if (!r.table("holidays", 16, 2, {{0, 31}, {0, 12}}, rows)) return false;
    if (o.contains("holidays"))
        for (int i = 0; i < 16; ++i)
            s.holidays[i] = {rows[i][0], rows[i][1]};
    if (!r.table("transfers", 16, 4, {{0, 31}, {0, 12}, {0, 2099}, {0, 8}}, rows)) return false;
    if (o.contains("transfers"))
        for (int i = 0; i < 16; ++i)
            s.transfers[i] = {rows[i][0], rows[i][1], rows[i][2], rows[i][3]};
    // A slot in use (day above 0) carries a date the meter can send back in BCD.
    for (const HolidaySlot &h : s.holidays)
        if (h.day && !QDate(2000, h.month, h.day).isValid()) {
            error = QStringLiteral("\"holidays\": %1.%2 is no date").arg(h.day).arg(h.month);
            return false;
        }
    for (const TransferSlot &t : s.transfers)
        if (t.day && (t.year < 2000 || !QDate(t.year, t.month, t.day).isValid() || t.dayType < 1)) {
            error = QStringLiteral("\"transfers\": %1.%2.%3 type %4 is no date of 2000 to 2099 "
                                   "with a day type 1 to 8")
                        .arg(t.day)
                        .arg(t.month)
                        .arg(t.year)
                        .arg(t.dayType);
            return false;
        }
    out = s;
    return true;
}

} // namespace ormix::emulator
