// Start-up and shutdown: configuration store, marker file, the two mode switches and how
// they shape the window, the pre-fill from the last logged write, saving at exit.
#include "link/error_report.h"
#include "link/port_setup.h"
#include "link/port_table.h"
#include "link/vacomm.h"
#include "platform/platform.h"
#include "ui/controls.h"
#include "ui/main.h"
#include "ui/pages/database_page.h"
#include "ui/pages/journal_page.h"
#include "ui/pages/old_journal_page.h"
#include "ui/pages/protocol_page.h"
#include "ui/pages/schedule_page.h"
#include "ui/pages/settings_page.h"
#include "ui/table_export.h"
#include "ui/ui_log.h"
#include "ui/widgets.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolBar>

namespace ormix::ui {

using link::EVaCommError;
using link::TVaComm;

namespace {
const QString kMarkerFile = QStringLiteral("SettingSql.kastor");
constexpr auto kDefaultPassword = "0"; // both password fields at start

// An integer value of the store; a value of another type counts as absent.
std::optional<int> ReadInt(QSettings &s, const char *key) {
    if (!s.contains(key)) return std::nullopt;
    bool ok = false;
    const int v = s.value(key).toInt(&ok);
    if (!ok) {
        qCInfo(lcUi) << "configuration value" << key << "is not an integer; default kept";
        return std::nullopt;
    }
    return v;
}
} // namespace

std::unique_ptr<QSettings> TFormMain::OpenSettings() {
    return std::make_unique<QSettings>(QStringLiteral("Veltaron"), QStringLiteral("Ormix"));
}

// The defaults, the configuration store over them, then the marker file, which forces SQL
// mode and master mode.
void TFormMain::ReadConfiguration() {
    shared.ModeFlags = 2;
    shared.MeterTypeId = 6;
    shared.SqlMode = false;
    shared.NtPlatform = platform::CurrentPlatform().IsNtFamily();
    auto s = OpenSettings();
    if (s->status() == QSettings::NoError) {
        if (auto v = ReadInt(*s, "Port")) SavedMeterPort = *v;
        if (auto v = ReadInt(*s, "Scaner")) SavedScanerPort = *v;
        if (s->contains("Master")) shared.ModeFlags += 1;
        if (s->contains("NoUser")) shared.ModeFlags -= 2;
        shared.SqlMode = s->contains("Sql");
        passwordUnmasked = s->contains("Password");
        savedDdm = ReadInt(*s, "DDM");
        if (s->contains("NoScaner")) ScanerAllowed = false;
    }
    if (QFileInfo::exists(kMarkerFile)) {
        shared.ModeFlags |= 1;
        shared.SqlMode = true;
    }
}

void TFormMain::FormCreate(const StartOptions &options) {
    TabSheet1->SetPasswordTexts(kDefaultPassword);
    if (passwordUnmasked) TabSheet1->PasswordEchoFromSettings();
    if (savedDdm) TabSheet1->SetSavedDdm(*savedDdm);
    ApplyModes();

    // Ports: the lists, then the port numbers from the selected entries.
    QThread::msleep(50);
    VaComm1 = Named(new TVaComm(this), "VaComm1");
    link::SetupMeterPort(*VaComm1);
    VaComm2 = Named(new TVaComm(this), "VaComm2");
    link::SetupScannerPort(*VaComm2);
    if (const auto n = link::PortNumberOf(options.port)) SavedMeterPort = runPort = *n;
    FillPortLists(SavedMeterPort, SavedScanerPort);
    VaComm1->SetPortNum(link::PortNumberOf(ComboPort->currentText()).value_or(1));
    VaComm2->SetPortNum(link::PortNumberOf(ComboScaner->currentText()).value_or(2));
    VaComm1->OnBreak = [this](link::TVaCustomComm *) { VaComm1Break(); };

    // The exchange engine owns Commands, TxFrame and RxBuffer.
    host = MakeMainHost(*this);
    engine = std::make_unique<link::TExchangeEngine>(VaComm1, host.get(), nullptr, options.engine);
    engine->Protocol().SetMasterMode(shared.MasterMode());
    engine->Protocol().SetLogging(TabSheet4->LoggingOn());

    ComboBaud->setCurrentIndex(link::kStartSpeedIndex);
    TabSheet5->FinishStartup();

    // The last logged write; the mode defaults above give way to it.
    PrefillFromLog();

    TabSheet1->FinishStartup();
    PageControl1->setCurrentWidget(TabSheet1);
    TabSheet3->SetExportAvailable(CanExport());
    TabSchedule->FinishStartup();

    OpenScanerAtStart();

    TimerStart = Named(new QTimer(this), "TimerStart");
    TimerStart->setInterval(options.timerStartMs);
    TimerStart->setSingleShot(true);
    ActionSetting->setEnabled(false);
}

void TFormMain::ApplyModes() {
    const bool master = shared.MasterMode();
    const bool sql = shared.SqlMode;
    PageControl1->setTabText(PageControl1->indexOf(TabSheet4), master ? "Терминал" : "Протокол");
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet5), !sql);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSchedule), !sql);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), false);
    ActionSpoilage->setVisible(sql);
    ActionFixDb->setVisible(sql);
    Panel5Action->setVisible(sql && ScanerAllowed);
    TabSheet1->ApplyModes();
    TabSheet4->ApplyModes(master);
}

// A missing table is an empty log; one that cannot be read is reported, and the window
// starts with its defaults.
void TFormMain::PrefillFromLog() {
    const auto prefill = log->Prefill();
    ShowUnsentCount();
    if (!prefill.ok()) {
        link::ReportApplicationError(prefill.error);
        return;
    }
    TabSheet1->ApplyPrefill(prefill.value);
    TabSchedule->ApplyPrefill(prefill.value);
}

void TFormMain::SaveConfiguration() {
    auto s = OpenSettings();
    if (s->status() != QSettings::NoError) return;
    // A port given for this run only (a demo meter) does not replace the saved one. Nor
    // does the fallback port 1 of a saved port that is not plugged in now: with nothing
    // selected the operator has chosen no other port, and the saved one stays.
    if (VaComm1 && link::PortNumberOf(ComboPort->currentText()) && VaComm1->PortNum() != runPort)
        s->setValue("Port", VaComm1->PortNum());
    if (VaComm2 && link::PortNumberOf(ComboScaner->currentText()) && shared.SqlMode)
        s->setValue("Scaner", VaComm2->PortNum());
    if (const auto ddm = TabSheet1->DdmToSave()) s->setValue("DDM", *ddm);
    s->sync();
}

void TFormMain::closeEvent(QCloseEvent *event) {
    if (!closing) {
        closing = true;
        ActionDisconnectExecute();
        ActionClose->trigger(); // acts only while the table is open
        SaveConfiguration();
        if (shared.SqlMode && VaComm2) CloseScanerQuietly();
    }
    event->accept();
}

bool TFormMain::event(QEvent *e) {
    if (e->type() == QEvent::WindowActivate) FormActivate();
    // Leaving the window for another one after a box of the identification has closed:
    // coming back is an activation of the operator's again.
    if (e->type() == QEvent::WindowDeactivate && !identifying) skipNextActivation = false;
    // Hints are tool tips: shown in the status bar they would hide its panels (frames sent,
    // "DSR не установлен", "Break received") for as long as the pointer rests on a button.
    if (e->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(e);
}

} // namespace ormix::ui
