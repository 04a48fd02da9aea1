#pragma once
// The modified mark: a control's integer Tag, 1 once the operator changed it since the
// page was last cleared. Kept as a dynamic property so every QObject can carry one.
#include <QObject>
#include <QVariant>

namespace ormix::ui {

inline int Tag(const QObject *o) {
    return o ? o->property("Tag").toInt() : 0;
}
inline void SetTag(QObject *o, int value) {
    if (o) o->setProperty("Tag", value);
}

} // namespace ormix::ui
