#include "ui/dialogs.h"

#include <QLabel>
#include <QVBoxLayout>

namespace ormix::ui {

namespace {
void fill(QDialog *d, const char *name, const QString &title, const QString &text) {
    d->setObjectName(name);
    d->setWindowTitle(title);
    auto *l = new QVBoxLayout(d);
    l->addWidget(new QLabel(text, d));
}
} // namespace

TFormSpoilage::TFormSpoilage(QWidget *parent) : QDialog(parent) {
    fill(this, "FormSpoilage", "Брак", "Брак");
}

} // namespace ormix::ui
