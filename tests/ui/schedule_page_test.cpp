// The tariff schedule page driven like an operator against the emulated meter: the read,
// the write and its read-back, a write that fails half way, the enabling rules and the
// template files.
#include "meter/schedule_frames.h"
#include "meter/schedule_template.h"
#include "records/setting_log.h"
#include "ui/pages/schedule_page.h"
#include "ui_test_util.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTreeWidget>

using namespace ormix::emulator;
using namespace ormix::ui;
namespace meter = ormix::meter;

namespace {

// What the emulated meter holds before a read: multi-tariff, zones and masks of its own,
// holidays out of date order and one transfer.
MeterState MeterWithSchedule(MeterState s) {
    s.singleTariff = false;
    s.zones = {{{2, 0, 0}, {1, 7, 0}, {3, 9, 15}, {1, 12, 0}, {2, 18, 45}, {3, 22, 0}}};
    s.masks = {0x1F, 0x60, 0x80, 0x7F, 0x01, 0xFF};
    s.holidays = {};
    s.holidays[0] = {9, 5};
    s.holidays[1] = {1, 1};
    s.holidays[2] = {4, 11};
    s.transfers = {};
    s.transfers[0] = {3, 3, 2031, 6};
    return s;
}

class ScheduleTest : public WindowTest {
protected:
    SchedulePage *Page() const { return Find<SchedulePage>("TabSchedule"); }

    void StartAt(int firmware, const TExchangeTimings &timings = {}) {
        EmulatorOptions o;
        o.firmware = {firmware, 1};
        StartMeter(o);
        emu->setState(MeterWithSchedule(emu->state()));
        CreateForm(timings);
        Find<QTabWidget>("PageControl1")->setCurrentWidget(Page());
        Connect();
    }

