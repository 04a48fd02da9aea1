#include "ui/unsent_count.h"

namespace ormix::ui {

UnsentCountLabel::UnsentCountLabel(QWidget *parent) : QLabel(parent) {
    setObjectName(QStringLiteral("StatusBar1Unsent"));
    setToolTip(QStringLiteral("Записи, которые будут добавлены в журнал, как только он станет "
                              "доступен"));
    hide();
}

void UnsentCountLabel::Show(int waiting) {
    setText(QStringLiteral("Не добавлено в журнал: %1").arg(waiting));
    setVisible(waiting > 0);
}

} // namespace ormix::ui
