#pragma once
// The page "Установка" (TabSheet1): what the poll cycle reads from the meter and what a
// write sends to it, under the modified-mark rules: a control the operator changed is
// left alone by the replies until the page is cleared. The page reads itself into the
// operator's choices and the meter's shown values when the window writes and logs.
#include "meter/meter_shown.h"
#include "meter/poll_decoders.h"
#include "meter/write_choices.h"
#include "records/operation_log.h"
#include "ui/shared_state.h"

#include <QDateTime>
#include <QWidget>
#include <optional>

class QAction;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimeEdit;
class QTimer;

namespace ormix::ui {

class TSpinEdit;

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    // `focusCorrect` (F8) and `countCorrect` (F9) are the window's actions of the
    // correction calculator on this page; `log` proposes "+" numbers and the drift's start.
    SettingsPage(SharedState &shared, records::OperationLog &log, QAction *focusCorrect,
                 QAction *countCorrect, int timer3Ms, QWidget *parent);

    // ---- start-up and the connection ----------------------------------------------------
    void ApplyModes();
    void SetPasswordTexts(const QString &text); // both fields' defaults
    void PasswordEchoFromSettings();            // the configuration's "Password"
    void SetSavedDdm(int number);               // the configuration's "DDM"
    std::optional<int> DdmToSave() const;       // while CheckDdmRead is ticked
    void ApplyPrefill(const records::LogPrefill &prefill);
    void FinishStartup(); // NewPassword, the access field's echo, the clock, no marks
    void Connected();
    void Disconnected();
    void WriteCompleted(); // LabeledPass2 disabled until the next connect

    // ---- the poll replies ---------------------------------------------------------------
    void ShowVersion(const meter::VersionReply &r);
    void ShowNumber(const meter::NumberReply &r);
    void ShowClock(const meter::ClockReply &r);
    void ShowCorrection(const meter::CorrectionReply &r);
    void ShowStatus(const meter::StatusReply &r);
    void ShowDisplay(const meter::DisplayReply &r);
    void ShowEnergy(const meter::EnergyReply &r);
    void ShowOperatingTime(const meter::OperatingTimeReply &r);
    void ShowDdm(const meter::DdmReply &r);
    void ShowBilling(const meter::BillingReply &r);
    void ShowLastSession(const meter::LastSessionReply &r);
    // A password frame was taken; `written` is the settings write in progress, if any.
    void ApplyPasswordAck(const std::optional<meter::WriteChoices> &written);

    // SpinEditVDM is enabled: the poll cycle reads the DDM number.
    bool DdmReadable() const;

    // A code of the barcode scanner: SpinEdit_Number as if the operator had typed it (the
    // same number again changes nothing and marks nothing).
    void SetScannedNumber(int number);

    // ---- writing and logging ------------------------------------------------------------
    bool PasswordConditionHolds() const;
    meter::WriteChoices ReadChoices() const;
    meter::MeterShown MeterShownNow() const;
    // ClearMeterView's part on this page; the input focus moves only when `shownNow`.
    void ClearMeterView(bool shownNow);
    // ActionReset's part: AccessPassword from LabeledPass2 (0 when not an integer).
    void ResetAccessPassword();

signals:
    // After every change of a password text: whether both texts allow a write.
    void writeAvailabilityChanged(bool passwordsAllowIt);
    // F8 wants this page in front.
    void frontRequested();

private:
    void BuildLayout();
    void BuildMeterGroup();
    void BuildCalendarGroup();
    void BuildWriteGroup();
    void BuildReadingsGroup();
    void BuildRightColumn();
    void ConnectHandlers();

    // Handlers.
    void SpinEdit_AddrChange(QObject *sender);
    void LabeledPass1Change();
    void Timer3Timer();
    void BitBtn1Click();
    void EditCorrectChange();
    void ActionCountCorrectExecute();
    void ActionFocusCorrectExecute();

    SharedState &shared;
    records::OperationLog &log;
    QAction *ActionFocusCorrect, *ActionCountCorrect;
    QTimer *Timer3{};

    // What the poll decoders gave that the page shows only as text.
    std::optional<qint64> onTime;       // EditOff
    std::optional<int> correctionCount; // LabeledNCorrect
    // The drift figure: when this meter's clock was last set, and the running average.
    QDateTime LastProgrammedAt;
    double DriftSum = 0;
    int DriftCount = 0;

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
};

} // namespace ormix::ui
