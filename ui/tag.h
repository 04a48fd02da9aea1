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

// ClearModifiedTags: the container and everything inside it, depth first, lose their
// mark. (The zone pickers, whose Tag is their zone index, stand on another page.)
inline void ClearModifiedTags(QObject *container) {
    SetTag(container, 0);
    for (QObject *child : container->children())
        ClearModifiedTags(child);
}

} // namespace ormix::ui
