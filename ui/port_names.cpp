#include "ui/port_names.h"

#include "link/port_table.h"

namespace ormix::ui {

QStringList SerialPortNames() {
    const link::PortTable table = link::PortTable::Load();
    QStringList names;
    for (const link::PortEntry &e : table.Entries())
        names << e.name;
    return names;
}

} // namespace ormix::ui
