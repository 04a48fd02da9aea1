#pragma once
// TFormMain: the operator's window. It keeps the menus, the tool bar, the status bar, the
// two ports, the exchange engine and the log chosen at start-up, and routes each decoded
// reply to the page that shows it; each page (ui/pages/) owns its controls and handlers.
// Its handlers live in one source file per concern: main_window (building), main_startup,
// main_link (ports and connection), main_routing (the engine's host, replies to pages),
// main_write (the settings write and its log).
#include "link/exchange_engine.h"
#include "meter/poll_decoders.h"
#include "meter/scanned_code.h"
#include "meter/write_choices.h"
#include "records/operation_log.h"
#include "ui/meter_line.h"
#include "ui/shared_state.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;
class QSettings;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolBar;

namespace ormix::link {
class TVaComm;
}
namespace ormix::records {
class ProductionDatabase;
class ProductionLog;
} // namespace ormix::records

namespace ormix::ui {

class DatabasePage;
class JournalPage;
class MainHost;
class OldJournalPage;
class ProtocolPage;
class SchedulePage;
class SettingsPage;
class TDropDown;
class TShape;

// Options the program entry passes on (command line, for scripts and tests).
struct StartOptions {
    QString port; // "COMn" to preselect instead of the saved one; empty: the saved one
    // Timer intervals: the program runs with these; tests shorten the ones they wait for.
    link::TExchangeTimings engine; // Timer1, Timer2, TimerShape
    int timerStartMs = 100;        // TimerStart: the first request after a connect
    int timer3Ms = 500;            // Timer3: the date and time pickers follow the PC clock
};

// The window's caption, also the title of the general error report.
extern const QString kWindowTitle;

class TFormMain : public QMainWindow, private MeterLine {
    Q_OBJECT
public:
    explicit TFormMain(const StartOptions &options = {}, QWidget *parent = nullptr);
    ~TFormMain() override;

    // The other windows, created after this one by the program entry, shown modally.
    void AttachWindows(QDialog *about, QDialog *spoilage, QDialog *status, QDialog *help);

    // The fields every part reads (modes, firmware, status, passwords, identifiers).
    const SharedState &Shared() const { return shared; }
    // The exchange engine: Commands, TxFrame, RxBuffer, Timer1, Timer2 and the counters.
    link::TExchangeEngine &Engine() { return *engine; }
    // Connected: ActionDisconnect is enabled.
    bool Connected() const override;

    // The production log opened at start-up in SQL mode; nullptr in local mode or when
    // the configured database driver is not there.
    records::ProductionLog *ProductionDatabase();

    // The configuration store; tests redirect it through XDG_CONFIG_HOME.
    static std::unique_ptr<QSettings> OpenSettings();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    friend class MainHost;

    // ---- building (main_window.cpp) ------------------------------------------------------
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildPages(const StartOptions &options);
    void BuildStatusBar();
    void ConnectHandlers();
    void FitTheScreen();

    // ---- start-up and shutdown (main_startup.cpp) ----------------------------------------
    void FormCreate(const StartOptions &options);
    void ReadConfiguration();
    void ApplyModes();
    void PrefillFromLog();
    void SaveConfiguration();

    // ---- SQL mode (main_production.cpp) --------------------------------------------------
    void FormActivate();
    void ActionFixDbExecute();
    void TellClockNotSet();
    void ShowUnsentCount();
    void ShowLineMessage(const QString &text);

    // ---- the meter line (main_link.cpp) --------------------------------------------------
    void FillPortLists(int meterPort, int scanerPort);
    void RefreshPortLists();
    void ComboPortChange(int index);
    void PortMenuClick(QAction *item);
    void ComboBaudChange(int index);
    void N12001Click(QAction *item);
    void ActionConnectExecute();
    void ActionDisconnectExecute();
    void TimerStartTimer();
    void VaComm1Break();
    void NExitClick();
    void SetConnectedControls(bool connected);

    // ---- the barcode scanner (main_scanner.cpp) -----------------------------------------
    void ConnectScanerHandlers();
    void OpenScanerAtStart();
    void CloseScanerQuietly();
    void VaComm2RxChar(int count);
    void ComboScanerChange(int index);
    void CheckBox5Click(bool checked);
    void VaComm2Lost();

