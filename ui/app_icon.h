#pragma once
// The application's icon, from the pictures built into the program.
#include <QIcon>

namespace ormix::ui {
QIcon ApplicationIcon();
}
