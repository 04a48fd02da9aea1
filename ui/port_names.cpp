#include "ui/port_names.h"

#include "link/port_table.h"

QStringList SerialPortNames() {
    const PortTable table = PortTable::Load();
    QStringList names;
    for (const PortEntry &e : table.Entries())
        names << e.name;
    return names;
}
