// Start-up and shutdown: configuration store, marker file, the two mode switches and how
// they shape the window, the pre-fill from the last logged write, saving at exit.
#include "link/port_setup.h"
#include "link/port_table.h"
#include "link/vacomm.h"
#include "platform/platform.h"
#include "records/setting_log.h"
#include "ui/main.h"
#include "ui/tag.h"
#include "ui/widgets.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>

using namespace ormix::link;
using namespace ormix::records;
using namespace ormix::platform;

namespace ormix::ui {

Q_LOGGING_CATEGORY(lcUi, "ormix.ui", QtWarningMsg)

namespace {
const QString kMarkerFile = QStringLiteral("SettingSql.kastor");
constexpr auto kDefaultPassword = "0";        // both password fields at start
constexpr auto kMasterWritePassword = "1111"; // the write password in master mode

// An integer value of the store; a value of another type counts as absent.
std::optional<int> readInt(QSettings &s, const char *key) {
    if (!s.contains(key)) return std::nullopt;
    bool ok = false;
    const int v = s.value(key).toInt(&ok);
    if (!ok) {
        qCInfo(lcUi) << "configuration value" << key << "is not an integer; default kept";
        return std::nullopt;
    }
    return v;
}

void setGridHeadings(QTableWidget *g, const QStringList &row0, const QStringList &col0 = {}) {
    for (int c = 0; c < row0.size() && c < g->columnCount(); ++c)
        g->setItem(0, c, new QTableWidgetItem(row0[c]));
    for (int r = 0; r < col0.size() && r + 1 < g->rowCount(); ++r)
        g->setItem(r + 1, 0, new QTableWidgetItem(col0[r]));
}

// A control the operator may not change looks like its surroundings.
void setEditable(QAbstractSpinBox *w, bool editable) {
    w->setReadOnly(!editable);
    QPalette p = w->palette();
    const QPalette parent = w->parentWidget() ? w->parentWidget()->palette() : QPalette();
    p.setColor(QPalette::Base,
               editable ? QPalette().color(QPalette::Base) : parent.color(QPalette::Window));
    w->setPalette(p);
}
} // namespace

std::unique_ptr<QSettings> TFormMain::OpenSettings() {
    return std::make_unique<QSettings>(QStringLiteral("Veltaron"), QStringLiteral("Ormix"));
}

TFormMain::TFormMain(const StartOptions &options, QWidget *parent) : QMainWindow(parent) {
    BuildLayout();
    FormCreate(options);
    ConnectHandlers();
    adjustSize();
    setFixedSize(sizeHint());
    // Centred on the screen; a screen smaller than the window keeps its top-left corner
    // (menu and tool bar) in view.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        QRect frame(QPoint(), size());
        frame.moveCenter(area.center());
        move(qMax(area.left(), frame.left()), qMax(area.top(), frame.top()));
    }
}

TFormMain::~TFormMain() {
    // The engine goes first: it holds the port and calls back into this window.
    Engine.reset();
    host.reset();
}

