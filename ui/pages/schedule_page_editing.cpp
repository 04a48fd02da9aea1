// The schedule page's controls as a schedule and back, and the operator's editing, each
// handler reading its controls, asking meter/schedule_editing.h and showing the result.
#include "meter/schedule_editing.h"
#include "ui/pages/schedule_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTreeWidget>

namespace ormix::ui {

// ---- the schedule in the controls ----------------------------------------------------------

meter::Schedule SchedulePage::ReadSchedule() const {
    meter::Schedule s;
    s.singleTariff = CheckOneTarif->isChecked();
    s.zones = Zones();
    s.masks = Masks();
    s.holidays = Holidays();
    s.transfers = Transfers();
    return s;
}

void SchedulePage::ShowSchedule(const meter::Schedule &s) {
    CheckOneTarif->setChecked(s.singleTariff);
    CheckOneTarifClick();
    for (int z = 0; z < meter::kZoneCount; ++z)
        ShowZone(z, s.zones[z].tariff, s.zones[z].start);
    ShowMasks(s.masks);
    ListCel->clear();
    for (const meter::Holiday &h : s.holidays)
        AddHoliday(ListCel->topLevelItemCount(), h);
    ListTransfer->clear();
    for (const meter::Transfer &t : s.transfers)
        AddTransfer(ListTransfer->topLevelItemCount(), t);
    UpdateListButtons();
}

meter::Zones SchedulePage::Zones() const {
    meter::Zones zones;
    for (int z = 0; z < meter::kZoneCount; ++z)
        zones[z] = {ValueListEditor1Pick[z]->currentText().toInt(), Picker_Zone[z]->time()};
    return zones;
}

meter::Masks SchedulePage::Masks() const {
    meter::Masks masks{};
    for (int z = 0; z < meter::kZoneCount; ++z)
        for (int d = 0; d < meter::kDayTypeCount; ++d) {
            const QTableWidgetItem *cell = StringAttrib->item(z + 1, d);
            if (cell && !cell->text().isEmpty()) masks[z] |= std::uint8_t(1u << d);
        }
    return masks;
}

QList<meter::Holiday> SchedulePage::Holidays() const {
    QList<meter::Holiday> list;
    for (int i = 0; i < ListCel->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = ListCel->topLevelItem(i);
        list << meter::Holiday{item->text(1).toInt(),
                               meter::MonthFromName(item->text(0)).value_or(0)};
    }
    return list;
}

// The date is kept in the entry itself: the caption is the locale's short form, which
// may carry only two digits of the year.
QList<meter::Transfer> SchedulePage::Transfers() const {
    QList<meter::Transfer> list;
    for (int i = 0; i < ListTransfer->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = ListTransfer->topLevelItem(i);
        list << meter::Transfer{item->data(0, Qt::UserRole).toDate(),
                                meter::DayTypeFromText(item->text(1)).value_or(0)};
    }
    return list;
}

void SchedulePage::ShowZone(int zone, int tariff, const QTime &start) {
    ShowTariff(zone, tariff);
    const QSignalBlocker quiet(Picker_Zone[zone]);
    Picker_Zone[zone]->setTime(start);
}

// A meter may answer with a tariff the pick list does not offer: it is shown as it is (the
// write then refuses it) and leaves the list again once a tariff of the list is set.
void SchedulePage::ShowTariff(int zone, int tariff) {
    QComboBox *pick = ValueListEditor1Pick[zone];
    const QSignalBlocker quiet(pick);
    const int offered = meter::kHighestTariff - meter::kLowestTariff + 1;
    const QString text = QString::number(tariff);
    int index = pick->findText(text);
    if (index < 0) {
        pick->addItem(text);
        index = pick->count() - 1;
    }
    pick->setCurrentIndex(index);
    for (int i = pick->count() - 1; i >= offered; --i)
        if (i != pick->currentIndex()) pick->removeItem(i);
}

void SchedulePage::ShowMasks(const meter::Masks &masks) {
    for (int z = 0; z < meter::kZoneCount; ++z)
        for (int d = 0; d < meter::kDayTypeCount; ++d) {
            const QString text = meter::MarkAt(masks, z + 1, d) ? meter::MarkText() : QString();
            QTableWidgetItem *cell = StringAttrib->item(z + 1, d);
            if (cell->text() != text) cell->setText(text);
        }
}

void SchedulePage::AddHoliday(qsizetype position, const meter::Holiday &h) {
    auto *item = new QTreeWidgetItem;
    item->setText(0, meter::MonthNames().value(h.month - 1));
    item->setText(1, QString::number(h.day));
    ListCel->insertTopLevelItem(int(position), item);
}

void SchedulePage::AddTransfer(qsizetype position, const meter::Transfer &t) {
    auto *item = new QTreeWidgetItem;
    item->setText(0, meter::TransferDateText(t.date));
    item->setData(0, Qt::UserRole, t.date);
    item->setText(1, meter::DayTypeTexts().value(t.dayType - 1));
    ListTransfer->insertTopLevelItem(int(position), item);
}

// The list buttons also stay off while single-tariff operation has their groups off.
void SchedulePage::UpdateListButtons() {
    const bool on = meter::ZoneGroupsEnabled(CheckOneTarif->isChecked());
    BtnInsCel->setEnabled(on && meter::CanAddHoliday(ListCel->topLevelItemCount()));
    BtnInsTrans->setEnabled(on && meter::CanAddTransfer(ListTransfer->topLevelItemCount()));
    BtnDelCel->setEnabled(on && meter::CanDelete(ListCel->selectedItems().size()));
    BtnDelTrans->setEnabled(on && meter::CanDelete(ListTransfer->selectedItems().size()));
}

// ---- editing -------------------------------------------------------------------------------

void SchedulePage::StringAttribClick(int row, int column) {
    ShowMasks(meter::ToggleMarkAt(Masks(), row, column));
}

void SchedulePage::Picker_Zone0Change(int zone) {
    const meter::Zones pushed = meter::PushLaterZones(Zones(), zone, Picker_Zone[zone]->time());
    for (int m = zone + 1; m < meter::kZoneCount; ++m)
        ShowZone(m, pushed[m].tariff, pushed[m].start);
}

void SchedulePage::ComboMChange() {
    SpinD->setMaximum(meter::DayLimit(ComboM->currentIndex() + 1));
}

void SchedulePage::BtnInsCelClick() {
    if (!meter::CanAddHoliday(ListCel->topLevelItemCount())) return;
    const meter::Holiday h{SpinD->value(), ComboM->currentIndex() + 1};
    AddHoliday(meter::HolidayInsertPosition(Holidays(), h), h);
    UpdateListButtons();
}

void SchedulePage::BtnDelCelClick() {
    for (int i = ListCel->topLevelItemCount() - 1; i >= 0; --i)
        if (ListCel->topLevelItem(i)->isSelected()) delete ListCel->takeTopLevelItem(i);
    UpdateListButtons();
    BtnDelCel->setEnabled(false);
}

void SchedulePage::ListCelSelectItem() {
    BtnDelCel->setEnabled(meter::CanDelete(ListCel->selectedItems().size()));
}

void SchedulePage::DTPTransChange() {
    const QDate date = meter::TransferPickerDate(DTPTrans->date(), QDate::currentDate());
    if (date != DTPTrans->date()) DTPTrans->setDate(date);
}

void SchedulePage::BtnInsTransClick() {
    if (!meter::CanAddTransfer(ListTransfer->topLevelItemCount())) return;
    const meter::Transfer t{DTPTrans->date(), ComboTrans->currentIndex() + 1};
    AddTransfer(meter::TransferInsertPosition(Transfers(), t.date), t);
    UpdateListButtons();
}

void SchedulePage::BtnDelTransClick() {
    for (int i = ListTransfer->topLevelItemCount() - 1; i >= 0; --i)
        if (ListTransfer->topLevelItem(i)->isSelected()) delete ListTransfer->takeTopLevelItem(i);
    UpdateListButtons();
    BtnDelTrans->setEnabled(false);
}

void SchedulePage::ListTransferSelectItem() {
    BtnDelTrans->setEnabled(meter::CanDelete(ListTransfer->selectedItems().size()));
}

} // namespace ormix::ui
