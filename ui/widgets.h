#pragma once
// Small controls the standard widgets lack: a spin edit with a limit on typed digits,
// a drop-down that announces it is about to open, and the round result indicator.
#include <QColor>
#include <QComboBox>
#include <QSpinBox>
#include <QWidget>

namespace ormix::ui {

// Spin edit whose typed text is limited to a number of digits; values the program sets
// are shown in full.
class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget *parent = nullptr) : QSpinBox(parent) {}
    void SetMaxDigits(int digits) { maxDigits = digits; }

protected:
    QValidator::State validate(QString &input, int &pos) const override;

private:
    int maxDigits = 0; // 0: no limit
};

// Drop-down list that signals before its list opens, so the choices can be refreshed.
class TDropDown : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
signals:
    void aboutToShowPopup();
};

// The result indicator: a small filled circle.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget *parent = nullptr);
    QColor BrushColor() const { return color; }
    void SetBrushColor(const QColor &c);
    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor color = Qt::white;
};

} // namespace ormix::ui
