// The window's controls: tool bar, menus, the six pages and the status bar. Every control
// carries the system's component name as its objectName.
#include "ui/main.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace ormix::link;
using namespace ormix::records;

namespace ormix::ui {

namespace {

template <class W> W *named(W *w, const char *name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QCheckBox *check(QWidget *parent, const char *name, const QString &caption) {
    return named(new QCheckBox(caption, parent), name);
}

QLineEdit *readOnlyEdit(QWidget *parent, const char *name) {
    auto *e = named(new QLineEdit(parent), name);
    e->setReadOnly(true);
    return e;
}

// A labelled edit: the label text in front, the edit after it, one form row.
QLineEdit *labeled(QFormLayout *form, QWidget *parent, const char *name, const QString &caption,
                   bool readOnly = true) {
    auto *e = named(new QLineEdit(parent), name);
    e->setReadOnly(readOnly);
    auto *label = new QLabel(caption, parent);
    label->setBuddy(e);
    form->addRow(label, e);
    return e;
}

QTableWidget *grid(QWidget *parent, const char *name, int columns, int rows) {
    auto *g = named(new QTableWidget(rows, columns, parent), name);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return g;
}

QStringList monthNames() {
    return {"январь", "февраль", "март",     "апрель",  "май",    "июнь",
            "июль",   "август",  "сентябрь", "октябрь", "ноябрь", "декабрь"};
}

} // namespace

void TFormMain::BuildLayout() {
    setWindowTitle("Программирование ORMIX-2 и KASTOR-5");
    BuildActions();

    PageControl1 = named(new QTabWidget(this), "PageControl1");
    setCentralWidget(PageControl1);
    BuildSettingsPage();
    BuildSchedulePage();
    BuildJournalPages();
    BuildProtocolPage();
    BuildDatabasePage();

    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = named(new QLabel(StatusBar1), "StatusBar1Panel0");
    StatusPanel0->setMinimumWidth(80);
    StatusPanel1 = named(new QLabel(StatusBar1), "StatusBar1Panel1");
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);
    setStatusBar(StatusBar1);
}

void TFormMain::BuildActions() {
    struct ActionDef {
        QAction **target;
        const char *name;
        QString caption, hint;
        QKeySequence shortcut;
        bool enabled;
    };
    const ActionDef defs[] = {
        {&ActionConnect, "ActionConnect", "&Установить", "Установить связь", {}, true},
        {&ActionDisconnect, "ActionDisconnect", "&Разорвать", "Разорвать связь", {}, false},
        {&ActionSetting, "ActionSetting", "&Записать", "Записать установки", Qt::Key_F12, false},
        {&ActionFixDb, "ActionFixDb", "Зафиксировать в Б&Д", "Зафиксировать в БД", {}, false},
        {&ActionSpoilage, "ActionSpoilage", "&Брак", "Брак", Qt::Key_F4, true},
        {&ActionReset, "ActionReset", "&Сброс изменений", "Сброс изменений", {}, true},
        {&ActionOpen, "ActionOpen", "&Открыть", "открыть таблицу", {}, true},
        {&ActionClose, "ActionClose", "&Закрыть", "Закрыть таблицу", {}, false},
        {&ActionFocusCorrect, "ActionFocusCorrect", {}, {}, Qt::Key_F8, true},
        {&ActionCountCorrect, "ActionCountCorrect", {}, "Пересчет коррекции", Qt::Key_F9, false},
    };
    for (const ActionDef &s : defs) {
        auto *a = named(new QAction(s.caption, this), s.name);
        a->setToolTip(s.hint.isEmpty() ? s.caption : s.hint);
        a->setStatusTip(s.hint);
        a->setShortcut(s.shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setEnabled(s.enabled);
        addAction(a); // shortcuts work even for actions that sit in no menu
        *s.target = a;
    }

    // Main menu.
    N1 = named(menuBar()->addMenu("&Связь"), "N1");
    NPort = named(N1->addMenu("&Порт"), "NPort");
    PortGroup = new QActionGroup(this);
    PortGroup->setExclusive(true);
    NBaud = named(N1->addMenu("&Скорость"), "NBaud");
    BaudGroup = new QActionGroup(this);
    const char *baudNames[] = {"N12001", "N24001", "N48001", "N96001"};
    const char *baudTexts[] = {"1200", "2400", "4800", "9600"};
    QAction **baudItems[] = {&N12001, &N24001, &N48001, &N96001};
    for (int i = 0; i < 4; ++i) {
        auto *a = named(new QAction(QString::fromLatin1(baudTexts[i]), this), baudNames[i]);
        a->setCheckable(true);
        SetTag(a, i);
        BaudGroup->addAction(a);
        NBaud->addAction(a);
        *baudItems[i] = a;
    }
    N48001->setChecked(true);
    N1->addSeparator();
    N1->addAction(ActionConnect);
    N1->addAction(ActionDisconnect);
    N1->addSeparator();
    NExit = named(N1->addAction("В&ыход"), "NExit");

    NSettings = named(menuBar()->addMenu("&Установки"), "N2");
    NSettings->addAction(ActionSetting);
    NSettings->addAction(ActionFixDb);
    NSettings->addAction(ActionSpoilage); // the item N16
    NSettings->addAction(ActionReset);

    NDatabase = named(menuBar()->addMenu("&База данных"), "N3");
    NDatabase->addAction(ActionOpen);
    NDatabase->addAction(ActionClose);
    NStatus = named(NDatabase->addAction("&Расшифровка статуса"), "NStatus");

    NHelpMenu = named(menuBar()->addMenu("&?"), "N4");
    NHelp = named(NHelpMenu->addAction("&Справка"), "NHelp");
    NHelpMenu->addSeparator();
    NAbout = named(NHelpMenu->addAction("&О программе"), "NAbout");

    // Tool bar: port and speed, the actions, the scanner port, the result indicator.
    ToolBar1 = named(addToolBar("ToolBar1"), "ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar1->toggleViewAction()->setVisible(false);
    Panel1 = named(new QWidget(ToolBar1), "Panel1");
    auto *p1 = new QHBoxLayout(Panel1);
    p1->setContentsMargins(4, 0, 4, 0);
    Label1 = named(new QLabel("Порт:", Panel1), "Label1");
    ComboPort = named(new TDropDown(Panel1), "ComboPort");
    ComboPort->setMinimumContentsLength(7);
    LabelBaud = named(new QLabel("Скорость :", Panel1), "LabelBaud");
    ComboBaud = named(new QComboBox(Panel1), "ComboBaud");
    ComboBaud->addItems({"1200", "2400", "4800", "9600"});
    Label1->setBuddy(ComboPort);
    LabelBaud->setBuddy(ComboBaud);
    p1->addWidget(Label1);
    p1->addWidget(ComboPort);
    p1->addWidget(LabelBaud);
    p1->addWidget(ComboBaud);
    ToolBar1->addWidget(Panel1);
    ToolBar1->addSeparator();
    for (QAction *a : {ActionConnect, ActionDisconnect, ActionSetting, ActionFixDb, ActionSpoilage,
                       ActionReset, ActionOpen, ActionClose})
        ToolBar1->addAction(a);
    if (auto *b = ToolBar1->widgetForAction(ActionSpoilage)) b->setObjectName("ToolButton11");
    if (auto *b = ToolBar1->widgetForAction(ActionFixDb)) b->setObjectName("ToolButtonFixDb");
    ToolBar1->addSeparator();
    Panel5 = named(new QWidget(ToolBar1), "Panel5");
    auto *p5 = new QHBoxLayout(Panel5);
    p5->setContentsMargins(4, 0, 4, 0);
    LabelScaner = named(new QLabel("Сканер:", Panel5), "Label6");
    ComboScaner = named(new TDropDown(Panel5), "ComboScaner");
    ComboScaner->setMinimumContentsLength(7);
    CheckBox5 = check(Panel5, "CheckBox5", "Вкл");
    CheckBox5->setChecked(true);
    p5->addWidget(LabelScaner);
    p5->addWidget(ComboScaner);
    p5->addWidget(CheckBox5);
    ToolBar1->addWidget(Panel5)->setObjectName("Panel5Action");
    Shape1 = named(new TShape(ToolBar1), "Shape1");
    Shape1Action = ToolBar1->addWidget(Shape1);
    Shape1Action->setObjectName("Shape1Action");
    Shape1Action->setVisible(false);
}

void TFormMain::BuildSettingsPage() {
    TabSheet1 = named(new QWidget(PageControl1), "TabSheet1");
    PageControl1->addTab(TabSheet1, "Установка");
    auto *page = new QGridLayout(TabSheet1);

    // " О счетчике :"
    GroupBox1 = named(new QGroupBox(" О счетчике :", TabSheet1), "GroupBox1");
    auto *f1 = new QFormLayout(GroupBox1);
    SpinEdit_Number = named(new TSpinEdit(GroupBox1), "SpinEdit_Number");
    SpinEdit_Number->setRange(0, 2147483647);
    SpinEdit_Number->SetMaxDigits(6);
    BitBtn1 = named(new QPushButton("+", GroupBox1), "BitBtn1");
    BitBtn1->setFixedWidth(32);
    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(SpinEdit_Number, 1);
    numberRow->addWidget(BitBtn1);
    auto *numberLabel = named(new QLabel("Заводской № :", GroupBox1), "LabelNumber");
    numberLabel->setBuddy(SpinEdit_Number);
    f1->addRow(numberLabel, numberRow);
    LabeledVersion = labeled(f1, GroupBox1, "LabeledVersion", "Версия ПО : ");
    LabeledCurTime = labeled(f1, GroupBox1, "LabeledCurTime", "Время : ");
    LabeledCurTime->setMinimumWidth(230); // a long date and time stay readable
    LabeledOff = labeled(f1, GroupBox1, "LabeledOff", "Время вкл. состояния : ");
    LabeledNCorrect = labeled(f1, GroupBox1, "LabeledNCorrect", "Счетчик коррекций : ");
    CheckSummer = check(GroupBox1, "CheckSummer", "Автопереход на на летнее время");
    CheckSummer->setEnabled(false);
    f1->addRow(CheckSummer);
    LabelDelta = named(new QLabel("Уход за сутки (сек.) : ", GroupBox1), "LabelDelta");
    LabeledDelta = named(new QLineEdit(GroupBox1), "LabeledDelta");
    LabeledDelta->setReadOnly(true);
    f1->addRow(LabelDelta, LabeledDelta);
    EditOff = readOnlyEdit(GroupBox1, "EditOff");
    EditOff->hide();

    // " Календарь : "
    GroupCalendar = named(new QGroupBox(" Календарь : ", TabSheet1), "GroupCalendar");
    auto *fc = new QFormLayout(GroupCalendar);
    DatePicker = named(new QDateEdit(GroupCalendar), "DatePicker");
    DatePicker->setDisplayFormat("ddd d MMMM yyyy");
    DatePicker->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    DatePicker->setCalendarPopup(true);
    TimePicker = named(new QTimeEdit(GroupCalendar), "TimePicker");
    TimePicker->setDisplayFormat("HH:mm:ss");
    auto *when = new QHBoxLayout;
    when->addWidget(DatePicker, 1);
    when->addWidget(TimePicker);
    fc->addRow(when);
    CheckBoxClock = check(GroupCalendar, "CheckBoxClock", "Автопереход на на летнее время");
    fc->addRow(CheckBoxClock);
    SpinClock = named(new QSpinBox(GroupCalendar), "SpinClock");
    SpinClock->setRange(-31, 31);
    auto *clockLabel = named(new QLabel("Суточная коррекция часов :", GroupCalendar), "Label3");
    clockLabel->setBuddy(SpinClock);
    fc->addRow(clockLabel, SpinClock);
    GroupBox3 = named(new QGroupBox(" Пересчет коррекции ", GroupCalendar), "GroupBox3");
    auto *g3 = new QHBoxLayout(GroupBox3);
    EditCorrect = named(new QLineEdit(GroupBox3), "EditCorrect");
    BitBtn2 = named(new QPushButton("=", GroupBox3), "BitBtn2");
    BitBtn2->setToolTip("Пересчет коррекции");
    BitBtn2->setEnabled(false);
    g3->addWidget(EditCorrect, 1);
    g3->addWidget(BitBtn2);
    fc->addRow(GroupBox3);

    // " Установки для записи : "
    GroupBox2 = named(new QGroupBox(" Установки для записи : ", TabSheet1), "GroupBox2");
    auto *g2 = new QGridLayout(GroupBox2);
    CheckStatus = check(GroupBox2, "CheckStatus", "Сброс статуса");
    CheckTime = check(GroupBox2, "CheckTime", "Установить время");
    CheckShedule = check(GroupBox2, "CheckShedule", "Записать РДЧ");
    CheckIndi = check(GroupBox2, "CheckIndi", "Установить индикацию");
    CheckCorrect = check(GroupBox2, "CheckCorrect", "Установить суточную коррекцию");
    CheckVDM = check(GroupBox2, "CheckVDM", "Запись номера ДДМ");
    CheckReset = check(GroupBox2, "CheckReset", "Сброс показ. на расч. день и час");
    CheckPassword = check(GroupBox2, "CheckPassword", "Записать новый пароль");
    CheckResetTariff = check(GroupBox2, "CheckResetTariff", "Сброс тарифного расписания");
    LabeledPass1 = named(new QLineEdit("11111", GroupBox2), "LabeledPass1");
    LabeledPass1->setMaxLength(5);
    LabeledPass2 = named(new QLineEdit("11111", GroupBox2), "LabeledPass2");
    LabeledPass2->setMaxLength(5);
    auto *pass1Label = named(new QLabel("Пароль для записи : ", GroupBox2), "LabelPass1");
    auto *pass2Label = named(new QLabel("Пароль для доступа : ", GroupBox2), "LabelPass2");
    pass1Label->setBuddy(LabeledPass1);
    pass2Label->setBuddy(LabeledPass2);
    // Two columns of options keep the page low enough for a 768-line screen.
    int r = 0;
    for (QCheckBox *c : {CheckStatus, CheckTime, CheckShedule, CheckIndi, CheckCorrect})
        g2->addWidget(c, r++, 0, 1, 2);
    r = 0;
    for (QCheckBox *c : {CheckVDM, CheckReset, CheckPassword, CheckResetTariff})
        g2->addWidget(c, r++, 2, 1, 2);
    r = 5;
    g2->addWidget(pass1Label, r, 0);
    g2->addWidget(LabeledPass1, r, 1);
    g2->addWidget(pass2Label, r, 2);
    g2->addWidget(LabeledPass2, r++, 3);
    g2->setRowStretch(r, 1);

    // " Показания (на расч. день/тек.) : "
    GroupBoxCounts =
        named(new QGroupBox(" Показания (на расч. день/тек.) : ", TabSheet1), "GroupBoxCounts");
    auto *gc = new QGridLayout(GroupBoxCounts);
    const char *billing[] = {"LabeledTariff1", "LabeledTariff2", "LabeledTariff3"};
    const char *current[] = {"EditTariff1", "EditTariff2", "EditTariff3"};
    QLineEdit **billingEdits[] = {&LabeledTariff1, &LabeledTariff2, &LabeledTariff3};
    QLineEdit **currentEdits[] = {&EditTariff1, &EditTariff2, &EditTariff3};
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(QString("%1-й тариф ").arg(i + 1), GroupBoxCounts);
        *billingEdits[i] = readOnlyEdit(GroupBoxCounts, billing[i]);
        *currentEdits[i] = readOnlyEdit(GroupBoxCounts, current[i]);
        label->setBuddy(*billingEdits[i]);
        gc->addWidget(label, i, 0);
        gc->addWidget(*billingEdits[i], i, 1);
        gc->addWidget(*currentEdits[i], i, 2);
    }
    gc->setRowStretch(3, 1);

    // " Статус : "
    GroupStatus = named(new QGroupBox(" Статус : ", TabSheet1), "GroupStatus");
    auto *gs = new QVBoxLayout(GroupStatus);
    Memo1 = named(new QPlainTextEdit(GroupStatus), "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setMinimumHeight(90);
    gs->addWidget(Memo1);

    // " РДЧ : "
    GroupSchedule = named(new QGroupBox(" РДЧ : ", TabSheet1), "GroupSchedule");
    auto *gr = new QFormLayout(GroupSchedule);
    SpinDay = named(new QSpinBox(GroupSchedule), "SpinDay");
    SpinDay->setRange(1, 31);
    SpinHour = named(new QSpinBox(GroupSchedule), "SpinHour");
    SpinHour->setRange(0, 23);
    gr->addRow(named(new QLabel("Расчетный день:", GroupSchedule), "LabelDay"), SpinDay);
    gr->addRow(named(new QLabel("Расчетный час:", GroupSchedule), "LabelHour"), SpinHour);
    CheckReadTarif = check(GroupSchedule, "CheckReadTarif", "Не считывать");
    CheckReadTarif->setChecked(true);
    gr->addRow(CheckReadTarif);

    // " Индикация "
    GroupBox4 = named(new QGroupBox(" Индикация ", TabSheet1), "GroupBox4");
    auto *g4 = new QGridLayout(GroupBox4);
    CheckBox1 = check(GroupBox4, "CheckBox1", "Суммарная");
    CheckBox2 = check(GroupBox4, "CheckBox2", "На расч. день");
    CheckBox3 = check(GroupBox4, "CheckBox3", "Дата");
    CheckBox4 = check(GroupBox4, "CheckBox4", "Время");
    CheckNoIndi = check(GroupBox4, "CheckNoIndi", "Не считывать");
    CheckNoIndi->setChecked(true);
    g4->addWidget(CheckBox1, 0, 0);
    g4->addWidget(CheckBox2, 0, 1);
    g4->addWidget(CheckBox3, 1, 0);
    g4->addWidget(CheckBox4, 1, 1);
    g4->addWidget(CheckNoIndi, 2, 0, 1, 2);

    // " ДДМ :"
    GroupBox5 = named(new QGroupBox(" ДДМ :", TabSheet1), "GroupBox5");
    auto *g5 = new QFormLayout(GroupBox5);
    SpinEditVDM = named(new TSpinEdit(GroupBox5), "SpinEditVDM");
    // The widest number a meter takes (24 bits from firmware 6 on) until a version reply
    // narrows it: a saved DDM number above 16 bits must survive start-up and be saved back
    // unchanged at exit.
    SpinEditVDM->setRange(0, 16777215);
    SpinEditVDM->SetMaxDigits(6);
    Label2 = named(new QLabel("Номер ДДМ :", GroupBox5), "Label2");
    Label2->setBuddy(SpinEditVDM);
    g5->addRow(Label2, SpinEditVDM);
    CheckDdmRead = check(GroupBox5, "CheckDdmRead", "Не считывать");
    CheckDdmRead->setChecked(true);
    g5->addRow(CheckDdmRead);
    LabelLastSeance = named(new QLabel("Последнй сеанс связи с ДДМ : ", GroupBox5), "LabelSeance");
    EditLastSeance = readOnlyEdit(GroupBox5, "EditLastSeance");
    g5->addRow(LabelLastSeance, EditLastSeance);
    LabelLastSeance->hide();
    EditLastSeance->hide();

    page->addWidget(GroupBox1, 0, 0);
    page->addWidget(GroupCalendar, 1, 0);
    page->addWidget(GroupBox2, 0, 1);
    page->addWidget(GroupBoxCounts, 1, 1);
    page->addWidget(GroupStatus, 0, 2);
    auto *right = new QVBoxLayout;
    right->addWidget(GroupSchedule);
    right->addWidget(GroupBox4);
    right->addWidget(GroupBox5);
    right->addStretch(1);
    page->addLayout(right, 1, 2);
    page->setRowStretch(2, 1);
}

void TFormMain::BuildSchedulePage() {
    TabSchedule = named(new QWidget(PageControl1), "TabSchedule");
    PageControl1->addTab(TabSchedule, "Тарифное расписание");
    auto *page = new QGridLayout(TabSchedule);

    CheckOneTarif = check(TabSchedule, "CheckOneTarif", "Работа по одному тарифу");
    CheckOneTarif->setChecked(true);
    BtnReadSchedule = named(new QPushButton("Прочитать", TabSchedule), "BtnReadSchedule");
    BtnWriteSchedule = named(new QPushButton("Записать", TabSchedule), "BtnWriteSchedule");
    BtnReadSchedule->setEnabled(false);
    BtnWriteSchedule->setEnabled(false);
    auto *top = new QHBoxLayout;
    top->addWidget(CheckOneTarif);
    top->addStretch(1);
    top->addWidget(BtnReadSchedule);
    top->addWidget(BtnWriteSchedule);
    page->addLayout(top, 0, 0, 1, 3);

    GroupBox6 = named(new QGroupBox(" Многотарифный режим ", TabSchedule), "GroupBox6");
    auto *g6 = new QGridLayout(GroupBox6);
    ValueListEditor1 = named(new QTableWidget(6, 2, GroupBox6), "ValueListEditor1");
    ValueListEditor1->setHorizontalHeaderLabels({"Зона", "Тариф"});
    ValueListEditor1->verticalHeader()->hide();
    const char *defaultTariffs[] = {"1", "2", "3", "2", "3", "2"};
    for (int z = 0; z < 6; ++z) {
        auto *key = new QTableWidgetItem(QString::number(z));
        key->setFlags(Qt::ItemIsEnabled);
        ValueListEditor1->setItem(z, 0, key);
        // The tariff is chosen from a pick list and cannot be typed.
        auto *pick = new QComboBox(ValueListEditor1);
        pick->setObjectName(QString("ValueListEditor1Pick%1").arg(z));
        pick->addItems({"1", "2", "3"});
        pick->setCurrentText(QString::fromLatin1(defaultTariffs[z]));
        ValueListEditor1->setCellWidget(z, 1, pick);
    }
    auto *timeLabel = named(new QLabel("Время", GroupBox6), "LabelTime");
    const QTime starts[] = {{0, 0}, {6, 30}, {8, 30}, {11, 30}, {17, 30}, {20, 30}};
    auto *pickers = new QVBoxLayout;
    pickers->addWidget(timeLabel);
    for (int z = 0; z < 6; ++z) {
        Picker_Zone[z] = new QTimeEdit(GroupBox6);
        Picker_Zone[z]->setObjectName(QString("Picker_Zone%1").arg(z));
        Picker_Zone[z]->setDisplayFormat("HH:mm");
        Picker_Zone[z]->setTime(starts[z]);
        SetTag(Picker_Zone[z], z); // a zone picker's Tag is its zone index
        pickers->addWidget(Picker_Zone[z]);
    }
    StringAttrib = named(new QTableWidget(7, 8, GroupBox6), "StringAttrib");
    StringAttrib->horizontalHeader()->hide();
    StringAttrib->verticalHeader()->hide();
    StringAttrib->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringAttrib->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Every zone row in view without scrolling.
    for (QTableWidget *t : {ValueListEditor1, StringAttrib}) {
        t->verticalHeader()->setDefaultSectionSize(26);
        t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        t->setMinimumHeight(7 * 26 + 2 * t->frameWidth() + 2);
        t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    g6->addWidget(ValueListEditor1, 0, 0);
    g6->addLayout(pickers, 0, 1);
    g6->addWidget(StringAttrib, 0, 2);
    page->addWidget(GroupBox6, 1, 0, 1, 3);

    GroupCel = named(new QGroupBox(" Праздники ", TabSchedule), "GroupCel");
    auto *gcel = new QGridLayout(GroupCel);
    ComboM = named(new QComboBox(GroupCel), "ComboM");
    ComboM->addItems(monthNames());
    SpinD = named(new QSpinBox(GroupCel), "SpinD");
    SpinD->setRange(1, 31);
    BtnInsCel = named(new QPushButton("Добавить", GroupCel), "BtnInsCel");
    BtnDelCel = named(new QPushButton("Удалить", GroupCel), "BtnDelCel");
    BtnDelCel->setEnabled(false);
    ListCel = named(new QTreeWidget(GroupCel), "ListCel");
    ListCel->setHeaderLabels({"Месяц", "День"});
    ListCel->setRootIsDecorated(false);
    ListCel->setSelectionMode(QAbstractItemView::ExtendedSelection);
    BtnTemplet = named(new QPushButton("Восстановить праздники", GroupCel), "BtnTemplet");
    gcel->addWidget(new QLabel("месяц:", GroupCel), 0, 0);
    gcel->addWidget(ComboM, 0, 1);
    gcel->addWidget(new QLabel("день:", GroupCel), 0, 2);
    gcel->addWidget(SpinD, 0, 3);
    gcel->addWidget(BtnInsCel, 1, 0, 1, 2);
    gcel->addWidget(BtnDelCel, 1, 2, 1, 2);
    gcel->addWidget(ListCel, 2, 0, 1, 4);
    gcel->addWidget(BtnTemplet, 3, 0, 1, 4);
    page->addWidget(GroupCel, 2, 0);

    GroupTransfer = named(new QGroupBox(" Переносы ", TabSchedule), "GroupTransfer");
    auto *gt = new QGridLayout(GroupTransfer);
    DTPTrans = named(new QDateEdit(QDate::currentDate(), GroupTransfer), "DTPTrans");
    DTPTrans->setMinimumDate(QDate::currentDate());
    DTPTrans->setCalendarPopup(true);
    ComboTrans = named(new QComboBox(GroupTransfer), "ComboTrans");
    ComboTrans->addItems({"понедельник", "вторник", "среда", "четверг", "пятница", "суббота",
                          "воскресенье", "праздник"});
    BtnInsTrans = named(new QPushButton("Добавить", GroupTransfer), "BtnInsTrans");
    BtnDelTrans = named(new QPushButton("Удалить", GroupTransfer), "BtnDelTrans");
    BtnDelTrans->setEnabled(false);
    ListTransfer = named(new QTreeWidget(GroupTransfer), "ListTransfer");
    ListTransfer->setHeaderLabels({"День", "По графику"});
    ListTransfer->setRootIsDecorated(false);
    ListTransfer->setSelectionMode(QAbstractItemView::ExtendedSelection);
    gt->addWidget(DTPTrans, 0, 0);
    gt->addWidget(named(new QLabel("по графику:", GroupTransfer), "Label20"), 0, 1);
    gt->addWidget(ComboTrans, 0, 2);
    gt->addWidget(BtnInsTrans, 1, 0);
    gt->addWidget(BtnDelTrans, 1, 2);
    gt->addWidget(ListTransfer, 2, 0, 1, 3);
    page->addWidget(GroupTransfer, 2, 1, 1, 2);
}

void TFormMain::BuildJournalPages() {
    // Firmware below 6.
    TabSheet2 = named(new QWidget(PageControl1), "TabSheet2");
    PageControl1->addTab(TabSheet2, "Журнал");
    auto *l2 = new QVBoxLayout(TabSheet2);
    auto *groupJournal = named(new QGroupBox(" Журналы : ", TabSheet2), "GroupJournal");
    auto *gj = new QGridLayout(groupJournal);
    BitBtn4 = named(new QPushButton("Прочитать", groupJournal), "BitBtn4");
    GridJournal = grid(groupJournal, "GridJournal", 5, 13);
    GridEvent = grid(groupJournal, "GridEvent", 4, 13);
    gj->addWidget(BitBtn4, 0, 0);
    gj->addWidget(named(new QLabel("Показания на расч. день", groupJournal), "Panel3"), 1, 0);
    gj->addWidget(named(new QLabel("Журнал потребления", groupJournal), "Panel2"), 1, 1);
    gj->addWidget(GridJournal, 2, 0);
    gj->addWidget(GridEvent, 2, 1);
    l2->addWidget(groupJournal);

    // Firmware 6 and above.
    TabSheet3 = named(new QWidget(PageControl1), "TabSheet3");
    PageControl1->addTab(TabSheet3, "Журнал");
    auto *l3 = new QVBoxLayout(TabSheet3);
    PageControl2 = named(new QTabWidget(TabSheet3), "PageControl2");
    PageControl2->setDocumentMode(true);
    l3->addWidget(PageControl2);

    auto *tab7 = named(new QWidget(PageControl2), "TabSheet7");
    PageControl2->addTab(tab7, "Годовой журнал");
    auto *l7 = new QGridLayout(tab7);
    GridJour = grid(tab7, "GridJour", 5, 13);
    BitBtn3 = named(new QPushButton("Прочитать", tab7), "BitBtn3");
    BtnJournal = named(new QPushButton("Экспорт", tab7), "BtnJournal");
    Gauge1 = named(new QProgressBar(tab7), "Gauge1");
    Gauge1->hide();
    l7->addWidget(named(new QLabel("Годовой журнал", tab7), "Panel4"), 0, 0, 1, 3);
    l7->addWidget(GridJour, 1, 0, 1, 3);
    l7->addWidget(BitBtn3, 2, 0);
    l7->addWidget(BtnJournal, 2, 1);
    l7->addWidget(Gauge1, 2, 2);

    auto *tab8 = named(new QWidget(PageControl2), "TabSheet8");
    PageControl2->addTab(tab8, "Журнал потребления");
    auto *l8 = new QGridLayout(tab8);
    ListView1 = named(new QTreeWidget(tab8), "ListView1");
    ListView1->setHeaderLabels(
        {"Страница", "Запись", "Время", "1 тариф", "2 тариф", "3 тариф", "Статус"});
    ListView1->setRootIsDecorated(false);
    BitBtn5 = named(new QPushButton("Прочитать", tab8), "BitBtn5");
    BtnDiary = named(new QPushButton("Экспорт", tab8), "BtnDiary");
    Gauge2 = named(new QProgressBar(tab8), "Gauge2");
    Gauge2->hide();
    l8->addWidget(ListView1, 0, 0, 1, 3);
    l8->addWidget(BitBtn5, 1, 0);
    l8->addWidget(BtnDiary, 1, 1);
    l8->addWidget(Gauge2, 1, 2);
}

void TFormMain::BuildProtocolPage() {
    TabSheet4 = named(new QWidget(PageControl1), "TabSheet4");
    PageControl1->addTab(TabSheet4, "Протокол");
    auto *l = new QVBoxLayout(TabSheet4);
    CheckBox_Terminal = check(TabSheet4, "CheckBox_Terminal", "Включен");
    Memo_Terminal = named(new QPlainTextEdit(TabSheet4), "Memo_Terminal");
    Memo_Terminal->setReadOnly(true);
    Memo_Terminal->setMaximumBlockCount(1500);
    Memo_Terminal->setFont(QFont("Monospace"));
    l->addWidget(CheckBox_Terminal);
    l->addWidget(Memo_Terminal, 1);
}

void TFormMain::BuildDatabasePage() {
    TabSheet5 = named(new QWidget(PageControl1), "TabSheet5");
    PageControl1->addTab(TabSheet5, "База данных");
    auto *l = new QVBoxLayout(TabSheet5);
    auto *top = new QHBoxLayout;
    SpinFilter = named(new QSpinBox(TabSheet5), "SpinFilter");
    SpinFilter->setRange(0, 16777215);
    DTP1 = named(new QDateEdit(TabSheet5), "DTP1");
    DTP2 = named(new QDateEdit(TabSheet5), "DTP2");
    DTP1->setCalendarPopup(true);
    DTP2->setCalendarPopup(true);
    top->addWidget(new QLabel("Номер:", TabSheet5));
    top->addWidget(SpinFilter);
    top->addWidget(new QLabel("c", TabSheet5));
    top->addWidget(DTP1);
    top->addWidget(new QLabel("по", TabSheet5));
    top->addWidget(DTP2);
    top->addStretch(1);
    l->addLayout(top);
    StatusBar2 = named(new QStatusBar(TabSheet5), "StatusBar2");
    StatusBar2->setSizeGripEnabled(false);
    StatusBar2Text = named(new QLabel(StatusBar2), "StatusBar2Text");
    StatusBar2->addWidget(StatusBar2Text, 1);
    l->addWidget(StatusBar2);
    DBGrid1 = named(new QTableView(TabSheet5), "DBGrid1");
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    l->addWidget(DBGrid1, 1);
}

} // namespace ormix::ui
