#include "ui/help_window.h"

#include "link/error_report.h"
#include "ui/help_document.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace ormix::ui {

TFormHelp::TFormHelp(QWidget *parent) : QDialog(parent) {
    setObjectName("FormHelp");
    setWindowTitle("Справка");
    // A title bar with the system menu only: no minimise, no maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setReadOnly(true);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->document()->setDocumentMargin(10);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Button1 = new QPushButton("Выход", Panel1);
    Button1->setObjectName("Button1");
    // The cancel button: Esc closes the window (QDialog's reject), Enter does not.
    Button1->setAutoDefault(false);
    auto *panel = new QHBoxLayout(Panel1);
    panel->setContentsMargins(6, 4, 6, 4);
    panel->addStretch(1);
    panel->addWidget(Button1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(Panel1);
    resize(640, 480);

    // PgUp and PgDn scroll the text as soon as the window opens.
    RichEdit1->setFocus();
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

// The document is read once: a file that appears later is not looked for again.
void TFormHelp::FormCreate() {
    const ormix::ui::HelpLoadResult r =
        ormix::ui::LoadHelpDocument(ormix::ui::HelpDocumentFolders(), *RichEdit1->document());
    if (!r.error.isEmpty()) {
        RichEdit1->clear();
        link::ReportApplicationError(r.error);
        return;
    }
    documentPath = r.path;
    RichEdit1->moveCursor(QTextCursor::Start); // the reader leaves it at the end
}

} // namespace ormix::ui