void TFormMain::FormCreate(const StartOptions &options) {
    // Fixed grid headings.
    const QStringList months = {"янв.", "фев.", "март",  "апр.", "май",   "июнь",
                                "июль", "авг.", "сент.", "окт.", "нояб.", "дек."};
    const QStringList journalHead = {"месяц", "1 тариф", "2 тариф", "3 тариф", "наработка"};
    setGridHeadings(GridJournal, journalHead, months);
    setGridHeadings(GridJour, journalHead, months);
    setGridHeadings(GridEvent, {"№", "дата", "время", "статус"});
    setGridHeadings(StringAttrib, {"ПН", "ВТ", "СР", "ЧТ", "ПТ", "СБ", "ВС", "ПР"});
    for (int r = 1; r < StringAttrib->rowCount(); ++r)
        for (int c = 0; c < StringAttrib->columnCount(); ++c)
            StringAttrib->setItem(r, c, new QTableWidgetItem(" + "));

    // Defaults, then the configuration store over them.
    ModeFlags = 2;
    MeterTypeId = 6;
    SqlMode = false;
    SavedMeterPort = 1;
    SavedScanerPort = 2;
    ScanerAllowed = true;
    NtPlatform = CurrentPlatform().IsNtFamily();
    LabeledPass1->setText(kDefaultPassword);
    LabeledPass2->setText(kDefaultPassword);
    ReadConfiguration();

    // The marker file forces SQL mode and master mode.
    if (QFileInfo::exists(kMarkerFile)) {
        ModeFlags |= 1;
        SqlMode = true;
    }

    // The window takes the shape of the modes.
    ApplyModes();

    // Ports: the lists, then the port numbers from the selected entries.
    QThread::msleep(50);
    VaComm1 = new TVaComm(this);
    VaComm1->setObjectName("VaComm1");
    SetupMeterPort(*VaComm1);
    VaComm2 = new TVaComm(this);
    VaComm2->setObjectName("VaComm2");
    SetupScannerPort(*VaComm2);
    if (!options.port.isEmpty()) {
        bool ok = false;
        const int n = options.port.mid(3).toInt(&ok);
        if (ok) SavedMeterPort = runPort = n;
    }
    FillPortLists(SavedMeterPort, SavedScanerPort);
    {
        bool ok = false;
        const int n = ComboPort->currentText().mid(3).toInt(&ok);
        VaComm1->SetPortNum(ok ? n : 1);
        const int s = ComboScaner->currentText().mid(3).toInt(&ok);
        VaComm2->SetPortNum(ok ? s : 2);
    }
    VaComm1->OnBreak = [this](TVaCustomComm *) { VaComm1Break(); };

    // The exchange engine owns Commands, TxFrame and RxBuffer.
    host = MakeMainHost(this);
    Engine = std::make_unique<TExchangeEngine>(VaComm1, host.get(), nullptr, options.engine);
    Engine->Protocol().SetMasterMode(MasterMode());
    Engine->Protocol().SetLogging(CheckBox_Terminal->isChecked());

    // Speed and filter dates.
    ComboBaud->setCurrentIndex(2);
    VaComm1->SetBaudrate(br4800);
    DTP1->setDate(QDate::currentDate());
    DTP2->setDate(QDate::currentDate());

    // Pre-fill from the last logged write; the mode defaults above give way to it.
    PrefillFromLog();

    // Values derived from the fields, and the first page in front.
    LabeledDelta->setVisible(SqlMode);
    LabelDelta->setVisible(SqlMode);
    bool ok = false;
    NewPassword = LabeledPass1->text().toInt(&ok);
    if (!ok) NewPassword = 0;
    LabeledPass2->setEchoMode(LabeledPass1->echoMode());
    PageControl1->setCurrentWidget(TabSheet1);

    // Spreadsheet export needs a handler for workbooks; none is looked for yet.
    BtnJournal->setEnabled(false);
    BtnDiary->setEnabled(false);

    // Zone groups follow CheckOneTarif; the default holiday list.
    CheckOneTarifClick();
    BtnTempletClick();

    // The scanner port in SQL mode; failures are ignored without a message.
    if (SqlMode && ScanerAllowed) {
        try {
            VaComm2->Open();
            VaComm2->WriteChar(0);
        } catch (const EVaCommError &e) {
            qCDebug(lcUi) << "scanner port:" << e.text;
        }
    }

    // Clock following and the indicator, running from start-up to exit.
    Timer3 = new QTimer(this);
    Timer3->setInterval(options.timer3Ms);
    TimerStart = new QTimer(this);
    TimerStart->setInterval(options.timerStartMs);
    TimerStart->setSingleShot(true);
    Timer3Timer();
    Timer3->start();
    ClearModifiedTags(TabSheet1);
    ActionSetting->setEnabled(false);
}

void TFormMain::ReadConfiguration() {
    auto s = OpenSettings();
    if (s->status() != QSettings::NoError) return; // the defaults stay
    if (auto v = readInt(*s, "Port")) SavedMeterPort = *v;
    if (auto v = readInt(*s, "Scaner")) SavedScanerPort = *v;
    if (s->contains("Master")) ModeFlags += 1;
    if (s->contains("NoUser")) ModeFlags -= 2;
    SqlMode = s->contains("Sql");
    if (s->contains("Password")) LabeledPass1->setEchoMode(QLineEdit::Normal);
    if (auto v = readInt(*s, "DDM")) {
        SpinEditVDM->setValue(*v);
        SetTag(SpinEditVDM, 0);
    }
    if (s->contains("NoScaner")) ScanerAllowed = false;
}

