#pragma once
// The defect window: present with its caption, filled in later.
#include <QDialog>

namespace ormix::ui {

class TFormSpoilage : public QDialog {
    Q_OBJECT
public:
    explicit TFormSpoilage(QWidget *parent = nullptr);
};

} // namespace ormix::ui
