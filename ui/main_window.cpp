// The window's frame: actions, menus, tool bar, the six pages and the status bar. Every
// control carries the system's component name as its objectName.
#include "link/port_setup.h"
#include "records/setting_log.h"
#include "ui/controls.h"
#include "ui/log_choice.h"
#include "ui/main.h"
#include "ui/pages/database_page.h"
#include "ui/pages/journal_page.h"
#include "ui/pages/old_journal_page.h"
#include "ui/pages/protocol_page.h"
#include "ui/pages/schedule_page.h"
#include "ui/pages/settings_page.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace ormix::ui {

const QString kWindowTitle = QStringLiteral("Программирование ORMIX-2 и KASTOR-5");

TFormMain::TFormMain(const StartOptions &options, QWidget *parent) : QMainWindow(parent) {
    setWindowTitle(kWindowTitle);
    // The modes decide which log the pages use, so the configuration is read first.
    ReadConfiguration();
    ChosenLog chosen = ChooseLog(shared.SqlMode);
    production = std::move(chosen.production);
    log = std::move(chosen.log);
    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildPages(options);
    BuildStatusBar();
    FormCreate(options);
    ConnectHandlers();
    FitTheScreen();
}

TFormMain::~TFormMain() {
    // The engine goes first: it holds the port and calls back into this window.
    engine.reset();
    host.reset();
}

void TFormMain::AttachWindows(QDialog *about, QDialog *spoilage, QDialog *status, QDialog *help) {
    AboutBox = about;
    FormSpoilage = spoilage;
    FormStatus = status;
    FormHelp = help;
}

