// The controls of the page "Установка", in three columns that fit a 1024-pixel screen: the
// meter and its calendar, what to write and the readings, the status and the three groups
// read on request.
#include "ui/controls.h"
#include "ui/pages/settings_page.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace ormix::ui {
namespace {

// A labelled read-only edit: the label text in front, the edit after it, one form row.
QLineEdit *Labeled(QFormLayout *form, QWidget *parent, const char *name, const QString &caption) {
    auto *e = NewReadOnlyEdit(parent, name);
    auto *label = new QLabel(caption, parent);
    label->setBuddy(e);
    form->addRow(label, e);
    return e;
}

QVBoxLayout *Column(std::initializer_list<QWidget *> groups) {
    auto *column = new QVBoxLayout;
    for (QWidget *g : groups)
        column->addWidget(g);
    column->addStretch(1);
    return column;
}

} // namespace

void SettingsPage::BuildLayout() {
    setObjectName("TabSheet1");
    BuildMeterGroup();
    BuildCalendarGroup();
    BuildWriteGroup();
    BuildReadingsGroup();
    BuildRightColumn();
    auto *page = new QHBoxLayout(this);
    page->addLayout(Column({GroupBox1, GroupCalendar}), 4);
    page->addLayout(Column({GroupBox2, GroupBoxCounts}), 4);
    page->addLayout(Column({GroupStatus, GroupSchedule, GroupBox4, GroupBox5}), 3);
}

void SettingsPage::BuildMeterGroup() {
    GroupBox1 = Named(new QGroupBox(" О счетчике :", this), "GroupBox1");
    auto *f = new QFormLayout(GroupBox1);
    SpinEdit_Number = Named(new TSpinEdit(GroupBox1), "SpinEdit_Number");
    SpinEdit_Number->setRange(0, 2147483647);
    SpinEdit_Number->SetMaxDigits(6);
    BitBtn1 = Named(new QPushButton("+", GroupBox1), "BitBtn1");
    BitBtn1->setFixedWidth(32);
    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(SpinEdit_Number, 1);
    numberRow->addWidget(BitBtn1);
    auto *numberLabel = Named(new QLabel("Заводской № :", GroupBox1), "LabelNumber");
    numberLabel->setBuddy(SpinEdit_Number);
    f->addRow(numberLabel, numberRow);
    LabeledVersion = Labeled(f, GroupBox1, "LabeledVersion", "Версия ПО : ");
    LabeledCurTime = Labeled(f, GroupBox1, "LabeledCurTime", "Время : ");
    LabeledOff = Labeled(f, GroupBox1, "LabeledOff", "Время вкл. состояния : ");
    LabeledNCorrect = Labeled(f, GroupBox1, "LabeledNCorrect", "Счетчик коррекций : ");
    CheckSummer = NewCheck(GroupBox1, "CheckSummer", "Автопереход на на летнее время");
    CheckSummer->setEnabled(false);
    f->addRow(CheckSummer);
    LabelDelta = Named(new QLabel("Уход за сутки (сек.) : ", GroupBox1), "LabelDelta");
    LabeledDelta = NewReadOnlyEdit(GroupBox1, "LabeledDelta");
    f->addRow(LabelDelta, LabeledDelta);
    EditOff = NewReadOnlyEdit(GroupBox1, "EditOff");
    EditOff->hide();
}

