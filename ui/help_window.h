#pragma once
// TFormHelp: the help document in a read-only view, read once when the window is created.
#include <QDialog>

class QPushButton;
class QTextEdit;
class QWidget;

namespace ormix::ui {

class TFormHelp : public QDialog {
    Q_OBJECT
public:
    explicit TFormHelp(QWidget *parent = nullptr);

    QTextEdit *RichEdit1{};
    QWidget *Panel1{};
    QPushButton *Button1{};

    // The file read at creation; empty when none was found.
    QString DocumentPath() const { return documentPath; }

private:
    void FormCreate();
    QString documentPath;
};

} // namespace ormix::ui