    int SeenOf(int code) const { return int(SeenCodes().count(code)); }
    // Nothing of the schedule waits in the queue any more.
    bool ScheduleQueueEmpty() const {
        const auto &commands = form->Engine().Commands();
        for (int i = 0; i < commands.Count(); ++i) {
            const int code = std::uint8_t(commands.At(i)[0]);
            if (code == 0x08 || code == 0x09 || (code >= 0x26 && code <= 0x2F) || code == 0x14)
                return false;
        }
        return true;
    }
    void ReadAndWait() {
        Find<QPushButton>("BtnReadSchedule")->click();
        ASSERT_TRUE(WaitFor([&] { return SeenOf(0x08) > 0 && ScheduleQueueEmpty(); }));
    }
    QList<ormix::records::SettingRow> LoggedToday() const {
        const auto rows = ormix::records::SettingLog(work.filePath("Setting.DBF"))
                              .QuerySelect(QDate::currentDate());
        return rows.ok() ? rows.value : QList<ormix::records::SettingRow>{};
    }
    QColor GridFont(const char *grid) const {
        return Find<QTableWidget>(grid)->palette().color(QPalette::Text);
    }
};

struct ByFirmware {
    int firmware;
    bool extras; // masks, holidays and transfers are read and written
};
const ByFirmware kFirmwares[] = {{9, false}, {10, true}};

TEST_F(ScheduleTest, ReadFillsThePageWithWhatTheMeterHolds) {
    for (const ByFirmware &c : kFirmwares) {
        SCOPED_TRACE(c.firmware);
        StartAt(c.firmware);
        const meter::Schedule before = Page()->ReadSchedule();
        emu->clearRequestsSeen();
        ReadAndWait();
        EXPECT_EQ(SeenOf(0x26) + SeenOf(0x28) + SeenOf(0x2E) + SeenOf(0x08), c.extras ? 34 : 1);

        const meter::Schedule shown = Page()->ReadSchedule();
        EXPECT_FALSE(shown.singleTariff);
        EXPECT_TRUE(Find<QWidget>("GroupBox6")->isEnabled());
        EXPECT_EQ(shown.zones[2], (meter::ZoneEntry{3, QTime(9, 15)}));
        EXPECT_EQ(shown.zones[4], (meter::ZoneEntry{2, QTime(18, 45)}));
        if (c.extras) {
            EXPECT_EQ(shown.masks, (meter::Masks{0x1F, 0x60, 0x80, 0x7F, 0x01, 0xFF}));
            // Slot order, not date order.
            EXPECT_EQ(shown.holidays, (QList<meter::Holiday>{{9, 5}, {1, 1}, {4, 11}}));
            EXPECT_EQ(shown.transfers, (QList<meter::Transfer>{{QDate(2031, 3, 3), 6}}));
            EXPECT_EQ(Find<QTreeWidget>("ListCel")->topLevelItem(0)->text(0), "май");
        } else {
            // Below firmware 10 only the zones are read: the rest stays as it was.
            EXPECT_EQ(shown.masks, before.masks);
            EXPECT_EQ(shown.holidays, before.holidays);
        }
        form->close();
        form.reset();
        emu.reset();
    }
}

TEST_F(ScheduleTest, PressingReadAgainWhileAReadIsQueuedReadsOnce) {
    StartAt(10);
    emu->clearRequestsSeen();
    Find<QPushButton>("BtnReadSchedule")->click();
    Find<QPushButton>("BtnReadSchedule")->click();
    ASSERT_TRUE(WaitFor([&] { return SeenOf(0x08) > 0 && ScheduleQueueEmpty(); }));
    EXPECT_EQ(SeenOf(0x26), 16);
    EXPECT_EQ(Find<QTreeWidget>("ListCel")->topLevelItemCount(), 3);
    EXPECT_EQ(Find<QTreeWidget>("ListTransfer")->topLevelItemCount(), 1);
}

// The operator's edits, written, then read back into a page set to something else.
TEST_F(ScheduleTest, WrittenScheduleReadsBackTheSameAndIsLoggedAsAWrite) {
    for (const ByFirmware &c : kFirmwares) {
        SCOPED_TRACE(c.firmware);
        StartAt(c.firmware);
        ReadAndWait();
        // CheckTime ticked on the settings page: a schedule write does not set the clock,
        // so its row must not say it did.
        QTest::mouseClick(Find<QCheckBox>("CheckTime"), Qt::LeftButton, {}, QPoint(5, 5));
        ASSERT_TRUE(Find<QCheckBox>("CheckTime")->isChecked());

        Find<QTimeEdit>("Picker_Zone1")->setTime(QTime(9, 30)); // pushes zone 2 to 09:31
        auto *grid = Find<QTableWidget>("StringAttrib");
        if (c.extras) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(2, 7)).center());
            Pick("ComboM", 1);
            Find<QSpinBox>("SpinD")->setValue(23);
            Find<QPushButton>("BtnInsCel")->click();
            Find<QDateEdit>("DTPTrans")->setDate(QDate::currentDate().addDays(3));
            Pick("ComboTrans", 7);
            Find<QPushButton>("BtnInsTrans")->click();
        }
        const meter::Schedule written = Page()->ReadSchedule();
        EXPECT_EQ(written.zones[2], (meter::ZoneEntry{1, QTime(9, 31)}));
        if (c.extras) {
            EXPECT_EQ(written.masks[1], 0xE0); // zone 1 now on holidays too
            EXPECT_EQ(written.holidays.size(), 4);
        }
        const qsizetype rowsBefore = LoggedToday().size();
        boxes.clear();
        emu->clearRequestsSeen();
        Find<QPushButton>("BtnWriteSchedule")->click();
        ASSERT_TRUE(WaitFor([&] { return SeenOf(0x09) > 0 && ScheduleQueueEmpty(); }))
            << (boxes.empty() ? "" : boxes[0].text.toStdString());
        ASSERT_TRUE(WaitFor([&] { return LoggedToday().size() == rowsBefore + 1; }));
        EXPECT_TRUE(boxes.empty()) << boxes[0].text.toStdString();
        EXPECT_EQ(Find<TShape>("Shape1")->BrushColor(), QColor(0, 255, 0));
        EXPECT_EQ(emu->state().zones[2], (Zone{1, 9, 31}));
        const auto row = LoggedToday().last();
        EXPECT_TRUE(row[ormix::records::SettingField::CDate].isNull());
        EXPECT_EQ(Page()->ReadSchedule(), written); // the editor keeps what it wrote

        Page()->ShowSchedule(meter::Schedule{});
        ReadAndWait();
        const meter::Schedule back = Page()->ReadSchedule();
        EXPECT_EQ(back.zones, written.zones);
        EXPECT_EQ(back.singleTariff, written.singleTariff);
        if (c.extras) EXPECT_EQ(back, written);
        form->close();
        form.reset();
        emu.reset();
    }
}

