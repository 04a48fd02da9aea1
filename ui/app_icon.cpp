#include "ui/app_icon.h"

namespace ormix::ui {
QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/ormix/images/ormix-%1.png").arg(size), QSize(size, size));
    return icon;
}
} // namespace ormix::ui
