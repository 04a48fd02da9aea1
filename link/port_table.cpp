#include "link/port_table.h"
#include "link/link_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSettings>
#include <algorithm>

namespace ormix::link {

std::optional<int> PortNumberOf(const QString &name) {
    if (name.size() <= 3) return std::nullopt;
    bool ok = false;
    int n = name.mid(3).toInt(&ok);
    if (!ok) return std::nullopt;
    return n;
}

namespace {
// "COMn" in any letter case with a positive n; the name comes back as "COMn".
std::optional<int> ComNumber(const QString &name) {
    static const QRegularExpression re(QStringLiteral("^COM([0-9]{1,6})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    auto m = re.match(name.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    int n = m.captured(1).toInt();
    if (n <= 0) return std::nullopt;
    return n;
}

QString ReadSmallFile(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.read(64)).trimmed();
}
} // namespace

QList<SerialDevice> PortTable::ScanDevices(const QString &sysClassTty, const QString &byIdDir) {
    // by-id link name for each kernel name
    QHash<QString, QString> byId;
    const QFileInfoList links = QDir(byIdDir).entryInfoList(QDir::Files | QDir::System);
    for (const QFileInfo &link : links) {
        const QString target = link.symLinkTarget();
        if (!target.isEmpty()) byId.insert(QFileInfo(target).fileName(), link.fileName());
    }
    QList<SerialDevice> devices;
    const QStringList names =
        QDir(sysClassTty).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString &name : names) {
        const QString dir = sysClassTty + '/' + name;
        if (!name.startsWith(QLatin1String("tty")) || !QFileInfo::exists(dir + "/device"))
            continue; // virtual terminals and the like have no device behind them
        if (name.startsWith(QLatin1String("ttyS"))) {
            // The serial core publishes the UART type; 0 is PORT_UNKNOWN (no chip).
            const QString type = ReadSmallFile(dir + "/type");
            if (type == QLatin1String("0")) continue;
        }
        SerialDevice d;
        d.kernelName = name;
        d.byIdName = byId.value(name);
        d.devicePath = d.byIdName.isEmpty() ? "/dev/" + name : byIdDir + '/' + d.byIdName;
        devices.append(d);
    }
    return devices;
}

PortTable PortTable::Build(const QList<SerialDevice> &devices, const QList<PortEntry> &mappings) {
    QMap<int, PortEntry> byNumber;
    int highestFixed = 0;
    static const QRegularExpression fixedName(QStringLiteral("^ttyS([0-9]+)$"));
    QList<SerialDevice> others;
    for (const SerialDevice &d : devices) {
        auto m = fixedName.match(d.kernelName);
        if (m.hasMatch()) {
            int n = m.captured(1).toInt() + 1;
            byNumber.insert(n, {QStringLiteral("COM%1").arg(n), n, d.devicePath});
            highestFixed = std::max(highestFixed, n);
        } else {
            others.append(d);
        }
    }
    // Adapters: by-id name first (stable across plugging order), then kernel name.
    std::sort(others.begin(), others.end(), [](const SerialDevice &a, const SerialDevice &b) {
        if (a.byIdName.isEmpty() != b.byIdName.isEmpty()) return b.byIdName.isEmpty();
        if (a.byIdName != b.byIdName) return a.byIdName < b.byIdName;
        return a.kernelName < b.kernelName;
    });
    int next = highestFixed + 1;
    for (const SerialDevice &d : others) {
        byNumber.insert(next, {QStringLiteral("COM%1").arg(next), next, d.devicePath});
        ++next;
    }
    for (const PortEntry &e : mappings)
        byNumber.insert(e.number, e);
    PortTable table;
    table.entries_ = byNumber.values();
    return table;
}

QList<PortEntry> PortTable::ParseMappings(const QString &text) {
    QList<PortEntry> result;
    const QStringList pieces = text.split(';', Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        const int eq = piece.indexOf('=');
        const auto n = eq > 0 ? ComNumber(piece.left(eq)) : std::nullopt;
        const QString path = eq > 0 ? piece.mid(eq + 1).trimmed() : QString();
        if (!n || path.isEmpty()) {
            qCWarning(lcLink) << "ORMIX_PORTS: ignored" << piece;
            continue;
        }
        result.append({QStringLiteral("COM%1").arg(*n), *n, path});
    }
    return result;
}

QList<PortEntry> PortTable::ReadMappings(QSettings &settings) {
    QList<PortEntry> result;
    settings.beginGroup(QStringLiteral("Ports"));
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys) {
        const auto n = ComNumber(key);
        const QString path = settings.value(key).toString().trimmed();
        if (!n || path.isEmpty()) {
            qCWarning(lcLink) << "configuration [Ports]: ignored" << key;
            continue;
        }
        result.append({QStringLiteral("COM%1").arg(*n), *n, path});
    }
    settings.endGroup();
    return result;
}

PortTable PortTable::Load(QSettings &settings, const QString &envMappings) {
    QList<PortEntry> mappings = ReadMappings(settings);
    mappings += ParseMappings(envMappings); // later entries win
    return Build(ScanDevices(), mappings);
}

PortTable PortTable::Load() {
    QSettings settings(QStringLiteral("Veltaron"), QStringLiteral("Ormix"));
    return Load(settings, qEnvironmentVariable("ORMIX_PORTS"));
}

std::optional<QString> PortTable::Resolve(const QString &name) const {
    if (name.startsWith('/')) return name;
    const auto n = ComNumber(name);
    if (!n) return std::nullopt;
    for (const PortEntry &e : entries_)
        if (e.number == *n) return e.devicePath;
    return std::nullopt;
}

} // namespace ormix::link
