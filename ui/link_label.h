#pragma once
// A label that works as a link: blue text, a hand cursor, a click (or Enter and Space
// when it has the focus) raises clicked().
#include <QLabel>

namespace ormix::ui {

class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace ormix::ui
