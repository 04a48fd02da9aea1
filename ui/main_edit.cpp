// Edit tracking on the settings page: the modified marks, clearing the page, the password
// rules of the write action, the clock-following pickers and the result indicator.
#include "ui/main.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>

using namespace ormix::link;
using namespace ormix::records;

namespace ormix::ui {

namespace {
// A decimal integer, optionally signed, nothing else around it.
std::optional<qint64> decimal(const QString &text) {
    static const QRegularExpression re(QStringLiteral("^-?[0-9]{1,18}$"));
    if (!re.match(text).hasMatch()) return std::nullopt;
    return text.toLongLong();
}
bool passwordText(const QString &text) {
    const auto v = decimal(text);
    return v && *v >= 0 && *v <= 65535;
}
} // namespace

void TFormMain::SpinEdit_AddrChange(QObject *sender) {
    SetTag(sender, 1);
}

void TFormMain::ClearModifiedTags(QWidget *container) {
    SetTag(container, 0);
    for (QObject *child : container->children())
        if (auto *w = qobject_cast<QWidget *>(child))
            ClearModifiedTags(w);
        else if (child)
            SetTag(child, 0);
    for (int z = 0; z < 6; ++z)
        SetTag(Picker_Zone[z], z);
}

void TFormMain::ClearMeterView() {
    SpinEdit_Number->setValue(0);
    for (QLineEdit *e : {LabeledCurTime, LabeledNCorrect, LabeledOff, LabeledVersion, LabeledDelta,
                         EditLastSeance})
        e->clear();
    LastProgrammedAt = QDateTime();
    CheckSummer->setChecked(false);
    SpinEdit_Number->setEnabled(true);
    BitBtn1->setEnabled(true);
    ClearModifiedTags(TabSheet1);
    LastStatus = 0;
    Memo1->clear();
    for (int r = 1; r < GridEvent->rowCount(); ++r)
        for (int c = 0; c < GridEvent->columnCount(); ++c)
            if (auto *item = GridEvent->item(r, c)) item->setText(QString());
    if (PageControl1->currentWidget() == TabSheet1) SpinEdit_Number->setFocus();
    DriftSum = 0;
    DriftCount = 0;
}

void TFormMain::ActionResetExecute() {
    ClearMeterView();
    AccessPassword = static_cast<int>(decimal(LabeledPass2->text()).value_or(0));
}

bool TFormMain::PasswordConditionHolds() const {
    return passwordText(LabeledPass2->text()) &&
           (passwordText(LabeledPass1->text()) || !CheckPassword->isChecked());
}

void TFormMain::LabeledPass1Change() {
    const auto fresh = decimal(LabeledPass1->text());
    if (!fresh) {
        ActionSetting->setEnabled(false);
        return;
    }
    NewPassword = static_cast<int>(*fresh);
    const auto access = decimal(LabeledPass2->text());
    if (!access) {
        ActionSetting->setEnabled(false);
        return;
    }
    AccessPassword = static_cast<int>(*access);
    ActionSetting->setEnabled(Connected() && PasswordConditionHolds());
}

void TFormMain::Timer3Timer() {
    // The program's own setting is no operator edit: the pickers stay unmarked.
    const QDateTime now = QDateTime::currentDateTime();
    if (Tag(DatePicker) == 0) {
        const QSignalBlocker block(DatePicker);
        DatePicker->setDate(now.date());
    }
    if (Tag(TimePicker) == 0) {
        const QSignalBlocker block(TimePicker);
        TimePicker->setTime(now.time());
    }
}

void TFormMain::ShowResult(bool success) {
    Shape1->SetBrushColor(success ? QColor(0, 255, 0) : QColor(255, 0, 0));
    Shape1Action->setVisible(true);
}

void TFormMain::EnableGroup(QWidget *group, bool enabled) {
    group->setEnabled(enabled);
}

void TFormMain::CheckOneTarifClick() {
    const bool zones = !CheckOneTarif->isChecked();
    EnableGroup(GroupBox6, zones);
    EnableGroup(GroupCel, zones);
    EnableGroup(GroupTransfer, zones);
}

void TFormMain::BtnTempletClick() {
    static const int holidays[][2] = {{1, 1},  {1, 2}, {1, 3}, {1, 4}, {1, 5},  {1, 7},
                                      {2, 23}, {3, 8}, {5, 1}, {5, 9}, {6, 12}, {11, 4}};
    ListCel->clear();
    for (const auto &h : holidays) {
        auto *item = new QTreeWidgetItem(ListCel);
        item->setText(0, ComboM->itemText(h[0] - 1));
        item->setText(1, QString::number(h[1]));
    }
    BtnDelCel->setEnabled(false);
}

void TFormMain::NStatusClick() {
    if (FormStatus) FormStatus->exec();
}

void TFormMain::ConnectHandlers() {
    // Shared change handler of the settings page: the operator's edit marks the control.
    auto mark = [this](QObject *o) { return [this, o] { SpinEdit_AddrChange(o); }; };
    connect(DatePicker, &QDateEdit::dateChanged, this, mark(DatePicker));
    connect(TimePicker, &QTimeEdit::timeChanged, this, mark(TimePicker));
    for (QCheckBox *c : {CheckBoxClock, CheckSummer, CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        connect(c, &QCheckBox::toggled, this, mark(c));
    for (QSpinBox *s : std::initializer_list<QSpinBox *>{SpinClock, SpinEdit_Number, SpinDay,
                                                         SpinHour, SpinEditVDM})
        connect(s, &QSpinBox::valueChanged, this, mark(s));
    connect(LabeledDelta, &QLineEdit::textChanged, this, mark(LabeledDelta));
    for (int z = 0; z < 6; ++z)
        if (auto *pick = qobject_cast<QComboBox *>(ValueListEditor1->cellWidget(z, 1)))
            connect(pick, &QComboBox::currentIndexChanged, this,
                    [this] { SetTag(ValueListEditor1, 1); });

    connect(LabeledPass1, &QLineEdit::textChanged, this, &TFormMain::LabeledPass1Change);
    connect(LabeledPass2, &QLineEdit::textChanged, this, &TFormMain::LabeledPass1Change);
    connect(Timer3, &QTimer::timeout, this, &TFormMain::Timer3Timer);
    connect(ActionReset, &QAction::triggered, this, &TFormMain::ActionResetExecute);

    // Ports and connection.
    connect(ComboPort, &QComboBox::activated, this, &TFormMain::ComboPortChange);
    connect(ComboPort, &TDropDown::aboutToShowPopup, this, &TFormMain::RefreshPortLists);
    connect(ComboScaner, &TDropDown::aboutToShowPopup, this, &TFormMain::RefreshPortLists);
    connect(NPort, &QMenu::aboutToShow, this, &TFormMain::RefreshPortLists);
    connect(PortGroup, &QActionGroup::triggered, this, &TFormMain::PortMenuClick);
    connect(ComboBaud, &QComboBox::activated, this, &TFormMain::ComboBaudChange);
    connect(BaudGroup, &QActionGroup::triggered, this, &TFormMain::N12001Click);
    connect(ActionConnect, &QAction::triggered, this, &TFormMain::ActionConnectExecute);
    connect(ActionDisconnect, &QAction::triggered, this, &TFormMain::ActionDisconnectExecute);
    connect(TimerStart, &QTimer::timeout, this, &TFormMain::TimerStartTimer);
    connect(NExit, &QAction::triggered, this, &TFormMain::NExitClick);
    connect(CheckBox_Terminal, &QCheckBox::toggled, this,
            [this](bool on) { Engine->Protocol().SetLogging(on); });

    // Writing, records, calculator, schedule page, dialogs.
    connect(ActionSetting, &QAction::triggered, this, &TFormMain::ActionSettingExecute);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormMain::BitBtn1Click);
    connect(ActionOpen, &QAction::triggered, this, &TFormMain::ActionOpenExecute);
    connect(ActionClose, &QAction::triggered, this, &TFormMain::ActionCloseExecute);
    connect(SpinFilter, &QSpinBox::valueChanged, this, &TFormMain::ActionCloseExecute);
    connect(DTP1, &QDateEdit::dateChanged, this, &TFormMain::ActionCloseExecute);
    connect(DTP2, &QDateEdit::dateChanged, this, &TFormMain::ActionCloseExecute);
    connect(EditCorrect, &QLineEdit::textChanged, this, &TFormMain::EditCorrectChange);
    connect(ActionCountCorrect, &QAction::triggered, this, &TFormMain::ActionCountCorrectExecute);
    connect(BitBtn2, &QPushButton::clicked, ActionCountCorrect, &QAction::trigger);
    connect(ActionCountCorrect, &QAction::changed, this,
            [this] { BitBtn2->setEnabled(ActionCountCorrect->isEnabled()); });
    connect(ActionFocusCorrect, &QAction::triggered, this, &TFormMain::ActionFocusCorrectExecute);
    connect(CheckOneTarif, &QCheckBox::clicked, this, &TFormMain::CheckOneTarifClick);
    connect(BtnTemplet, &QPushButton::clicked, this, &TFormMain::BtnTempletClick);
    connect(NStatus, &QAction::triggered, this, &TFormMain::NStatusClick);
    auto showModal = [](QDialog *const &d) {
        return [&d] {
            if (d) d->exec();
        };
    };
    connect(NAbout, &QAction::triggered, this, showModal(AboutBox));
    connect(NHelp, &QAction::triggered, this, showModal(FormHelp));
    connect(ActionSpoilage, &QAction::triggered, this, showModal(FormSpoilage));
}

} // namespace ormix::ui
