#pragma once
// TFormStatus: the operator types a status value and reads its meaning.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace ormix::ui {

class TFormStatus : public QDialog {
    Q_OBJECT
public:
    explicit TFormStatus(QWidget *parent = nullptr);
    void SpinEdit1Change();

    QLabel *Label1{};
    QSpinBox *SpinEdit1{};
    QPlainTextEdit *Memo1{};
    QPushButton *Button1{};
};

} // namespace ormix::ui