void SettingsPage::BuildCalendarGroup() {
    GroupCalendar = Named(new QGroupBox(" Календарь : ", this), "GroupCalendar");
    auto *f = new QFormLayout(GroupCalendar);
    DatePicker = Named(new QDateEdit(GroupCalendar), "DatePicker");
    DatePicker->setDisplayFormat("ddd d MMMM yyyy");
    DatePicker->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    DatePicker->setCalendarPopup(true);
    TimePicker = Named(new QTimeEdit(GroupCalendar), "TimePicker");
    TimePicker->setDisplayFormat("HH:mm:ss");
    auto *when = new QHBoxLayout;
    when->addWidget(DatePicker, 1);
    when->addWidget(TimePicker);
    f->addRow(when);
    CheckBoxClock = NewCheck(GroupCalendar, "CheckBoxClock", "Автопереход на на летнее время");
    f->addRow(CheckBoxClock);
    SpinClock = Named(new QSpinBox(GroupCalendar), "SpinClock");
    SpinClock->setRange(-31, 31);
    auto *clockLabel = Named(new QLabel("Суточная коррекция часов :", GroupCalendar), "Label3");
    clockLabel->setBuddy(SpinClock);
    f->addRow(clockLabel, SpinClock);
    GroupBox3 = Named(new QGroupBox(" Пересчет коррекции ", GroupCalendar), "GroupBox3");
    auto *g3 = new QHBoxLayout(GroupBox3);
    EditCorrect = Named(new QLineEdit(GroupBox3), "EditCorrect");
    BitBtn2 = Named(new QPushButton("=", GroupBox3), "BitBtn2");
    BitBtn2->setToolTip("Пересчет коррекции");
    BitBtn2->setEnabled(false);
    g3->addWidget(EditCorrect, 1);
    g3->addWidget(BitBtn2);
    f->addRow(GroupBox3);
}

void SettingsPage::BuildWriteGroup() {
    GroupBox2 = Named(new QGroupBox(" Установки для записи : ", this), "GroupBox2");
    auto *f = new QFormLayout(GroupBox2);
    CheckStatus = NewCheck(GroupBox2, "CheckStatus", "Сброс статуса");
    CheckTime = NewCheck(GroupBox2, "CheckTime", "Установить время");
    CheckShedule = NewCheck(GroupBox2, "CheckShedule", "Записать РДЧ");
    CheckIndi = NewCheck(GroupBox2, "CheckIndi", "Установить индикацию");
    CheckCorrect = NewCheck(GroupBox2, "CheckCorrect", "Установить суточную коррекцию");
    CheckVDM = NewCheck(GroupBox2, "CheckVDM", "Запись номера ДДМ");
    CheckReset = NewCheck(GroupBox2, "CheckReset", "Сброс показ. на расч. день и час");
    CheckPassword = NewCheck(GroupBox2, "CheckPassword", "Записать новый пароль");
    CheckResetTariff = NewCheck(GroupBox2, "CheckResetTariff", "Сброс тарифного расписания");
    for (QCheckBox *c : {CheckStatus, CheckTime, CheckShedule, CheckIndi, CheckCorrect, CheckVDM,
                         CheckReset, CheckPassword, CheckResetTariff})
        f->addRow(c);
    LabeledPass1 = Named(new QLineEdit(GroupBox2), "LabeledPass1");
    LabeledPass1->setMaxLength(5);
    LabeledPass2 = Named(new QLineEdit(GroupBox2), "LabeledPass2");
    LabeledPass2->setMaxLength(5);
    auto *pass1Label = Named(new QLabel("Пароль для записи : ", GroupBox2), "LabelPass1");
    auto *pass2Label = Named(new QLabel("Пароль для доступа : ", GroupBox2), "LabelPass2");
    pass1Label->setBuddy(LabeledPass1);
    pass2Label->setBuddy(LabeledPass2);
    f->addRow(pass1Label, LabeledPass1);
    f->addRow(pass2Label, LabeledPass2);
}

void SettingsPage::BuildReadingsGroup() {
    GroupBoxCounts =
        Named(new QGroupBox(" Показания (на расч. день/тек.) : ", this), "GroupBoxCounts");
    auto *g = new QGridLayout(GroupBoxCounts);
    const char *billing[] = {"LabeledTariff1", "LabeledTariff2", "LabeledTariff3"};
    const char *current[] = {"EditTariff1", "EditTariff2", "EditTariff3"};
    QLineEdit **billingEdits[] = {&LabeledTariff1, &LabeledTariff2, &LabeledTariff3};
    QLineEdit **currentEdits[] = {&EditTariff1, &EditTariff2, &EditTariff3};
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(QString("%1-й тариф ").arg(i + 1), GroupBoxCounts);
        *billingEdits[i] = NewReadOnlyEdit(GroupBoxCounts, billing[i]);
        *currentEdits[i] = NewReadOnlyEdit(GroupBoxCounts, current[i]);
        // A reading of twelve digits and two decimals stays in view.
        for (QLineEdit *e : {*billingEdits[i], *currentEdits[i]})
            e->setMinimumWidth(e->fontMetrics().horizontalAdvance("000000000,00") + 8);
        label->setBuddy(*billingEdits[i]);
        g->addWidget(label, i, 0);
        g->addWidget(*billingEdits[i], i, 1);
        g->addWidget(*currentEdits[i], i, 2);
    }
}

