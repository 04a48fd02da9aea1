// The page "Установка": start-up shape, edit tracking, the password rules, the clock-
// following pickers, "+" and the correction calculator.
#include "ui/pages/settings_page.h"

#include "link/error_report.h"
#include "meter/correction_calculator.h"
#include "ui/controls.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>

namespace ormix::ui {

namespace {
constexpr auto kMasterWritePassword = "1111"; // the write password in master mode
} // namespace

SettingsPage::SettingsPage(SharedState &shared, records::OperationLog &log, QAction *focusCorrect,
                           QAction *countCorrect, int timer3Ms, QWidget *parent)
    : QWidget(parent), shared(shared), log(log), ActionFocusCorrect(focusCorrect),
      ActionCountCorrect(countCorrect) {
    BuildLayout();
    Timer3 = Named(new QTimer(this), "Timer3");
    Timer3->setInterval(timer3Ms);
    ConnectHandlers();
}

void SettingsPage::ConnectHandlers() {
    // The shared change handler: the operator's edit marks the control.
    auto mark = [this](QObject *o) { return [this, o] { SpinEdit_AddrChange(o); }; };
    connect(DatePicker, &QDateEdit::dateChanged, this, mark(DatePicker));
    connect(TimePicker, &QTimeEdit::timeChanged, this, mark(TimePicker));
    for (QCheckBox *c : {CheckBoxClock, CheckSummer, CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        connect(c, &QCheckBox::toggled, this, mark(c));
    for (QSpinBox *s : std::initializer_list<QSpinBox *>{SpinClock, SpinEdit_Number, SpinDay,
                                                         SpinHour, SpinEditVDM})
        connect(s, &QSpinBox::valueChanged, this, mark(s));
    connect(LabeledDelta, &QLineEdit::textChanged, this, mark(LabeledDelta));

    connect(LabeledPass1, &QLineEdit::textChanged, this, &SettingsPage::LabeledPass1Change);
    connect(LabeledPass2, &QLineEdit::textChanged, this, &SettingsPage::LabeledPass1Change);
    connect(Timer3, &QTimer::timeout, this, &SettingsPage::Timer3Timer);
    connect(BitBtn1, &QPushButton::clicked, this, &SettingsPage::BitBtn1Click);
    connect(EditCorrect, &QLineEdit::textChanged, this, &SettingsPage::EditCorrectChange);
    connect(ActionCountCorrect, &QAction::triggered, this,
            &SettingsPage::ActionCountCorrectExecute);
    connect(BitBtn2, &QPushButton::clicked, ActionCountCorrect, &QAction::trigger);
    connect(ActionCountCorrect, &QAction::changed, this,
            [this] { BitBtn2->setEnabled(ActionCountCorrect->isEnabled()); });
    connect(ActionFocusCorrect, &QAction::triggered, this,
            &SettingsPage::ActionFocusCorrectExecute);
}

// ---- start-up and the connection --------------------------------------------------------

void SettingsPage::ApplyModes() {
    const bool master = shared.MasterMode();
    SetEditable(SpinEdit_Number, master);
    BitBtn1->setVisible(master);
    SetEditable(SpinClock, master);
    if (master) {
        LabeledPass1->setText(kMasterWritePassword);
        LabeledPass1->setEchoMode(QLineEdit::Normal);
    }
    CheckCorrect->setVisible(master);
    GroupBox3->setVisible(master);
    CheckTime->setChecked(master);
    LabeledPass1->setReadOnly(!shared.WritePasswordEditable());
    CheckResetTariff->setVisible(shared.SqlMode);
    LabeledDelta->setVisible(shared.SqlMode);
    LabelDelta->setVisible(shared.SqlMode);
}

void SettingsPage::SetPasswordTexts(const QString &text) {
    LabeledPass1->setText(text);
    LabeledPass2->setText(text);
}

void SettingsPage::PasswordEchoFromSettings() {
    LabeledPass1->setEchoMode(QLineEdit::Normal);
}

void SettingsPage::SetSavedDdm(int number) {
    SpinEditVDM->setValue(number);
    SetTag(SpinEditVDM, 0);
}

std::optional<int> SettingsPage::DdmToSave() const {
    if (!CheckDdmRead->isChecked()) return std::nullopt;
    return SpinEditVDM->value();
}

void SettingsPage::ApplyPrefill(const records::LogPrefill &prefill) {
    if (prefill.pass) LabeledPass1->setText(QString::number(*prefill.pass));
    if (prefill.indicator) {
        QCheckBox *boxes[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4};
        for (int i = 0; i < 4; ++i)
            boxes[i]->setChecked(*prefill.indicator & (1 << i));
    }
}

void SettingsPage::FinishStartup() {
    shared.NewPassword = int(meter::DecimalInteger(LabeledPass1->text()).value_or(0));
    LabeledPass2->setEchoMode(LabeledPass1->echoMode());
    Timer3Timer();
    Timer3->start();
    ClearModifiedTags(this);
}

void SettingsPage::Connected() {
    LabeledPass2->setReadOnly(false);
    LabeledPass2->setEnabled(true);
    ResetAccessPassword();
}

void SettingsPage::Disconnected() {
    LabeledPass2->setReadOnly(false);
}

void SettingsPage::WriteCompleted() {
    LabeledPass2->setEnabled(false);
}

// ---- edit tracking and the password rules -----------------------------------------------

void SettingsPage::SpinEdit_AddrChange(QObject *sender) {
    SetTag(sender, 1);
}

void SettingsPage::ClearMeterView(bool shownNow) {
    SpinEdit_Number->setValue(0);
    for (QLineEdit *e : {LabeledCurTime, LabeledNCorrect, LabeledOff, LabeledVersion, LabeledDelta,
                         EditLastSeance})
        e->clear();
    correctionCount.reset();
    LastProgrammedAt = QDateTime();
    CheckSummer->setChecked(false);
    SpinEdit_Number->setEnabled(true);
    BitBtn1->setEnabled(true);
    ClearModifiedTags(this);
    shared.LastStatus = 0;
    Memo1->clear();
    if (shownNow) SpinEdit_Number->setFocus();
    DriftSum = 0;
    DriftCount = 0;
}

void SettingsPage::ResetAccessPassword() {
    shared.AccessPassword = int(meter::DecimalInteger(LabeledPass2->text()).value_or(0));
}

bool SettingsPage::DdmReadable() const {
    return SpinEditVDM->isEnabled();
}

bool SettingsPage::PasswordConditionHolds() const {
    return meter::PasswordText(LabeledPass2->text()) &&
           (meter::PasswordText(LabeledPass1->text()) || !CheckPassword->isChecked());
}

void SettingsPage::LabeledPass1Change() {
    // A text that is not an integer stops here and leaves its value as it was.
    const auto fresh = meter::DecimalInteger(LabeledPass1->text());
    if (!fresh) {
        emit writeAvailabilityChanged(false);
        return;
    }
    shared.NewPassword = int(*fresh);
    const auto access = meter::DecimalInteger(LabeledPass2->text());
    if (!access) {
        emit writeAvailabilityChanged(false);
        return;
    }
    shared.AccessPassword = int(*access);
    emit writeAvailabilityChanged(PasswordConditionHolds());
}

void SettingsPage::Timer3Timer() {
    // The program's own setting is no operator edit: the pickers stay unmarked.
    const QDateTime now = log.Now();
    if (Tag(DatePicker) == 0 && DatePicker->date() != now.date()) {
        const QSignalBlocker block(DatePicker);
        DatePicker->setDate(now.date());
    }
    // The picker shows whole seconds: a new time only when the shown one is past.
    if (Tag(TimePicker) == 0 && TimePicker->time().secsTo(now.time()) != 0) {
        const QSignalBlocker block(TimePicker);
        TimePicker->setTime(now.time());
    }
}

// ---- "+" and the correction calculator --------------------------------------------------

void SettingsPage::BitBtn1Click() {
    const auto next = log.NextFactoryNumber(shared.MeterTypeId);
    if (!next.ok()) {
        link::ReportApplicationError(next.error);
        return;
    }
    if (!next.value) return; // every number is taken
    // The meter keeps 24 bits: a larger proposal would be cut in the frame and give this
    // meter the number of another.
    if (*next.value < 0 || *next.value > meter::kFactoryNumberMax) {
        link::ReportApplicationError(
            QStringLiteral("Следующий заводской номер %1 больше наибольшего, "
                           "который принимает счетчик (%2)")
                .arg(*next.value)
                .arg(meter::kFactoryNumberMax));
        return;
    }
    SpinEdit_Number->setValue(int(*next.value));
    SetTag(SpinEdit_Number, 1); // a proposal to be written, as if typed
}

// The field's change handler marks it, so the poll leaves it and the write sends it.
void SettingsPage::SetScannedNumber(int number) {
    SpinEdit_Number->setValue(number);
}

void SettingsPage::EditCorrectChange() {
    ActionCountCorrect->setEnabled(meter::CorrectionInput(EditCorrect->text()).has_value());
}

void SettingsPage::ActionCountCorrectExecute() {
    const auto x = meter::CorrectionInput(EditCorrect->text());
    if (!x || GroupBox3->isHidden()) return;
    // Setting the value marks SpinClock: the next correction reply leaves it alone.
    SpinClock->setValue(meter::ComputeCorrection(*x).correction);
    SetTag(SpinClock, 1); // also when the value did not change
}

void SettingsPage::ActionFocusCorrectExecute() {
    if (GroupBox3->isHidden()) return; // operator mode
    // F8 works from any page: the calculator's page comes to the front first.
    emit frontRequested();
    EditCorrect->setFocus();
}

// ---- writing and logging ----------------------------------------------------------------

meter::WriteChoices SettingsPage::ReadChoices() const {
    meter::WriteChoices c;
    c.firmwareMajor = shared.FirmwareMajor;
    c.accessPassword = shared.AccessPassword;
    c.checkPassword = CheckPassword->isChecked();
    c.newPassword = shared.NewPassword;
    c.checkTime = CheckTime->isChecked();
    c.date = DatePicker->date();
    c.time = TimePicker->time();
    c.summerTime = CheckBoxClock->isChecked();
    c.factoryNumber = SpinEdit_Number->value();
    c.factoryNumberMarked = Tag(SpinEdit_Number) == 1;
    c.checkCorrect = CheckCorrect->isChecked();
    c.correction = SpinClock->value();
    c.checkStatus = CheckStatus->isChecked();
    c.checkSchedule = CheckShedule->isChecked();
    c.billingDay = SpinDay->value();
    c.billingHour = SpinHour->value();
    c.checkIndi = CheckIndi->isChecked();
    const QCheckBox *boxes[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4};
    for (int i = 0; i < 4; ++i)
        if (boxes[i]->isChecked()) c.display |= 1 << i;
    c.checkDdm = CheckVDM->isChecked();
    c.ddmEnabled = CheckVDM->isEnabled();
    c.ddmNumber = SpinEditVDM->value();
    c.checkResetVisible = !CheckReset->isHidden(); // also when another page is in front
    c.checkReset = CheckReset->isChecked();
    c.checkResetTariff = CheckResetTariff->isChecked();
    return c;
}

meter::MeterShown SettingsPage::MeterShownNow() const {
    meter::MeterShown s;
    s.factoryNumber = SpinEdit_Number->value();
    s.numberFieldEnabled = SpinEdit_Number->isEnabled();
    s.meterTypeId = shared.MeterTypeId;
    s.versionText = LabeledVersion->text();
    s.onTime = onTime;
    s.correctionCount = correctionCount;
    s.lastStatus = shared.LastStatus;
    const QLineEdit *current[] = {EditTariff1, EditTariff2, EditTariff3};
    const QLineEdit *billing[] = {LabeledTariff1, LabeledTariff2, LabeledTariff3};
    for (int i = 0; i < 3; ++i) {
        s.currentReadingText[i] = current[i]->text();
        s.billingReadingText[i] = billing[i]->text();
    }
    s.driftText = LabeledDelta->text();
    return s;
}

} // namespace ormix::ui
