#pragma once
// The peak resident memory of this process, as the benchmarks print it.
#include <QByteArray>
#include <QFile>
#include <QString>

// In kB (VmHWM of /proc/self/status); -1 where the system does not say.
inline long PeakKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}
