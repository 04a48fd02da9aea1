#pragma once
// TFormMain: the operator's workplace. The class is declared here; its handlers live in one
// source file per concern (main_layout, main_startup, main_edit, main_link, main_poll,
// main_write, main_records, main_correct).
#include "link/exchange_engine.h"

#include <QByteArray>
#include <QDateTime>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSettings;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTimeEdit;
class QTimer;
class QToolBar;
class QTreeWidget;
class QWidget;

namespace ormix::link {
class TVaComm;
}
namespace ormix::records {
class LogBrowseModel;
}

namespace ormix::ui {

using link::TExchangeEngine;
using link::TExchangeHost;
using link::TExchangeTimings;
using link::TVaComm;
using records::LogBrowseModel;

class TDropDown;
class TShape;
class TSpinEdit;

// Options the program entry passes on (command line, for scripts and tests).
struct StartOptions {
    QString port; // "COMn" to preselect instead of the saved one; empty: the saved one
    // Timer intervals: the program runs with these; tests shorten the ones they wait for.
    TExchangeTimings engine; // Timer1, Timer2, TimerShape
    int timerStartMs = 100;  // TimerStart: the first request after a connect
    int timer3Ms = 500;      // Timer3: the date and time pickers follow the PC clock
};

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(const StartOptions &options = {}, QWidget *parent = nullptr);
    ~TFormMain() override;

    // ---- fields shared between the concerns -------------------------------------------
    int ModeFlags = 2;      // bit 0 master mode, bit 1 write password editable
    bool SqlMode = false;   // production database instead of the local table
    bool NtPlatform = true; // selects the configuration root; always the NT family here
    int MeterTypeId = 6;
    int NewPassword = 0;
    int AccessPassword = 0;
    int FirmwareMajor = 0;
    int LastStatus = 0;
    QDateTime LastProgrammedAt; // invalid = none recorded
    double DriftSum = 0;
    int DriftCount = 0;
    int PollIndex = 0;
    bool ScanerAllowed = true;
    int SavedMeterPort = 1;
    int SavedScanerPort = 2;

    bool MasterMode() const { return ModeFlags & 1; }
    bool Connected() const;

    // ---- operations other Parts call -----------------------------------------------------
    void ClearModifiedTags(QWidget *container);
    void ClearMeterView();
    void FillPortLists(int meterPort, int scanerPort);
    bool PasswordConditionHolds() const;
    void AddProtocolLine(const QString &line);
    void ShowResult(bool success);
    // The decoder of a validated reply (the engine's dispatch lands here).
    void DecodeReply(const QByteArray &reply, const QByteArray &request);
    // Next poll request, checksum appended; advances the cycle.
    QByteArray NextPollFrame();
    void LogLocalRecord();
    void LogProductionRecord();
    void SyncClockWithServer();
    // Path of the local log table; Setting.DBF in the working directory.
    QString LocalTablePath() const;
    // Settings store; tests redirect it through XDG_CONFIG_HOME.
    static std::unique_ptr<QSettings> OpenSettings();

    // ---- actions ---------------------------------------------------------------------
    QAction *ActionConnect{}, *ActionDisconnect{}, *ActionSetting{}, *ActionFixDb{},
        *ActionSpoilage{}, *ActionReset{}, *ActionOpen{}, *ActionClose{}, *ActionFocusCorrect{},
        *ActionCountCorrect{};
    QAction *NExit{}, *NStatus{}, *NHelp{}, *NAbout{};
    QAction *N12001{}, *N24001{}, *N48001{}, *N96001{};
    QMenu *N1{}, *NPort{}, *NBaud{}, *NSettings{}, *NDatabase{}, *NHelpMenu{};
    QActionGroup *PortGroup{}, *BaudGroup{};
    QToolBar *ToolBar1{};

    // ---- tool bar and status bar ------------------------------------------------------
    QWidget *Panel1{}, *Panel5{};
    QLabel *Label1{}, *LabelBaud{}, *LabelScaner{};
    TDropDown *ComboPort{}, *ComboScaner{};
    QComboBox *ComboBaud{};
    QCheckBox *CheckBox5{};
    TShape *Shape1{};
    QAction *Shape1Action{}; // shows and hides Shape1 on the tool bar
    QStatusBar *StatusBar1{};
    QLabel *StatusPanel0{}, *StatusPanel1{};

    // ---- pages --------------------------------------------------------------------------
    QTabWidget *PageControl1{};
    QWidget *TabSheet1{}, *TabSchedule{}, *TabSheet2{}, *TabSheet3{}, *TabSheet4{}, *TabSheet5{};