void SettingsPage::BuildRightColumn() {
    GroupStatus = Named(new QGroupBox(" Статус : ", this), "GroupStatus");
    auto *gs = new QVBoxLayout(GroupStatus);
    Memo1 = Named(new QPlainTextEdit(GroupStatus), "Memo1");
    Memo1->setReadOnly(true);
    // Four lines of status messages without scrolling.
    Memo1->setFixedHeight(Memo1->fontMetrics().lineSpacing() * 5 + 8);
    gs->addWidget(Memo1);

    GroupSchedule = Named(new QGroupBox(" РДЧ : ", this), "GroupSchedule");
    auto *gr = new QFormLayout(GroupSchedule);
    SpinDay = Named(new QSpinBox(GroupSchedule), "SpinDay");
    SpinDay->setRange(1, 31);
    SpinHour = Named(new QSpinBox(GroupSchedule), "SpinHour");
    SpinHour->setRange(0, 23);
    gr->addRow(Named(new QLabel("Расчетный день:", GroupSchedule), "LabelDay"), SpinDay);
    gr->addRow(Named(new QLabel("Расчетный час:", GroupSchedule), "LabelHour"), SpinHour);
    CheckReadTarif = NewCheck(GroupSchedule, "CheckReadTarif", "Не считывать");
    CheckReadTarif->setChecked(true);
    gr->addRow(CheckReadTarif);

    GroupBox4 = Named(new QGroupBox(" Индикация ", this), "GroupBox4");
    auto *g4 = new QGridLayout(GroupBox4);
    CheckBox1 = NewCheck(GroupBox4, "CheckBox1", "Суммарная");
    CheckBox2 = NewCheck(GroupBox4, "CheckBox2", "На расч. день");
    CheckBox3 = NewCheck(GroupBox4, "CheckBox3", "Дата");
    CheckBox4 = NewCheck(GroupBox4, "CheckBox4", "Время");
    CheckNoIndi = NewCheck(GroupBox4, "CheckNoIndi", "Не считывать");
    CheckNoIndi->setChecked(true);
    g4->addWidget(CheckBox1, 0, 0);
    g4->addWidget(CheckBox2, 0, 1);
    g4->addWidget(CheckBox3, 1, 0);
    g4->addWidget(CheckBox4, 1, 1);
    g4->addWidget(CheckNoIndi, 2, 0, 1, 2);

    GroupBox5 = Named(new QGroupBox(" ДДМ :", this), "GroupBox5");
    auto *g5 = new QFormLayout(GroupBox5);
    SpinEditVDM = Named(new TSpinEdit(GroupBox5), "SpinEditVDM");
    // The widest number a meter takes (24 bits from firmware 6 on) until a version reply
    // narrows it: a saved DDM number above 16 bits must survive start-up and be saved back
    // unchanged at exit.
    SpinEditVDM->setRange(0, 16777215);
    SpinEditVDM->SetMaxDigits(6);
    Label2 = Named(new QLabel("Номер ДДМ :", GroupBox5), "Label2");
    Label2->setBuddy(SpinEditVDM);
    g5->addRow(Label2, SpinEditVDM);
    CheckDdmRead = NewCheck(GroupBox5, "CheckDdmRead", "Не считывать");
    CheckDdmRead->setChecked(true);
    g5->addRow(CheckDdmRead);
    LabelLastSeance = Named(new QLabel("Последнй сеанс связи с ДДМ : ", GroupBox5), "LabelSeance");
    EditLastSeance = NewReadOnlyEdit(GroupBox5, "EditLastSeance");
    g5->addRow(LabelLastSeance, EditLastSeance);
    LabelLastSeance->hide();
    EditLastSeance->hide();
}

} // namespace ormix::ui
