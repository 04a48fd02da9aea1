#pragma once
// The serial ports the lists offer, as "COMn" names in the port table's order.
#include <QStringList>

namespace ormix::ui {

QStringList SerialPortNames();

} // namespace ormix::ui
