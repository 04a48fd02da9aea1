#include "ui/pages/schedule_page.h"

#include "meter/schedule.h"
#include "meter/schedule_editing.h"
#include "ui/controls.h"
#include "ui/tag.h"

#include <QSignalBlocker>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ormix::ui {

namespace {
constexpr int kRowHeight = 26; // a picker's height at the default font, and so every row's

// A list shows this many rows; more scroll.
void ShowRows(QTreeWidget *list, int rows) {
    const int row = list->fontMetrics().height() + 4;
    list->setMaximumHeight(list->header()->sizeHint().height() + rows * row +
                           2 * list->frameWidth());
}

// Every row of a zone grid in view without scrolling.
void FitRows(QTableWidget *t) {
    t->verticalHeader()->setDefaultSectionSize(kRowHeight);
    t->setMinimumHeight(t->rowCount() * kRowHeight + 2 * t->frameWidth() + 2);
    t->setMaximumHeight(t->minimumHeight());
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}
} // namespace

SchedulePage::SchedulePage(SharedState &shared, MeterLine &line, QWidget *parent)
    : QWidget(parent), shared(shared), line(line) {
    BuildLayout();
    ConnectHandlers();
}

void SchedulePage::BuildLayout() {
    setObjectName("TabSchedule");
    CheckOneTarif = NewCheck(this, "CheckOneTarif", "Работа по одному тарифу");
    CheckOneTarif->setChecked(true);
    BtnReadSchedule = Named(new QPushButton("Прочитать", this), "BtnReadSchedule");
    BtnWriteSchedule = Named(new QPushButton("Записать", this), "BtnWriteSchedule");
    BtnReadSchedule->setEnabled(false);
    BtnWriteSchedule->setEnabled(false);
    BtnSaveTemplate = Named(new QPushButton("Сохранить…", this), "BtnSaveTemplate");
    BtnLoadTemplate = Named(new QPushButton("Загрузить…", this), "BtnLoadTemplate");
    BtnSaveTemplate->setToolTip("Сохранить расписание в файл шаблона");
    BtnLoadTemplate->setToolTip("Загрузить расписание из файла шаблона");
    auto *top = new QHBoxLayout;
    top->addWidget(CheckOneTarif);
    top->addStretch(1);
    top->addWidget(BtnSaveTemplate);
    top->addWidget(BtnLoadTemplate);
    top->addWidget(BtnReadSchedule);
    top->addWidget(BtnWriteSchedule);

    BuildZoneGroup();
    BuildHolidayGroup();
    BuildTransferGroup();
    // The zones on the left, the two lists stacked on the right: the page stays as low as
    // the settings page.
    auto *lists = new QVBoxLayout;
    lists->addWidget(GroupCel);
    lists->addWidget(GroupTransfer);
    lists->addStretch(1);
    auto *zones = new QVBoxLayout;
    zones->addLayout(top);
    zones->addWidget(GroupBox6);
    zones->addStretch(1);
    auto *page = new QHBoxLayout(this);
    page->addLayout(zones);
    page->addLayout(lists, 1);
}

void SchedulePage::BuildZoneGroup() {
    GroupBox6 = Named(new QGroupBox(" Многотарифный режим ", this), "GroupBox6");
    auto *g6 = new QHBoxLayout(GroupBox6);
    ValueListEditor1 = NewGrid(GroupBox6, "ValueListEditor1", 3, 1 + meter::kZoneCount);
    SetGridHeadings(ValueListEditor1, {"Зона", "Тариф", "Время"});
    const auto zones = meter::DefaultZones();
    for (int z = 0; z < meter::kZoneCount; ++z) {
        auto *key = new QTableWidgetItem(QString::number(z));
        key->setFlags(Qt::ItemIsEnabled);
        ValueListEditor1->setItem(z + 1, 0, key);
        // The tariff is chosen from a pick list and cannot be typed.
        auto *pick = new QComboBox(ValueListEditor1);
        pick->setObjectName(QString("ValueListEditor1Pick%1").arg(z));
        for (int t = meter::kLowestTariff; t <= meter::kHighestTariff; ++t)
            pick->addItem(QString::number(t));
        pick->setCurrentText(QString::number(zones[z].tariff));
        ValueListEditor1->setCellWidget(z + 1, 1, pick);
        ValueListEditor1Pick[z] = pick;
        Picker_Zone[z] = new QTimeEdit(zones[z].start, ValueListEditor1);
        Picker_Zone[z]->setObjectName(QString("Picker_Zone%1").arg(z));
        Picker_Zone[z]->setDisplayFormat("HH:mm");
        SetTag(Picker_Zone[z], z); // a zone picker's Tag is its zone index
        ValueListEditor1->setCellWidget(z + 1, 2, Picker_Zone[z]);
    }
    ValueListEditor1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ValueListEditor1->horizontalHeader()->setStretchLastSection(true);
    ValueListEditor1->setMinimumWidth(
        ValueListEditor1->fontMetrics().horizontalAdvance(" Тариф  00:00 ") * 2);

    StringAttrib = NewGrid(GroupBox6, "StringAttrib", meter::kDayTypeCount, 1 + meter::kZoneCount);
    StringAttrib->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    SetGridHeadings(StringAttrib, meter::DayTypeLabels());
    for (int r = 1; r < StringAttrib->rowCount(); ++r)
        for (int c = 0; c < StringAttrib->columnCount(); ++c)
            StringAttrib->setItem(r, c, new QTableWidgetItem(meter::MarkText()));
    for (QTableWidget *t : {ValueListEditor1, StringAttrib})
        FitRows(t);
    g6->addWidget(ValueListEditor1, 0, Qt::AlignTop);
    g6->addWidget(StringAttrib, 1, Qt::AlignTop);
}

