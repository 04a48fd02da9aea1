#pragma once
// The serial ports of the machine under the names the operator knows: COM1, COM2, ...
//
// Fixed UARTs: /dev/ttyS<k> is COM<k+1>, listed only when the kernel found a UART
// behind it (sysfs "type" not 0), because the 8250 driver creates ttyS0..ttyS31
// whether or not the hardware exists. Other serial devices (ttyUSB, ttyACM, ...)
// follow after the highest fixed number, ordered by their /dev/serial/by-id name
// (devices without one after them, by kernel name), and are opened by that link.
// The configuration maps any COMn to a device path: QSettings("Veltaron", "Ormix"),
// group "Ports", key "COMn" = path; for one run ORMIX_PORTS="COM9=/dev/pts/4;..."
// does the same. Environment over configuration over the machine.
#include <QList>
#include <QString>
#include <optional>

class QSettings;

namespace ormix::link {

struct PortEntry {
    QString name; // "COMn"
    int number = 0;
    QString devicePath;
    bool operator==(const PortEntry &) const = default;
};

// One serial device found on the machine.
struct SerialDevice {
    QString kernelName; // "ttyS0", "ttyUSB0"
    QString devicePath; // what to open: /dev/ttyS0 or a /dev/serial/by-id link
    QString byIdName;   // the by-id link's name, empty when there is none
};

class PortTable {
public:
    // The machine's devices, the default configuration and ORMIX_PORTS.
    static PortTable Load();
    // The same with a given configuration and mapping text (tests, tools).
    static PortTable Load(QSettings &settings, const QString &envMappings);
    // The pure rule: numbers for the devices, then the mappings over them.
    static PortTable Build(const QList<SerialDevice> &devices, const QList<PortEntry> &mappings);

    // Every port, by number (the order the port lists show).
    const QList<PortEntry> &Entries() const { return entries_; }
    // "COM3", "Com3", "com3" -> its device path; an absolute path -> itself;
    // nothing when the name is not a known port.
    std::optional<QString> Resolve(const QString &name) const;

    static QList<SerialDevice> ScanDevices(const QString &sysClassTty = "/sys/class/tty",
                                           const QString &byIdDir = "/dev/serial/by-id");
    // "COM9=/dev/pts/4;COM10=/dev/ttyUSB0"; pieces that are not COMn=path are skipped.
    static QList<PortEntry> ParseMappings(const QString &text);
    static QList<PortEntry> ReadMappings(QSettings &settings);

private:
    QList<PortEntry> entries_;
};

// The port number of a port name: all characters after the first three as an integer
// ("COM12" -> 12); nothing when they do not form one.
std::optional<int> PortNumberOf(const QString &name);

} // namespace ormix::link
