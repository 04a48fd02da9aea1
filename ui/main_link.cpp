// The meter line: port and speed lists, connect and disconnect.
#include "link/error_report.h"
#include "link/port_setup.h"
#include "link/port_table.h"
#include "link/vacomm.h"
#include "ui/main.h"
#include "ui/pages/schedule_page.h"
#include "ui/pages/settings_page.h"
#include "ui/port_names.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

namespace ormix::ui {

using link::EVaCommError;
using link::PortNumberOf;

bool TFormMain::Connected() const {
    return ActionDisconnect->isEnabled();
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
        const auto n = PortNumberOf(name);
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
            if (!link::ProbePort(*VaComm1, i)) continue;
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
    if (PortNumberOf(ComboPort->currentText()) != meterPort) ComboPort->setCurrentIndex(-1);
    if (PortNumberOf(ComboScaner->currentText()) != scanerPort) ComboScaner->setCurrentIndex(-1);
}

void TFormMain::RefreshPortLists() {
    // Adapters come and go; the lists follow them whenever one is about to open. The
    // lists are locked while connected, and a probe of ports is for start-up only.
    if (Connected()) return;
    const QStringList now = SerialPortNames();
    if (now.isEmpty() || now == portNamesShown) return;
    // With nothing selected the saved port was missing: it is taken when it shows up.
    const auto meter = PortNumberOf(ComboPort->currentText());
    const auto scaner = PortNumberOf(ComboScaner->currentText());
    FillPortLists(meter.value_or(SavedMeterPort), scaner.value_or(SavedScanerPort));
}

void TFormMain::ComboPortChange(int index) {
    const auto n = PortNumberOf(ComboPort->itemText(index));
    if (!n) return;
    try {
        VaComm1->SetPortNum(*n);
    } catch (const EVaCommError &e) {
        link::ReportApplicationError(e.text);
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
        link::ReportApplicationError(e.text);
        return;
    }
    const int index = ComboPort->findText(QString("Com%1").arg(n), Qt::MatchFixedString);
    ComboPort->setCurrentIndex(index); // -1: no selection
}

void TFormMain::ComboBaudChange(int index) {
    if (index < 0 || index >= int(link::kMeterSpeeds.size())) return;
    for (QAction *item : BaudGroup->actions())
        if (Tag(item) == index) item->setChecked(true);
    VaComm1->SetBaudrate(link::kMeterSpeeds[index].rate);
}

void TFormMain::N12001Click(QAction *item) {
    item->setChecked(true);
    const int index = Tag(item);
    if (index < 0 || index >= int(link::kMeterSpeeds.size())) return;
    ComboBaud->setCurrentIndex(index);
    VaComm1->SetBaudrate(link::kMeterSpeeds[index].rate);
}

void TFormMain::SetConnectedControls(bool connected) {
    ActionDisconnect->setEnabled(connected);
    ActionConnect->setEnabled(!connected);
    ComboPort->setEnabled(!connected);
    NPort->setEnabled(!connected);
    ComboBaud->setEnabled(!connected);
    NBaud->setEnabled(!connected);
    TabSchedule->SetConnected(connected);
}

void TFormMain::ActionConnectExecute() {
    if (Connected()) return;
    StatusPanel0->clear();
    ShowLineMessage({});
    try {
        VaComm1->SetPortNum(PortNumberOf(ComboPort->currentText()).value_or(1));
        VaComm1->Open();
    } catch (const EVaCommError &e) {
        // The box says what failed; the component's reason (not found, busy, no
        // permission) stays in view behind it.
        ShowLineMessage(e.text);
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
    if (!dsr) ShowLineMessage("DSR не установлен");
    TimerStart->start();
    SetConnectedControls(true);
    TabSheet1->Connected();
    engine->SetWritePending(false);
    engine->SetScheduleWritePending(false);
    pendingWrite.reset();
}

void TFormMain::TimerStartTimer() {
    TimerStart->stop();
    engine->StartExchange();
}

void TFormMain::ActionDisconnectExecute() {
    if (!Connected()) return;
    StatusPanel0->clear();
    ShowLineMessage({});
    TimerStart->stop();
    try {
        engine->EndConnection();
    } catch (const EVaCommError &) {
        QMessageBox::critical(this, "Ошибка", "Ошибка закрытия порта " + ComboPort->currentText());
        return;
    }
    pendingWrite.reset();
    ActionSetting->setEnabled(false);
    ActionFixDb->setEnabled(false);
    SetConnectedControls(false);
    TabSheet1->Disconnected();
    ClearMeterView();
}

void TFormMain::VaComm1Break() {
    ShowLineMessage("Break received");
}

void TFormMain::NExitClick() {
    close();
}

} // namespace ormix::ui
