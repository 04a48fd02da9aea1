#pragma once
// The page "Тарифное расписание" (TabSchedule): the six daily zones with their tariffs and
// start times, the day-type masks, the holidays and the transfers. ValueListEditor1 holds
// the headings in row 0 and zone z in row z + 1: its key, the tariff pick list
// ValueListEditor1Pick<z> and the start picker Picker_Zone<z> (whose Tag is z), so each
// picker stands on its zone's row whatever else the firmware shows; StringAttrib's row
// z + 1 holds the same zone's masks. The editing rules and the frames are in
// meter/schedule*.h.
#include "meter/poll_decoders.h"
#include "meter/reply_decoders.h"
#include "meter/schedule_editing.h"
#include "records/log_prefill.h"
#include "ui/meter_line.h"
#include "ui/shared_state.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimeEdit;
class QTreeWidget;

namespace ormix::ui {

class SchedulePage : public QWidget {
    Q_OBJECT
public:
    // `line` carries the page's reads and writes to the meter.
    SchedulePage(SharedState &shared, MeterLine &line, QWidget *parent);

    void ApplyPrefill(const records::LogPrefill &prefill);
    // Start-up: the zone groups follow CheckOneTarif, the holiday list its default.
    void FinishStartup();
    // The read and write buttons work while a meter is connected.
    void SetConnected(bool connected);
    // The masks, holidays and transfers exist from firmware 10 on.
    void ApplyFirmware(const meter::FirmwareLayout &layout);
    // A reply of the schedule read (08, 2E, 26, 28), shown in the controls.
    void ApplyScheduleReply(const meter::DecodedReply &reply);

    // The schedule as the controls hold it now, and the controls set to one (a template
    // loaded, for instance); no change handler runs for what this sets.
    meter::Schedule ReadSchedule() const;
    void ShowSchedule(const meter::Schedule &schedule);
    // "Сохранить…" and "Загрузить…" once the file is chosen: a refusal is shown in a box
    // titled "Ошибка" and returned; a refused load changes nothing.
    QString SaveTemplate(const QString &path);
    QString LoadTemplate(const QString &path);

private:
    void BuildLayout();
    void BuildZoneGroup();
    void BuildHolidayGroup();
    void BuildTransferGroup();
    void ConnectHandlers();

    void CheckOneTarifClick();
    void BtnTempletClick();
    void ValueListEditor1StringsChange();
    void EnableGroup(QWidget *group, bool enabled);

    void BtnReadScheduleClick();
    void BtnWriteScheduleClick();
    void BtnSaveTemplateClick();
    void BtnLoadTemplateClick();
    void StringAttribClick(int row, int column);
    void Picker_Zone0Change(int zone);
    void ComboMChange();
    void BtnInsCelClick();
    void BtnDelCelClick();
    void ListCelSelectItem();
    void DTPTransChange();
    void BtnInsTransClick();
    void BtnDelTransClick();
    void ListTransferSelectItem();

    // Sets the controls without raising their change handlers.
    void ShowZone(int zone, int tariff, const QTime &start);
    void ShowTariff(int zone, int tariff);
    void ShowMasks(const meter::Masks &masks);
    void AddHoliday(qsizetype position, const meter::Holiday &holiday);
    void AddTransfer(qsizetype position, const meter::Transfer &transfer);
    QList<meter::Holiday> Holidays() const;
    QList<meter::Transfer> Transfers() const;
    meter::Zones Zones() const;
    meter::Masks Masks() const;
    void UpdateListButtons();
    // A schedule read's frames are still in the queue.
    bool ReadUnderway() const;

    SharedState &shared;
    MeterLine &line;

    QCheckBox *CheckOneTarif{};
    QGroupBox *GroupBox6{}, *GroupCel{}, *GroupTransfer{};
    QTableWidget *ValueListEditor1{}, *StringAttrib{};
    QComboBox *ValueListEditor1Pick[6]{};
    QTimeEdit *Picker_Zone[6]{};
    QComboBox *ComboM{}, *ComboTrans{};
    QSpinBox *SpinD{};
    QPushButton *BtnInsCel{}, *BtnDelCel{}, *BtnInsTrans{}, *BtnDelTrans{}, *BtnReadSchedule{},
        *BtnWriteSchedule{}, *BtnTemplet{};
    QTreeWidget *ListCel{}, *ListTransfer{};
    QDateEdit *DTPTrans{};
    QPushButton *BtnSaveTemplate{}, *BtnLoadTemplate{};
    QString templateFolder; // the folder of the last template saved or loaded
};

} // namespace ormix::ui