    // ---- the defect dialog (main_spoilage.cpp) -------------------------------------------
    void ActionSpoilageExecute();

    // ---- replies to the pages (main_routing.cpp) -----------------------------------------
    QByteArray NextPollFrame();
    void DecodeReply(const QByteArray &reply, const QByteArray &request);
    void ApplyFirmwareLayout(const meter::FirmwareLayout &layout);
    // MeterLine, for the pages.
    bool Queued(std::uint8_t code) const override;
    void Queue(const QList<QByteArray> &frames) override;
    void QueueScheduleWrite(const QList<QByteArray> &frames) override;
    void AddProtocolLine(const QString &line) override;

    // ---- writing (main_write.cpp) --------------------------------------------------------
    void ActionSettingExecute();
    void LogCompletedWrite();
    void ClearMeterView();
    void ActionResetExecute();
    void ShowResult(bool success);
    void ShowBox(const QString &title, const QString &text);
    void ShowModal(QDialog *dialog);

    SharedState shared;
    int PollIndex = 0;
    bool ScanerAllowed = true;
    int SavedMeterPort = 1;
    int SavedScanerPort = 2;
    int runPort = 0;               // the port of --port, kept out of the saved configuration
    bool passwordUnmasked = false; // the configuration's "Password"
    std::optional<int> savedDdm;   // the configuration's "DDM"
    QStringList portNamesShown;    // the names listed now, to notice adapters plugged in or out
    bool closing = false;
    // The settings write in the queue, as it was read at the click: what the log records
    // and what the password acknowledgement follows.
    std::optional<meter::WriteChoices> pendingWrite;
    // The scanner's characters since its last complete code; kept across port changes.
    meter::ScanBuffer ScanBuffer;

    // The production database in SQL mode (before the log, which uses it), and the log
    // chosen by SqlMode at start-up; the pages and the engine's host use it.
    std::unique_ptr<records::ProductionDatabase> production;
    std::unique_ptr<records::OperationLog> log;
    // Panel 1 of StatusBar1: the line's state and the operations waiting for the server.
    QString lineMessage, unsentMessage;
    bool identifying = false, skipNextActivation = false;

    QAction *ActionConnect{}, *ActionDisconnect{}, *ActionSetting{}, *ActionFixDb{},
        *ActionSpoilage{}, *ActionReset{}, *ActionOpen{}, *ActionClose{}, *ActionFocusCorrect{},
        *ActionCountCorrect{};
    QAction *NExit{}, *NStatus{}, *NHelp{}, *NAbout{};
    QAction *N12001{}, *N24001{}, *N48001{}, *N96001{};
    QMenu *N1{}, *NPort{}, *NBaud{}, *NSettings{}, *NDatabase{}, *NHelpMenu{};
    QActionGroup *PortGroup{}, *BaudGroup{};
    QToolBar *ToolBar1{};
    QWidget *Panel1{}, *Panel5{};
    QAction *Panel5Action{};
    QLabel *Label1{}, *LabelBaud{}, *LabelScaner{};
    TDropDown *ComboPort{}, *ComboScaner{};
    QComboBox *ComboBaud{};
    QCheckBox *CheckBox5{};
    TShape *Shape1{};
    QAction *Shape1Action{}; // shows and hides Shape1 on the tool bar
    QStatusBar *StatusBar1{};
    QLabel *StatusPanel0{}, *StatusPanel1{};

    QTabWidget *PageControl1{};
    SettingsPage *TabSheet1{};
    SchedulePage *TabSchedule{};
    OldJournalPage *TabSheet2{};
    JournalPage *TabSheet3{};
    ProtocolPage *TabSheet4{};
    DatabasePage *TabSheet5{};

    // TimerShape, Timer1 and Timer2 belong to the exchange engine, Timer3 to the settings
    // page.
    QTimer *TimerStart{};
    link::TVaComm *VaComm1{}, *VaComm2{};
    std::unique_ptr<link::TExchangeHost> host;
    std::unique_ptr<link::TExchangeEngine> engine;
    QDialog *FormStatus{}, *AboutBox{}, *FormHelp{}, *FormSpoilage{};
};

// The window's side of the exchange engine (main_routing.cpp).
std::unique_ptr<link::TExchangeHost> MakeMainHost(TFormMain &form);

} // namespace ormix::ui