void TFormMain::BuildActions() {
    struct ActionDef {
        QAction **target;
        const char *name;
        QString caption, hint;
        QKeySequence shortcut;
        bool enabled;
        std::optional<QStyle::StandardPixmap> picture; // on the tool bar
    };
    const ActionDef defs[] = {
        {&ActionConnect,
         "ActionConnect",
         "&Установить",
         "Установить связь",
         {},
         true,
         QStyle::SP_MediaPlay},
        {&ActionDisconnect,
         "ActionDisconnect",
         "&Разорвать",
         "Разорвать связь",
         {},
         false,
         QStyle::SP_MediaStop},
        {&ActionSetting, "ActionSetting", "&Записать", "Записать установки", Qt::Key_F12, false,
         QStyle::SP_DialogSaveButton},
        {&ActionFixDb,
         "ActionFixDb",
         "Зафиксировать в Б&Д",
         "Зафиксировать в БД",
         {},
         false,
         QStyle::SP_DialogApplyButton},
        {&ActionSpoilage, "ActionSpoilage", "&Брак", "Брак", Qt::Key_F4, true,
         QStyle::SP_MessageBoxWarning},
        {&ActionReset,
         "ActionReset",
         "&Сброс изменений",
         "Сброс изменений",
         {},
         true,
         QStyle::SP_BrowserReload},
        {&ActionOpen,
         "ActionOpen",
         "&Открыть",
         "открыть таблицу",
         {},
         true,
         QStyle::SP_DirOpenIcon},
        {&ActionClose,
         "ActionClose",
         "&Закрыть",
         "Закрыть таблицу",
         {},
         false,
         QStyle::SP_DialogCloseButton},
        {&ActionFocusCorrect, "ActionFocusCorrect", {}, {}, Qt::Key_F8, true, {}},
        {&ActionCountCorrect,
         "ActionCountCorrect",
         {},
         "Пересчет коррекции",
         Qt::Key_F9,
         false,
         {}},
    };
    for (const ActionDef &s : defs) {
        auto *a = Named(new QAction(s.caption, this), s.name);
        if (s.picture) a->setIcon(style()->standardIcon(*s.picture));
        a->setToolTip(s.hint.isEmpty() ? s.caption : s.hint);
        a->setStatusTip(s.hint);
        a->setShortcut(s.shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setEnabled(s.enabled);
        addAction(a); // shortcuts work even for actions that sit in no menu
        *s.target = a;
    }
}

void TFormMain::BuildMenus() {
    N1 = Named(menuBar()->addMenu("&Связь"), "N1");
    NPort = Named(N1->addMenu("&Порт"), "NPort");
    PortGroup = new QActionGroup(this);
    PortGroup->setExclusive(true);
    NBaud = Named(N1->addMenu("&Скорость"), "NBaud");
    BaudGroup = new QActionGroup(this);
    const char *baudNames[] = {"N12001", "N24001", "N48001", "N96001"};
    QAction **baudItems[] = {&N12001, &N24001, &N48001, &N96001};
    const QStringList speeds = link::MeterSpeedTexts();
    for (int i = 0; i < speeds.size(); ++i) {
        auto *a = Named(new QAction(speeds[i], this), baudNames[i]);
        a->setCheckable(true);
        SetTag(a, i);
        BaudGroup->addAction(a);
        NBaud->addAction(a);
        *baudItems[i] = a;
    }
    (*baudItems[link::kStartSpeedIndex])->setChecked(true);
    N1->addSeparator();
    N1->addAction(ActionConnect);
    N1->addAction(ActionDisconnect);
    N1->addSeparator();
    NExit = Named(N1->addAction("В&ыход"), "NExit");

    NSettings = Named(menuBar()->addMenu("&Установки"), "N2");
    NSettings->addAction(ActionSetting);
    NSettings->addAction(ActionFixDb);
    NSettings->addAction(ActionSpoilage); // the item N16
    NSettings->addAction(ActionReset);

    NDatabase = Named(menuBar()->addMenu("&База данных"), "N3");
    NDatabase->addAction(ActionOpen);
    NDatabase->addAction(ActionClose);
    NStatus = Named(NDatabase->addAction("&Расшифровка статуса"), "NStatus");

    NHelpMenu = Named(menuBar()->addMenu("&?"), "N4");
    NHelp = Named(NHelpMenu->addAction("&Справка"), "NHelp");
    NHelpMenu->addSeparator();
    NAbout = Named(NHelpMenu->addAction("&О программе"), "NAbout");
}

void TFormMain::BuildToolBar() {
    // Port and speed, the actions, the scanner port, the result indicator.
    ToolBar1 = Named(addToolBar("ToolBar1"), "ToolBar1");
    ToolBar1->setMovable(false);
    // Pictures with the hints as tool tips: the buttons' captions would not fit a
    // 1024-pixel screen beside the port and scanner panels (the menus carry them).
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->toggleViewAction()->setVisible(false);
    Panel1 = Named(new QWidget(ToolBar1), "Panel1");
    auto *p1 = new QHBoxLayout(Panel1);
    p1->setContentsMargins(4, 0, 4, 0);
    Label1 = Named(new QLabel("Порт:", Panel1), "Label1");
    ComboPort = Named(new TDropDown(Panel1), "ComboPort");
    ComboPort->setMinimumContentsLength(6);
    LabelBaud = Named(new QLabel("Скорость :", Panel1), "LabelBaud");
    ComboBaud = Named(new QComboBox(Panel1), "ComboBaud");
    ComboBaud->addItems(link::MeterSpeedTexts());
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
    Panel5 = Named(new QWidget(ToolBar1), "Panel5");
    auto *p5 = new QHBoxLayout(Panel5);
    p5->setContentsMargins(4, 0, 4, 0);
    LabelScaner = Named(new QLabel("Сканер:", Panel5), "Label6");
    ComboScaner = Named(new TDropDown(Panel5), "ComboScaner");
    ComboScaner->setMinimumContentsLength(6);
    CheckBox5 = NewCheck(Panel5, "CheckBox5", "Вкл");
    CheckBox5->setChecked(true);
    p5->addWidget(LabelScaner);
    p5->addWidget(ComboScaner);
    p5->addWidget(CheckBox5);
    Panel5Action = ToolBar1->addWidget(Panel5);
    Panel5Action->setObjectName("Panel5Action");
    Shape1 = Named(new TShape(ToolBar1), "Shape1");
    Shape1Action = ToolBar1->addWidget(Shape1);
    Shape1Action->setObjectName("Shape1Action");
    Shape1Action->setVisible(false);
}

void TFormMain::BuildPages(const StartOptions &options) {
    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    setCentralWidget(PageControl1);
    TabSheet1 = new SettingsPage(shared, *log, ActionFocusCorrect, ActionCountCorrect,
                                 options.timer3Ms, PageControl1);
    TabSchedule = new SchedulePage(shared, *this, PageControl1);
    TabSheet2 = new OldJournalPage(*this, PageControl1);
    TabSheet3 = new JournalPage(
        *this, [this] { return TabSheet1->MeterShownNow().factoryNumber; }, PageControl1);
    TabSheet4 = new ProtocolPage(PageControl1);
    TabSheet5 =
        new DatabasePage(records::SettingLog::DefaultPath(), ActionOpen, ActionClose, PageControl1);
    PageControl1->addTab(TabSheet1, "Установка");
    PageControl1->addTab(TabSchedule, "Тарифное расписание");
    PageControl1->addTab(TabSheet2, "Журнал");
    PageControl1->addTab(TabSheet3, "Журнал");
    PageControl1->addTab(TabSheet4, "Протокол");
    PageControl1->addTab(TabSheet5, "База данных");
}

void TFormMain::BuildStatusBar() {
    StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = Named(new QLabel(StatusBar1), "StatusBar1Panel0");
    // A fixed size: the count changes with every frame, and a label that may change its
    // size makes the status bar lay itself out anew each time.
    StatusPanel0->setFixedSize(80, StatusPanel0->sizeHint().height());
    StatusPanel1 = Named(new QLabel(StatusBar1), "StatusBar1Panel1");
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);
    setStatusBar(StatusBar1);
}

