#include "ui/widgets.h"

#include <QPainter>

namespace ormix::ui {

QValidator::State TSpinEdit::validate(QString &input, int &pos) const {
    if (maxDigits > 0) {
        int digits = 0;
        for (QChar c : input)
            if (c.isDigit()) ++digits;
        if (digits > maxDigits) return QValidator::Invalid;
    }
    return QSpinBox::validate(input, pos);
}

void TDropDown::showPopup() {
    emit aboutToShowPopup();
    QComboBox::showPopup();
}

TShape::TShape(QWidget *parent) : QWidget(parent) {
    setFixedSize(sizeHint());
}

void TShape::SetBrushColor(const QColor &c) {
    color = c;
    update();
}

void TShape::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(color);
    p.drawEllipse(rect().adjusted(2, 2, -2, -2));
}

} // namespace ormix::ui