void SchedulePage::BuildHolidayGroup() {
    GroupCel = Named(new QGroupBox(" Праздники ", this), "GroupCel");
    auto *g = new QGridLayout(GroupCel);
    ComboM = Named(new QComboBox(GroupCel), "ComboM");
    ComboM->addItems(meter::MonthNames());
    SpinD = Named(new QSpinBox(GroupCel), "SpinD");
    SpinD->setRange(1, 31);
    BtnInsCel = Named(new QPushButton("Добавить", GroupCel), "BtnInsCel");
    BtnDelCel = Named(new QPushButton("Удалить", GroupCel), "BtnDelCel");
    BtnDelCel->setEnabled(false);
    ListCel = Named(new QTreeWidget(GroupCel), "ListCel");
    ListCel->setHeaderLabels({"Месяц", "День"});
    ListCel->setRootIsDecorated(false);
    ListCel->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ShowRows(ListCel, 5);
    BtnTemplet = Named(new QPushButton("Восстановить праздники", GroupCel), "BtnTemplet");
    g->addWidget(new QLabel("месяц:", GroupCel), 0, 0);
    g->addWidget(ComboM, 0, 1);
    g->addWidget(new QLabel("день:", GroupCel), 0, 2);
    g->addWidget(SpinD, 0, 3);
    g->addWidget(BtnInsCel, 1, 0, 1, 2);
    g->addWidget(BtnDelCel, 1, 2, 1, 2);
    g->addWidget(ListCel, 2, 0, 1, 4);
    g->addWidget(BtnTemplet, 3, 0, 1, 4);
}

void SchedulePage::BuildTransferGroup() {
    GroupTransfer = Named(new QGroupBox(" Переносы ", this), "GroupTransfer");
    auto *g = new QGridLayout(GroupTransfer);
    DTPTrans = Named(new QDateEdit(QDate::currentDate(), GroupTransfer), "DTPTrans");
    DTPTrans->setMinimumDate(QDate::currentDate());
    DTPTrans->setCalendarPopup(true);
    ComboTrans = Named(new QComboBox(GroupTransfer), "ComboTrans");
    ComboTrans->addItems(meter::DayTypeTexts());
    BtnInsTrans = Named(new QPushButton("Добавить", GroupTransfer), "BtnInsTrans");
    BtnDelTrans = Named(new QPushButton("Удалить", GroupTransfer), "BtnDelTrans");
    BtnDelTrans->setEnabled(false);
    ListTransfer = Named(new QTreeWidget(GroupTransfer), "ListTransfer");
    ListTransfer->setHeaderLabels({"День", "По графику"});
    ListTransfer->setRootIsDecorated(false);
    ListTransfer->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ShowRows(ListTransfer, 4);
    g->addWidget(DTPTrans, 0, 0);
    g->addWidget(Named(new QLabel("по графику:", GroupTransfer), "Label20"), 0, 1);
    g->addWidget(ComboTrans, 0, 2);
    g->addWidget(BtnInsTrans, 1, 0);
    g->addWidget(BtnDelTrans, 1, 2);
    g->addWidget(ListTransfer, 2, 0, 1, 3);
}

void SchedulePage::ConnectHandlers() {
    for (QComboBox *pick : ValueListEditor1Pick)
        connect(pick, &QComboBox::currentIndexChanged, this,
                &SchedulePage::ValueListEditor1StringsChange);
    connect(CheckOneTarif, &QCheckBox::clicked, this, &SchedulePage::CheckOneTarifClick);
    connect(BtnTemplet, &QPushButton::clicked, this, &SchedulePage::BtnTempletClick);
    connect(BtnReadSchedule, &QPushButton::clicked, this, &SchedulePage::BtnReadScheduleClick);
    connect(BtnWriteSchedule, &QPushButton::clicked, this, &SchedulePage::BtnWriteScheduleClick);
    connect(BtnSaveTemplate, &QPushButton::clicked, this, &SchedulePage::BtnSaveTemplateClick);
    connect(BtnLoadTemplate, &QPushButton::clicked, this, &SchedulePage::BtnLoadTemplateClick);
    // Only the operator's changes come here: the page blocks the pickers' signals whenever
    // it sets a time itself.
    for (int z = 0; z < meter::kZoneCount; ++z)
        connect(Picker_Zone[z], &QTimeEdit::timeChanged, this,
                [this, z] { Picker_Zone0Change(z); });
    connect(StringAttrib, &QTableWidget::cellClicked, this, &SchedulePage::StringAttribClick);
    connect(ComboM, &QComboBox::currentIndexChanged, this, &SchedulePage::ComboMChange);
    connect(BtnInsCel, &QPushButton::clicked, this, &SchedulePage::BtnInsCelClick);
    connect(BtnDelCel, &QPushButton::clicked, this, &SchedulePage::BtnDelCelClick);
    connect(ListCel, &QTreeWidget::itemSelectionChanged, this, &SchedulePage::ListCelSelectItem);
    connect(DTPTrans, &QDateEdit::dateChanged, this, &SchedulePage::DTPTransChange);
    connect(BtnInsTrans, &QPushButton::clicked, this, &SchedulePage::BtnInsTransClick);
    connect(BtnDelTrans, &QPushButton::clicked, this, &SchedulePage::BtnDelTransClick);
    connect(ListTransfer, &QTreeWidget::itemSelectionChanged, this,
            &SchedulePage::ListTransferSelectItem);
}