TEST_F(ScheduleTest, WriteTimingOutHalfWayIsRedLogsNothingAndKeepsTheEditor) {
    StartAt(10, kQuickTimeouts);
    ReadAndWait();
    Find<QPushButton>("BtnTemplet")->click();
    const meter::Schedule edited = Page()->ReadSchedule();
    emu->addFault({.kind = Fault::NoReply, .frames = 1, .code = 0x27});
    boxes.clear();
    Find<QPushButton>("BtnWriteSchedule")->click();
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].title, "Ошибка");
    EXPECT_EQ(boxes[0].text, TExchangeEngine::WriteFailureText);
    EXPECT_EQ(Find<TShape>("Shape1")->BrushColor(), QColor(255, 0, 0));
    EXPECT_TRUE(LoggedToday().isEmpty());
    EXPECT_EQ(Page()->ReadSchedule(), edited);
    EXPECT_FALSE(form->Engine().ScheduleWritePending());
}

TEST_F(ScheduleTest, RefusedScheduleShowsTheModelsMessageAndSendsNothing) {
    StartAt(9);
    Find<QTimeEdit>("Picker_Zone4")->setTime(QTime(23, 59)); // zone 5 at 20:30 stays behind
    boxes.clear();
    emu->clearRequestsSeen();
    Find<QPushButton>("BtnWriteSchedule")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Ошибка");
    EXPECT_EQ(boxes[0].text, meter::ZonesMustIncreaseMessage());
    EXPECT_FALSE(form->Engine().ScheduleWritePending());
    EXPECT_EQ(SeenOf(0x14), 0);
}

