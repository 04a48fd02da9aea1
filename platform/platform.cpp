#include "platform/platform.h"
#include "platform/platform_log.h"

#include <QByteArray>
#include <QFile>
#include <QLoggingCategory>
#include <cerrno>
#include <ctime>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace ormix::platform {

Platform::~Platform() = default;

QString Platform::ComputerName() const {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return QString::fromLocal8Bit(name);
}

QString Platform::LoginName() const {
    if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    const QByteArray user = qgetenv("USER");
    return QString::fromLocal8Bit(user);
}

bool Platform::SetLocalClock(const QDateTime &moment) {
    const qint64 ms = moment.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
    if (clock_settime(CLOCK_REALTIME, &ts) != 0) {
        qCDebug(lcPlatform) << "clock not set, errno" << errno;
        return false;
    }
    return true;
}

MemoryStatus Platform::Memory() const {
    MemoryStatus m;
    struct sysinfo si {};
    if (sysinfo(&si) != 0) return m;
    const std::uint64_t unit = si.mem_unit ? si.mem_unit : 1;
    m.totalPhys = si.totalram * unit;
    // Free memory alone leaves out the page cache, which Linux fills until little is free.
    QFile meminfo("/proc/meminfo");
    const auto available = meminfo.open(QIODevice::ReadOnly)
                               ? MemAvailableFromMeminfo(meminfo.readAll())
                               : std::nullopt;
    m.availPhys = available.value_or((si.freeram + si.bufferram) * unit);
    m.totalPageFile = (si.totalram + si.totalswap) * unit;
    m.availPageFile = m.availPhys + si.freeswap * unit;
    m.totalVirtual = m.totalPageFile;
    m.availVirtual = m.availPageFile;
    if (m.totalPhys > 0) m.memoryLoad = static_cast<int>(100 - (m.availPhys * 100) / m.totalPhys);
    return m;
}

namespace {
Platform *&installed() {
    static Platform *p = nullptr;
    return p;
}
} // namespace

Platform &CurrentPlatform() {
    static Platform system;
    return installed() ? *installed() : system;
}

void SetPlatform(Platform *replacement) {
    installed() = replacement;
}

std::optional<std::uint64_t> MemAvailableFromMeminfo(const QByteArray &meminfo) {
    for (const QByteArray &line : meminfo.split('\n')) {
        if (!line.startsWith("MemAvailable:")) continue;
        const QList<QByteArray> fields = line.mid(13).simplified().split(' ');
        bool ok = false;
        const qulonglong value = fields.value(0).toULongLong(&ok);
        if (!ok) return std::nullopt;
        return fields.value(1) == "kB" ? value * 1024 : value;
    }
    return std::nullopt;
}
} // namespace ormix::platform