void SchedulePage::ApplyPrefill(const records::LogPrefill &prefill) {
    CheckOneTarif->setChecked(prefill.oneTariff);
    if (prefill.oneTariff) return;
    for (int z = 0; z < meter::kZoneCount; ++z) {
        ValueListEditor1Pick[z]->setCurrentText(prefill.zones[z]);
        const QSignalBlocker quiet(Picker_Zone[z]);
        Picker_Zone[z]->setTime(prefill.zoneStarts[z]);
    }
}

void SchedulePage::FinishStartup() {
    CheckOneTarifClick();
    BtnTempletClick();
}

void SchedulePage::SetConnected(bool connected) {
    BtnReadSchedule->setEnabled(connected);
    BtnWriteSchedule->setEnabled(connected);
}

void SchedulePage::ApplyFirmware(const meter::FirmwareLayout &layout) {
    StringAttrib->setVisible(layout.scheduleExtrasVisible);
    GroupCel->setVisible(layout.scheduleExtrasVisible);
    GroupTransfer->setVisible(layout.scheduleExtrasVisible);
}

void SchedulePage::ApplyScheduleReply(const meter::DecodedReply &reply) {
    if (const auto *zones = std::get_if<meter::ZoneReply>(&reply)) {
        CheckOneTarif->setChecked(zones->singleTariff);
        CheckOneTarifClick();
        for (int z = 0; z < meter::kZoneCount; ++z) {
            if (zones->tariffs[z]) ShowTariff(z, *zones->tariffs[z]);
            if (zones->starts[z]) {
                const QSignalBlocker quiet(Picker_Zone[z]);
                Picker_Zone[z]->setTime(*zones->starts[z]);
            }
        }
        for (const QString &text : zones->protocolLines)
            line.AddProtocolLine(text);
    } else if (const auto *masks = std::get_if<meter::MaskReply>(&reply)) {
        ShowMasks(masks->masks);
    } else if (const auto *slot = std::get_if<meter::HolidayReply>(&reply)) {
        // Two reads queued one behind the other must not leave more than the meter holds.
        if (slot->holiday && meter::CanAddHoliday(ListCel->topLevelItemCount()))
            AddHoliday(ListCel->topLevelItemCount(), *slot->holiday);
        UpdateListButtons();
    } else if (const auto *slot = std::get_if<meter::TransferReply>(&reply)) {
        if (slot->transfer && meter::CanAddTransfer(ListTransfer->topLevelItemCount()))
            AddTransfer(ListTransfer->topLevelItemCount(), *slot->transfer);
        UpdateListButtons();
    }
}

// Grid and value-list fonts go grey with their group, as the disabled controls around them.
void SchedulePage::EnableGroup(QWidget *group, bool enabled) {
    static const QColor kDisabledFont(0x80, 0x80, 0x80);
    for (QObject *child : group->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (!w) continue;
        w->setEnabled(enabled);
        if (auto *grid = qobject_cast<QTableWidget *>(w)) {
            QPalette p = grid->palette();
            const QColor font = enabled ? QColor(Qt::black) : kDisabledFont;
            p.setColor(QPalette::Active, QPalette::Text, font);
            p.setColor(QPalette::Inactive, QPalette::Text, font);
            p.setColor(QPalette::Disabled, QPalette::Text, font);
            grid->setPalette(p);
        }
        EnableGroup(w, enabled);
    }
}

void SchedulePage::CheckOneTarifClick() {
    const bool zones = meter::ZoneGroupsEnabled(CheckOneTarif->isChecked());
    EnableGroup(GroupBox6, zones);
    EnableGroup(GroupCel, zones);
    EnableGroup(GroupTransfer, zones);
    UpdateListButtons();
}

void SchedulePage::BtnTempletClick() {
    ListCel->clear();
    for (const meter::Holiday &h : meter::DefaultHolidays())
        AddHoliday(ListCel->topLevelItemCount(), h);
    UpdateListButtons();
}

void SchedulePage::ValueListEditor1StringsChange() {
    SetTag(ValueListEditor1, 1);
}

} // namespace ormix::ui
