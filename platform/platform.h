#pragma once
// The few operating-system services the workstation needs, behind one interface so that
// tests can replace them (a test must never set the machine's clock).
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <optional>

namespace ormix::platform {

struct MemoryStatus {
    int memoryLoad = 0; // percent of physical memory in use
    std::uint64_t totalPhys = 0, availPhys = 0;
    std::uint64_t totalPageFile = 0, availPageFile = 0;
    std::uint64_t totalVirtual = 0, availVirtual = 0;
};

class Platform {
public:
    virtual ~Platform();
    virtual QString ComputerName() const;
    virtual QString LoginName() const;
    // Sets the computer's local clock; false when refused (callers ignore the refusal).
    virtual bool SetLocalClock(const QDateTime &moment);
    virtual MemoryStatus Memory() const;
    virtual bool OpenLink(const QUrl &url);
    // True when the desktop has an application for files of `mimeType` (the default one
    // xdg-mime names, its desktop entry found and its program there). Nothing is started.
    virtual bool HasApplicationFor(const QString &mimeType) const;
    // Opens a local file with the desktop's default application for it; false when none
    // could be started. The application may read the file only after this returns.
    virtual bool OpenFile(const QString &path);
    virtual void Beep();
    // The configuration root follows the platform family; here it is always the NT one.
    virtual bool IsNtFamily() const { return true; }
};

// The services in use: the system's own unless a test installed a replacement.
Platform &CurrentPlatform();
// Installs `replacement` (not owned); nullptr restores the system services.
void SetPlatform(Platform *replacement);

// The kernel's estimate of the memory programs can have without swapping, in bytes:
// "MemAvailable" of /proc/meminfo (free memory plus the caches it can drop). Nothing when
// the text has no such line (kernels before 3.14).
std::optional<std::uint64_t> MemAvailableFromMeminfo(const QByteArray &meminfo);
} // namespace ormix::platform
