#pragma once
// TAboutBox: the program's name and version, the maker's contacts with two links, and
// the computer's physical memory, refreshed each time the window becomes active.
#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

namespace ormix::ui {

class TLinkLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    QLabel *ProductName{}, *Label11{}, *Version{}, *BuildVersion{};
    QLabel *Image2{}, *Image1{};
    QGroupBox *GroupBox1{};
    TLinkLabel *Label3{}, *Label6{};
    QLabel *Label4{}, *Label5{}; // the two lines of telephone numbers
    QLabel *Label1{}, *Label2{};
    QPushButton *OKButton{};

    void FormActivate();
    void Label3Click();
    void Label6Click();

protected:
    bool event(QEvent *event) override;

private:
    void FormCreate();
};

} // namespace ormix::ui