TEST_F(ScheduleTest, ControlsFollowConnectionFirmwareAndSingleTariff) {
    StartMeter();
    CreateForm();
    Find<QTabWidget>("PageControl1")->setCurrentWidget(Page());
    auto *read = Find<QPushButton>("BtnReadSchedule");
    auto *write = Find<QPushButton>("BtnWriteSchedule");
    EXPECT_FALSE(read->isEnabled());
    EXPECT_FALSE(write->isEnabled());
    // Single-tariff at start: the zone groups are off, their grids greyed.
    EXPECT_FALSE(Find<QWidget>("Picker_Zone0")->isEnabled());
    EXPECT_FALSE(Find<QWidget>("BtnInsCel")->isEnabled());
    EXPECT_EQ(GridFont("StringAttrib"), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(GridFont("ValueListEditor1"), QColor(0x80, 0x80, 0x80));
    EXPECT_TRUE(Find<QWidget>("GroupBox6")->isEnabled()); // the container itself stays
    QTest::mouseClick(Find<QCheckBox>("CheckOneTarif"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(Find<QWidget>("Picker_Zone0")->isEnabled());
    EXPECT_EQ(GridFont("StringAttrib"), QColor(Qt::black));

    struct Case {
        int firmware;
        bool extrasShown;
    };
    for (const Case c : {Case{9, false}, Case{10, true}}) {
        SCOPED_TRACE(c.firmware);
        emu.reset();
        EmulatorOptions o;
        o.firmware = {c.firmware, 0};
        StartMeter(o);
        Connect();
        EXPECT_TRUE(read->isEnabled());
        EXPECT_TRUE(write->isEnabled());
        EXPECT_EQ(Find<QWidget>("StringAttrib")->isVisible(), c.extrasShown);
        EXPECT_EQ(Find<QWidget>("GroupCel")->isVisible(), c.extrasShown);
        EXPECT_EQ(Find<QWidget>("GroupTransfer")->isVisible(), c.extrasShown);
        Find<QAction>("ActionDisconnect")->trigger();
        EXPECT_FALSE(read->isEnabled());
        EXPECT_FALSE(write->isEnabled());
    }
}

TEST_F(ScheduleTest, HolidayListKeepsToSixteenAndTheMonthsDays) {
    CreateForm();
    Find<QTabWidget>("PageControl1")->setCurrentWidget(Page());
    QTest::mouseClick(Find<QCheckBox>("CheckOneTarif"), Qt::LeftButton, {}, QPoint(5, 5));
    auto *list = Find<QTreeWidget>("ListCel");
    auto *add = Find<QPushButton>("BtnInsCel");
    Pick("ComboM", 4); // май
    EXPECT_EQ(Find<QSpinBox>("SpinD")->maximum(), 31);
    Find<QSpinBox>("SpinD")->setValue(1);
    for (int i = 0; i < 4; ++i)
        add->click();
    EXPECT_EQ(list->topLevelItemCount(), 16);
    EXPECT_FALSE(add->isEnabled());
    list->topLevelItem(0)->setSelected(true);
    EXPECT_TRUE(Find<QPushButton>("BtnDelCel")->isEnabled());
    Find<QPushButton>("BtnDelCel")->click();
    EXPECT_EQ(list->topLevelItemCount(), 15);
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("BtnDelCel")->isEnabled());
    Pick("ComboM", 1); // февраль
    EXPECT_EQ(Find<QSpinBox>("SpinD")->maximum(), 29);
    Pick("ComboM", 3); // апрель
    EXPECT_EQ(Find<QSpinBox>("SpinD")->maximum(), 30);
}

TEST_F(ScheduleTest, TemplateSavedAndLoadedBackAndABadOneChangesNothing) {
    CreateForm();
    Find<QTabWidget>("PageControl1")->setCurrentWidget(Page());
    QTest::mouseClick(Find<QCheckBox>("CheckOneTarif"), Qt::LeftButton, {}, QPoint(5, 5));
    Find<QTimeEdit>("Picker_Zone3")->setTime(QTime(12, 5));
    const meter::Schedule saved = Page()->ReadSchedule();
    ASSERT_FALSE(saved.singleTariff);
    const QString path = work.filePath("line.json");
    EXPECT_EQ(Page()->SaveTemplate(path), "");

    Page()->ShowSchedule(meter::Schedule{});
    EXPECT_EQ(Page()->LoadTemplate(path), "");
    EXPECT_EQ(Page()->ReadSchedule(), saved);
    EXPECT_TRUE(Find<QWidget>("Picker_Zone0")->isEnabled()); // groups follow the loaded mode

    QFile bad(work.filePath("bad.json"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    QByteArray json = meter::ScheduleToJson(saved);
    json.replace("\"12:05\"", "\"25:05\"");
    bad.write(json);
    bad.close();
    Page()->ShowSchedule(meter::Schedule{});
    const meter::Schedule before = Page()->ReadSchedule();
    boxes.clear();
    const QString error = Page()->LoadTemplate(bad.fileName());
    EXPECT_TRUE(error.contains("25:05")) << error.toStdString();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, error);
    EXPECT_EQ(Page()->ReadSchedule(), before);
}

} // namespace