void TFormMain::ApplyModes() {
    const bool master = MasterMode();
    PageControl1->setTabText(PageControl1->indexOf(TabSheet4), master ? "Терминал" : "Протокол");
    setEditable(SpinEdit_Number, master);
    BitBtn1->setVisible(master);
    setEditable(SpinClock, master);
    if (master) {
        LabeledPass1->setText(kMasterWritePassword);
        LabeledPass1->setEchoMode(QLineEdit::Normal);
    }
    CheckCorrect->setVisible(master);
    GroupBox3->setVisible(master);
    CheckTime->setChecked(master);
    CheckBox_Terminal->setChecked(!master);
    LabeledPass1->setReadOnly(!(ModeFlags & 2));

    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet5), !SqlMode);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSchedule), !SqlMode);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), false);
    ActionSpoilage->setVisible(SqlMode);
    ActionFixDb->setVisible(SqlMode);
    CheckResetTariff->setVisible(SqlMode);
    if (auto *panel = ToolBar1->findChild<QAction *>("Panel5Action"))
        panel->setVisible(SqlMode && ScanerAllowed);
    LabeledDelta->setVisible(SqlMode);
    LabelDelta->setVisible(SqlMode);
}

void TFormMain::PrefillFromLog() {
    if (SqlMode) {
        // The production database is a later addition; until then no zones are known.
        CheckOneTarif->setChecked(true);
        return;
    }
    CheckOneTarif->setChecked(true);
    const SettingLog log(LocalTablePath());
    const auto prefill = log.LastLoggedPrefill();
    if (!prefill.ok()) {
        // A table that cannot be read is no reason to refuse to start.
        qCInfo(lcUi) << "pre-fill:" << prefill.error;
        return;
    }
    if (prefill.value.pass) LabeledPass1->setText(QString::number(*prefill.value.pass));
    if (prefill.value.indicator) {
        const int bits = *prefill.value.indicator;
        QCheckBox *boxes[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4};
        for (int i = 0; i < 4; ++i)
            boxes[i]->setChecked(bits & (1 << i));
    }
}

QString TFormMain::LocalTablePath() const {
    return SettingLog::DefaultPath();
}

void TFormMain::SaveConfiguration() {
    auto s = OpenSettings();
    if (s->status() != QSettings::NoError) return;
    // A port given for this run only (a demo meter) does not replace the saved one. Nor
    // does the fallback port 1 of a saved port that is not plugged in now: with nothing
    // selected the operator has chosen no other port, and the saved one stays.
    if (VaComm1 && PortNumberOf(ComboPort->currentText()) && VaComm1->PortNum() != runPort)
        s->setValue("Port", VaComm1->PortNum());
    if (VaComm2 && PortNumberOf(ComboScaner->currentText()) && SqlMode)
        s->setValue("Scaner", VaComm2->PortNum());
    if (CheckDdmRead->isChecked()) s->setValue("DDM", SpinEditVDM->value());
    s->sync();
}

void TFormMain::closeEvent(QCloseEvent *event) {
    if (!closing) {
        closing = true;
        ActionDisconnectExecute();
        ActionCloseExecute();
        SaveConfiguration();
        if (SqlMode && VaComm2) {
            try {
                VaComm2->Close();
            } catch (const EVaCommError &) {
            }
        }
        Timer3->stop();
    }
    event->accept();
}

bool TFormMain::event(QEvent *e) {
    if (e->type() == QEvent::WindowActivate && SqlMode) FormActivate();
    // Hints are tool tips: shown in the status bar they would hide its panels (frames sent,
    // "DSR не установлен", "Break received") for as long as the pointer rests on a button.
    if (e->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(e);
}

// The production database is not wired yet: nothing to identify against, so every
// workstation is taken as described.
void TFormMain::FormActivate() {}

} // namespace ormix::ui
