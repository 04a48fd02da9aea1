#include "ui/pages/protocol_page.h"

#include "ui/controls.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace ormix::ui {

ProtocolPage::ProtocolPage(QWidget *parent) : QWidget(parent) {
    setObjectName("TabSheet4");
    auto *l = new QVBoxLayout(this);
    CheckBox_Terminal = NewCheck(this, "CheckBox_Terminal", "Включен");
    // No line limit of its own: the protocol view removes the first line past its limit and
    // says so, and a second limit here would take one line more.
    Memo_Terminal = Named(new QPlainTextEdit(this), "Memo_Terminal");
    Memo_Terminal->setReadOnly(true);
    Memo_Terminal->setFont(QFont("Monospace"));
    l->addWidget(CheckBox_Terminal);
    l->addWidget(Memo_Terminal, 1);
    connect(CheckBox_Terminal, &QCheckBox::toggled, this, &ProtocolPage::loggingSwitched);
}

void ProtocolPage::ApplyModes(bool masterMode) {
    CheckBox_Terminal->setChecked(!masterMode);
}

bool ProtocolPage::LoggingOn() const {
    return CheckBox_Terminal->isChecked();
}

void ProtocolPage::AddLine(const QString &line) {
    Memo_Terminal->appendPlainText(line);
}

void ProtocolPage::RemoveFirstLine() {
    QTextCursor c(Memo_Terminal->document()->firstBlock());
    c.select(QTextCursor::BlockUnderCursor);
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    c.removeSelectedText();
}

void ProtocolPage::Clear() {
    Memo_Terminal->clear();
}

} // namespace ormix::ui