    // settings page
    QGroupBox *GroupBoxCounts{}, *GroupBox2{}, *GroupCalendar{}, *GroupBox3{}, *GroupBox1{},
        *GroupStatus{}, *GroupSchedule{}, *GroupBox4{}, *GroupBox5{};
    QLineEdit *LabeledTariff1{}, *LabeledTariff2{}, *LabeledTariff3{};
    QLineEdit *EditTariff1{}, *EditTariff2{}, *EditTariff3{};
    QCheckBox *CheckStatus{}, *CheckTime{}, *CheckShedule{}, *CheckIndi{}, *CheckCorrect{},
        *CheckVDM{}, *CheckReset{}, *CheckPassword{}, *CheckResetTariff{};
    QLineEdit *LabeledPass1{}, *LabeledPass2{};
    QDateEdit *DatePicker{};
    QTimeEdit *TimePicker{};
    QCheckBox *CheckBoxClock{};
    QSpinBox *SpinClock{};
    QLineEdit *EditCorrect{};
    QPushButton *BitBtn2{};
    TSpinEdit *SpinEdit_Number{};
    QPushButton *BitBtn1{};
    QLineEdit *LabeledVersion{}, *LabeledCurTime{}, *LabeledOff{}, *LabeledNCorrect{},
        *LabeledDelta{}, *EditOff{};
    QLabel *LabelDelta{};
    QCheckBox *CheckSummer{};
    QPlainTextEdit *Memo1{};
    QSpinBox *SpinDay{}, *SpinHour{};
    QCheckBox *CheckReadTarif{};
    QCheckBox *CheckBox1{}, *CheckBox2{}, *CheckBox3{}, *CheckBox4{}, *CheckNoIndi{};
    QLabel *Label2{};
    TSpinEdit *SpinEditVDM{};
    QCheckBox *CheckDdmRead{};
    QLineEdit *EditLastSeance{};
    QLabel *LabelLastSeance{};

    // schedule page
    QCheckBox *CheckOneTarif{};
    QGroupBox *GroupBox6{}, *GroupCel{}, *GroupTransfer{};
    QTableWidget *ValueListEditor1{}, *StringAttrib{};
    QTimeEdit *Picker_Zone[6]{};
    QComboBox *ComboM{}, *ComboTrans{};
    QSpinBox *SpinD{};
    QPushButton *BtnInsCel{}, *BtnDelCel{}, *BtnInsTrans{}, *BtnDelTrans{}, *BtnReadSchedule{},
        *BtnWriteSchedule{}, *BtnTemplet{};
    QTreeWidget *ListCel{}, *ListTransfer{};
    QDateEdit *DTPTrans{};

    // journal pages
    QTableWidget *GridJournal{}, *GridEvent{}, *GridJour{};
    QPushButton *BitBtn3{}, *BitBtn4{}, *BitBtn5{}, *BtnJournal{}, *BtnDiary{};
    QProgressBar *Gauge1{}, *Gauge2{};
    QTreeWidget *ListView1{};
    QTabWidget *PageControl2{};

    // protocol page
    QPlainTextEdit *Memo_Terminal{};
    QCheckBox *CheckBox_Terminal{};

    // database page
    QSpinBox *SpinFilter{};
    QDateEdit *DTP1{}, *DTP2{};
    QStatusBar *StatusBar2{};
    QLabel *StatusBar2Text{};
    QTableView *DBGrid1{};

    // ---- timers and ports ---------------------------------------------------------------
    // TimerShape, Timer1 and Timer2 belong to the exchange engine.
    QTimer *TimerStart{}, *Timer3{};
    TVaComm *VaComm1{}, *VaComm2{};

    // ---- handlers -------------------------------------------------------------------------
    void SpinEdit_AddrChange(QObject *sender);
    void LabeledPass1Change();
    void Timer3Timer();
    void ActionResetExecute();
    void ComboPortChange(int index);
    void PortMenuClick(QAction *item);
    void ComboBaudChange(int index);
    void N12001Click(QAction *item);
    void ActionConnectExecute();
    void ActionDisconnectExecute();
    void TimerStartTimer();
    void VaComm1Break();
    void NExitClick();
    void RefreshPortLists();
    void ActionSettingExecute();
    void BitBtn1Click();
    void ActionOpenExecute();
    void ActionCloseExecute();
    void EditCorrectChange();
    void ActionCountCorrectExecute();
    void ActionFocusCorrectExecute();
    void BtnTempletClick();
    void CheckOneTarifClick();
    void NStatusClick();

    // Each activation in SQL mode identifies the workstation, the operator and the
    // installation in the production database (not wired yet).
    void FormActivate();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void BuildLayout();
    void BuildActions();
    void BuildSettingsPage();
    void BuildSchedulePage();
    void BuildJournalPages();
    void BuildProtocolPage();
    void BuildDatabasePage();
    void ConnectHandlers();
    void FormCreate(const StartOptions &options);
    void ReadConfiguration();
    void ApplyModes();
    void PrefillFromLog();
    void SaveConfiguration();
    void EnableGroup(QWidget *group, bool enabled);
    void SetConnectedControls(bool connected);
    void ApplyVersionLayout(int major);

    QStringList portNamesShown; // the names listed now, to notice adapters plugged in or out
    bool closing = false;
    int runPort = 0; // the port of --port, kept out of the saved configuration

    void ApplyVersion(const QByteArray &reply);
    void ApplyNumber(const QByteArray &reply);
    void ApplyClock(const QByteArray &reply);
    void ApplyStatus(const QByteArray &reply);
    void ApplyPasswordAck();

    std::unique_ptr<TExchangeHost> host;

public:
    // The exchange engine: Commands, TxFrame, RxBuffer, Timer1, Timer2 and the counters.
    std::unique_ptr<TExchangeEngine> Engine;
    // The other windows, created after the main window by the program entry.
    QDialog *FormStatus{}, *AboutBox{}, *FormHelp{}, *FormSpoilage{};
    LogBrowseModel *Table1{};
};

// The window's side of the exchange engine (main_link.cpp).
std::unique_ptr<TExchangeHost> MakeMainHost(TFormMain *form);

} // namespace ormix::ui
