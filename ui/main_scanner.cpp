// The barcode scanner of production workstations: the port VaComm2 on the tool bar's
// Panel5, and each code it reads put into the factory-number field as if typed.
#include "link/error_report.h"
#include "link/port_table.h"
#include "link/vacomm.h"
#include "ui/main.h"
#include "ui/pages/settings_page.h"
#include "ui/ui_log.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QThread>

namespace ormix::ui {

using link::EVaCommError;

namespace {
// The pause between closing the old port and opening the new one: USB adapters need a
// moment before the same device can be opened again.
constexpr int kReopenPauseMs = 100;
} // namespace

void TFormMain::ConnectScanerHandlers() {
    connect(ComboScaner, &QComboBox::activated, this, &TFormMain::ComboScanerChange);
    connect(CheckBox5, &QCheckBox::clicked, this, &TFormMain::CheckBox5Click);
    VaComm2->OnRxChar = [this](link::TVaCustomComm *, int count) { VaComm2RxChar(count); };
    VaComm2->OnDeviceLost = [this](link::TVaCustomComm *) { VaComm2Lost(); };
}

// In SQL mode unless the configuration switches the scanner off; a scanner missing or
// busy is no reason to bother the operator, who may not use one.
void TFormMain::OpenScanerAtStart() {
    if (!shared.SqlMode || !ScanerAllowed) return;
    try {
        VaComm2->Open();
        VaComm2->WriteChar(0);
    } catch (const EVaCommError &e) {
        qCDebug(lcUi) << "scanner port:" << e.text;
        CloseScanerQuietly();
    }
}

void TFormMain::CloseScanerQuietly() {
    try {
        VaComm2->Close();
    } catch (const EVaCommError &e) {
        qCDebug(lcUi) << "scanner port:" << e.text;
    }
}

void TFormMain::VaComm2RxChar(int count) {
    if (count == 0) return;
    QByteArray bytes;
    try {
        bytes = VaComm2->ReadText();
    } catch (const EVaCommError &e) {
        qCDebug(lcUi) << "scanner port:" << e.text;
        return;
    }
    if (const auto number = ScanBuffer.Take(bytes)) TabSheet1->SetScannedNumber(*number);
}

// The picked port is opened whether CheckBox5 is ticked or not.
void TFormMain::ComboScanerChange(int index) {
    CloseScanerQuietly();
    QThread::msleep(kReopenPauseMs);
    try {
        VaComm2->SetPortNum(link::PortNumberOf(ComboScaner->itemText(index)).value_or(2));
        VaComm2->Open();
    } catch (const EVaCommError &e) {
        CloseScanerQuietly();
        link::ReportApplicationError(e.text);
    }
}

void TFormMain::CheckBox5Click(bool checked) {
    if (!checked) {
        CloseScanerQuietly();
        return;
    }
    try {
        VaComm2->Open();
    } catch (const EVaCommError &e) {
        qCDebug(lcUi) << "scanner port:" << e.text;
        CloseScanerQuietly();
    }
}

// The scanner's cable pulled out: the port is closed and CheckBox5 shows it off; ticking
// it again opens the port once the scanner is back. Half a code sent before is dropped,
// or it would be glued to the first code after.
void TFormMain::VaComm2Lost() {
    qCInfo(lcUi) << "scanner port lost";
    ScanBuffer.Clear();
    CloseScanerQuietly();
    CheckBox5->setChecked(false);
}

} // namespace ormix::ui