void TFormMain::ConnectHandlers() {
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
    connect(TabSheet4, &ProtocolPage::loggingSwitched, this,
            [this](bool on) { engine->Protocol().SetLogging(on); });

    // Writing and the pages' requests.
    connect(ActionSetting, &QAction::triggered, this, &TFormMain::ActionSettingExecute);
    connect(ActionReset, &QAction::triggered, this, &TFormMain::ActionResetExecute);
    connect(ActionFixDb, &QAction::triggered, this, &TFormMain::ActionFixDbExecute);
    connect(TabSheet1, &SettingsPage::writeAvailabilityChanged, this,
            [this](bool passwordsAllowIt) {
                ActionSetting->setEnabled(Connected() && passwordsAllowIt);
            });
    connect(TabSheet1, &SettingsPage::frontRequested, this,
            [this] { PageControl1->setCurrentWidget(TabSheet1); });
    connect(TabSheet5, &DatabasePage::frontRequested, this,
            [this] { PageControl1->setCurrentWidget(TabSheet5); });

    // The other windows.
    connect(NStatus, &QAction::triggered, this, [this] { ShowModal(FormStatus); });
    connect(NAbout, &QAction::triggered, this, [this] { ShowModal(AboutBox); });
    connect(NHelp, &QAction::triggered, this, [this] { ShowModal(FormHelp); });
    connect(ActionSpoilage, &QAction::triggered, this, &TFormMain::ActionSpoilageExecute);
    ConnectScanerHandlers();
}

void TFormMain::ShowModal(QDialog *dialog) {
    if (dialog) dialog->exec();
}

// A fixed-size frame at the size the pages ask for, centred on the screen; a screen smaller
// than the window keeps its top-left corner (menu and tool bar) in view.
void TFormMain::FitTheScreen() {
    adjustSize();
    setFixedSize(sizeHint());
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        QRect frame(QPoint(), size());
        frame.moveCenter(area.center());
        move(qMax(area.left(), frame.left()), qMax(area.top(), frame.top()));
    }
}

} // namespace ormix::ui
