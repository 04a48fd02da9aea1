#include "ui/status_dialog.h"

#include "meter/status_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace ormix::ui {

TFormStatus::TFormStatus(QWidget *parent) : QDialog(parent) {
    setObjectName("FormStatus");
    setWindowTitle("Расшифровка статуса");
    Label1 = new QLabel("Статус : ", this);
    Label1->setObjectName("Label1");
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName("SpinEdit1");
    SpinEdit1->setRange(1, 255);
    Label1->setBuddy(SpinEdit1);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette p = Memo1->palette();
    p.setColor(QPalette::Text, QColor(128, 0, 0)); // maroon
    Memo1->setPalette(p);
    Button1 = new QPushButton("Закрыть", this);
    Button1->setObjectName("Button1");

    auto *top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(SpinEdit1);
    top->addStretch(1);
    auto *l = new QVBoxLayout(this);
    l->addLayout(top);
    l->addWidget(Memo1, 1);
    l->addWidget(Button1, 0, Qt::AlignRight);
    resize(460, 260);
    setFixedSize(size());

    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TFormStatus::SpinEdit1Change);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    SpinEdit1Change();
}

void TFormStatus::SpinEdit1Change() {
    Memo1->clear();
    for (const QString &line : meter::DialogStatusLines(SpinEdit1->value()))
        Memo1->appendPlainText(line);
}

} // namespace ormix::ui
