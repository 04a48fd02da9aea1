#include "ui/link_label.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace ormix::ui {

TLinkLabel::TLinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    setPalette(p);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void TLinkLabel::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

} // namespace ormix::ui
