#include "ui/port_names.h"

#include "link/port_table.h"

using namespace ormix::link;

namespace ormix::ui {

QStringList SerialPortNames() {
    const PortTable table = PortTable::Load();
    QStringList names;
    for (const PortEntry &e : table.Entries())
        names << e.name;
    return names;
}

} // namespace ormix::ui
