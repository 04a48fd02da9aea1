// The meter line: port and speed lists, connect and disconnect, and the window's side of
// the exchange engine (the host interface).
#include "link/error_report.h"
#include "link/frame.h"
#include "link/port_setup.h"
#include "link/vacomm.h"
#include "platform/platform.h"
#include "ui/main.h"
#include "ui/port_names.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

using namespace ormix::link;
using namespace ormix::records;
using namespace ormix::platform;

namespace ormix::ui {

namespace {

// Port number of a port name: every character after the first three ("COM12" -> 12).
std::optional<int> portNumber(const QString &name) {
    bool ok = false;
    const int n = name.mid(3).toInt(&ok);
    if (!ok || name.size() <= 3) return std::nullopt;
    return n;
}

TVaBaudrate baudOfIndex(int index) {
    static const TVaBaudrate rates[] = {br1200, br2400, br4800, br9600};
    return rates[index];
}

class MainHost final : public TExchangeHost {
public:
    explicit MainHost(TFormMain *form) : f(form) {}

    bool IsConnected() const override { return f->ActionDisconnect->isEnabled(); }
    QByteArray NextPollFrame() override { return f->NextPollFrame(); }
    void ResetPoll() override { f->PollIndex = 0; }
    void DecodeReply(const QByteArray &reply, const QByteArray &request) override {
        f->DecodeReply(reply, request);
    }
    bool PasswordConditionHolds() const override { return f->PasswordConditionHolds(); }
    void SetActionSettingEnabled(bool on) override { f->ActionSetting->setEnabled(on); }
    void SetActionFixDbEnabled(bool on) override { f->ActionFixDb->setEnabled(on); }
    void ClearMeterView() override { f->ClearMeterView(); }
    void LogCompletedWrite() override {
        if (f->SqlMode)
            f->LogProductionRecord();
        else
            f->LogLocalRecord();
    }
    void DisableAccessPassword() override { f->LabeledPass2->setEnabled(false); }
    void ShowIndicator(TIndicator result) override { f->ShowResult(result == TIndicator::Success); }
    void HideIndicator() override { f->Shape1Action->setVisible(false); }
    void ActionReset() override { f->ActionResetExecute(); }
    void ShowWriteFailure(const QString &title, const QString &text) override {
        QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, f);
        box.setObjectName("WriteFailureBox");
        box.exec();
    }
    void ShowSendCount(int n) override { f->StatusPanel0->setText(QString::number(n)); }
    void ClearLinePanel() override { f->StatusPanel1->clear(); }
    void ShowLineMessage(const QString &text) override { f->StatusPanel1->setText(text); }
    void ProtocolLineAdded(const QString &line) override {
        f->Memo_Terminal->appendPlainText(line);
    }
    void ProtocolFirstLineRemoved() override {
        QTextCursor c(f->Memo_Terminal->document()->firstBlock());
        c.select(QTextCursor::BlockUnderCursor);
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    void ProtocolCleared() override { f->Memo_Terminal->clear(); }
    void Beep() override { CurrentPlatform().Beep(); }

private:
    TFormMain *f;
};

} // namespace

std::unique_ptr<TExchangeHost> MakeMainHost(TFormMain *form) {
    return std::make_unique<MainHost>(form);
}

bool TFormMain::Connected() const {
    return ActionDisconnect->isEnabled();
}

void TFormMain::AddProtocolLine(const QString &line) {
    Engine->Protocol().AddMessage(line);
}

void TFormMain::FillPortLists(int meterPort, int scanerPort) {
    ComboPort->clear();
    ComboScaner->clear();
    NPort->clear();
    for (QAction *a : PortGroup->actions())
        PortGroup->removeAction(a);
    auto addMenuItem = [this](const QString &caption, int n) {
        auto *item = new QAction(caption, NPort);
        item->setCheckable(true);
        SetTag(item, n);
        PortGroup->addAction(item);
        NPort->addAction(item);
        return item;
    };

    portNamesShown = SerialPortNames();
    for (const QString &name : portNamesShown) {
        ComboPort->addItem(name);
        const auto n = portNumber(name);
        if (!n) continue; // listed for the meter only, as it has no number to save
        QAction *item = addMenuItem(name, *n);
        if (*n == meterPort) {
            item->setChecked(true);
            ComboPort->setCurrentIndex(ComboPort->count() - 1);
        }
        ComboScaner->addItem(name);
        if (*n == scanerPort) ComboScaner->setCurrentIndex(ComboScaner->count() - 1);
    }
    if (portNamesShown.isEmpty()) {
        // No serial device known: try ports 1 to 8 and list those a zero byte leaves by.
        for (int i = 1; i <= 8; ++i) {
            if (!ProbePort(*VaComm1, i)) continue;
            const QString name = QString("Com%1").arg(i);
            QAction *item = addMenuItem(name, i);
            ComboPort->addItem(name);
            ComboScaner->addItem(name);
            if (i == meterPort) {
                item->setChecked(true);
                ComboPort->setCurrentIndex(ComboPort->count() - 1);
            }
            if (i == scanerPort) ComboScaner->setCurrentIndex(ComboScaner->count() - 1);
        }
    }
    if (!portNumber(ComboPort->currentText()) || *portNumber(ComboPort->currentText()) != meterPort)
        ComboPort->setCurrentIndex(-1);
    if (!portNumber(ComboScaner->currentText()) ||
        *portNumber(ComboScaner->currentText()) != scanerPort)
        ComboScaner->setCurrentIndex(-1);
}

void TFormMain::RefreshPortLists() {
    // Adapters come and go; the lists follow them whenever one is about to open. The
    // lists are locked while connected, and a probe of ports is for start-up only.
    if (Connected()) return;
    const QStringList now = SerialPortNames();
    if (now.isEmpty() || now == portNamesShown) return;
    // With nothing selected the saved port was missing: it is taken when it shows up.
    const auto meter = portNumber(ComboPort->currentText());
    const auto scaner = portNumber(ComboScaner->currentText());
    FillPortLists(meter.value_or(SavedMeterPort), scaner.value_or(SavedScanerPort));
}

void TFormMain::ComboPortChange(int index) {
    const auto n = portNumber(ComboPort->itemText(index));
    if (!n) return;
    try {
        VaComm1->SetPortNum(*n);
    } catch (const EVaCommError &e) {
        ReportApplicationError(e.text);
        return;
    }
    for (QAction *item : NPort->actions())
        if (Tag(item) == *n) {
            item->setChecked(true);
            break;
        }
}

void TFormMain::PortMenuClick(QAction *item) {
    item->setChecked(true);
    const int n = Tag(item);
    try {
        VaComm1->SetPortNum(n);
    } catch (const EVaCommError &e) {
        ReportApplicationError(e.text);
        return;
    }
    const int index = ComboPort->findText(QString("Com%1").arg(n), Qt::MatchFixedString);
    ComboPort->setCurrentIndex(index); // -1: no selection
}

void TFormMain::ComboBaudChange(int index) {
    if (index < 0 || index > 3) return;
    for (QAction *item : BaudGroup->actions())
        if (Tag(item) == index) item->setChecked(true);
    VaComm1->SetBaudrate(baudOfIndex(index));
}

void TFormMain::N12001Click(QAction *item) {
    item->setChecked(true);
    const int index = Tag(item);
    if (index < 0 || index > 3) return;
    ComboBaud->setCurrentIndex(index);
    VaComm1->SetBaudrate(baudOfIndex(index));
}

void TFormMain::SetConnectedControls(bool connected) {
    ActionDisconnect->setEnabled(connected);
    ActionConnect->setEnabled(!connected);
    ComboPort->setEnabled(!connected);
    NPort->setEnabled(!connected);
    ComboBaud->setEnabled(!connected);
    NBaud->setEnabled(!connected);
}

void TFormMain::ActionConnectExecute() {
    if (Connected()) return;
    StatusPanel0->clear();
    StatusPanel1->clear();
    try {
        VaComm1->SetPortNum(portNumber(ComboPort->currentText()).value_or(1));
        VaComm1->Open();
    } catch (const EVaCommError &e) {
        // The box says what failed; the component's reason (not found, busy, no
        // permission) stays in view behind it.
        StatusPanel1->setText(e.text);
        AddProtocolLine(e.text);
        QMessageBox::critical(this, "Ошибка", "Ошибка открытия порта " + ComboPort->currentText());
        return;
    }
    bool dsr = true;
    try {
        dsr = VaComm1->GetModemState(2);
    } catch (const EVaCommError &) {
        dsr = false;
    }
    if (!dsr) StatusPanel1->setText("DSR не установлен");
    TimerStart->start();
    SetConnectedControls(true);
    LabeledPass2->setReadOnly(false);
    LabeledPass2->setEnabled(true);
    AccessPassword = LabeledPass2->text().toInt(); // 0 when it is not a number
    Engine->SetWritePending(false);
    Engine->SetScheduleWritePending(false);
    BtnReadSchedule->setEnabled(true);
    BtnWriteSchedule->setEnabled(true);
}

void TFormMain::TimerStartTimer() {
    TimerStart->stop();
    Engine->StartExchange();
}

void TFormMain::ActionDisconnectExecute() {
    if (!Connected()) return;
    StatusPanel0->clear();
    StatusPanel1->clear();
    TimerStart->stop();
    try {
        Engine->EndConnection();
    } catch (const EVaCommError &) {
        QMessageBox::critical(this, "Ошибка", "Ошибка закрытия порта " + ComboPort->currentText());
        return;
    }
    ActionSetting->setEnabled(false);
    ActionFixDb->setEnabled(false);
    SetConnectedControls(false);
    LabeledPass2->setReadOnly(false);
    BtnReadSchedule->setEnabled(false);
    BtnWriteSchedule->setEnabled(false);
    ClearMeterView();
}

void TFormMain::VaComm1Break() {
    StatusPanel1->setText("Break received");
}

void TFormMain::NExitClick() {
    close();
}

} // namespace ormix::ui
