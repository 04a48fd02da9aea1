#pragma once
// The status bar's note of rows the meter took that wait for the log, beside the line
// messages of panel 1; hidden while none waits.
#include <QLabel>

namespace ormix::ui {

class UnsentCountLabel final : public QLabel {
public:
    explicit UnsentCountLabel(QWidget *parent);
    void Show(int waiting);
};

} // namespace ormix::ui
