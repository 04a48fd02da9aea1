// The journal pages driven like an operator against the emulated meter: the reads, their
// progress, a read cut short, and the workbook the export writes from the page's grid.
#include "../common/workbook_reader.h"
#include "meter/journal_texts.h"
#include "ui/pages/yearly_chart.h"
#include "ui_test_util.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace {

class JournalTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The export folder lies under the cache folder: keep it inside the test's own.
        qputenv("XDG_CACHE_HOME", (work.path() + "/cache").toUtf8());
    }
    void TearDown() override {
        WindowTest::TearDown();
        qunsetenv("XDG_CACHE_HOME");
    }

    void ConnectTo(int firmwareMajor, const TExchangeTimings &timings = {},
                   std::uint32_t number = 123456) {
        EmulatorOptions options;
        options.firmware = {firmwareMajor, 2};
        options.number = number;
        StartMeter(options);
        CreateForm(timings);
        Connect();
    }
    bool Queued(std::uint8_t code) const {
        const TCommandQueue &commands = form->Engine().Commands();
        for (int i = 0; i < commands.Count(); ++i)
            if (std::uint8_t(commands.At(i).at(0)) == code) return true;
        return false;
    }
    // The read of `code` has gone out and every frame of it has been answered or dropped.
    bool WaitReadEnd(std::uint8_t code) {
        return WaitFor([&] { return !Queued(code); }, 30000);
    }
    QString Cell(const char *grid, int row, int column) const {
        const QTableWidgetItem *item = Find<QTableWidget>(grid)->item(row, column);
        return item ? item->text() : QString();
    }
    static QJsonObject SheetCell(const QJsonObject &sheet, int row, int column) {
        return sheet["cells"].toArray()[row].toArray()[column].toObject();
    }
};

TEST_F(JournalTest, FullReadsFillEveryRowAndAPressDuringAReadAddsNone) {
    ConnectTo(6);
    auto *gauge1 = Find<QProgressBar>("Gauge1");
    auto *gauge2 = Find<QProgressBar>("Gauge2");
    EXPECT_TRUE(gauge1->isHidden());
    EXPECT_TRUE(gauge2->isHidden());

    Find<QPushButton>("BitBtn3")->click();
    ASSERT_TRUE(WaitReadEnd(0x18));
    EXPECT_FALSE(gauge1->isHidden());
    EXPECT_EQ(gauge1->value(), 12);
    EXPECT_EQ(gauge1->maximum(), 12);
    EXPECT_TRUE(gauge2->isHidden()); // its journal has not been read
    const auto *chart = Find<YearlyChart>("ChartJour");
    const QStringList months = ormix::meter::MonthLabels();
    for (int r = 1; r <= 12; ++r) {
        EXPECT_TRUE(QRegularExpression("^\\d\\d " + QRegularExpression::escape(months[r - 1]) + "$")
                        .match(Cell("GridJour", r, 0))
                        .hasMatch())
            << Cell("GridJour", r, 0).toStdString();
        for (int c = 1; c <= 4; ++c)
            EXPECT_FALSE(Cell("GridJour", r, c).isEmpty()) << "row " << r << " column " << c;
        for (int t = 0; t < 3; ++t)
            EXPECT_NEAR(chart->Value(t, r - 1), Cell("GridJour", r, t + 1).toDouble(), 0.0051);
    }

    // The second press comes while the first read is under way.
    Find<QPushButton>("BitBtn5")->click();
    ASSERT_TRUE(WaitFor([&] { return Find<QTreeWidget>("ListView1")->topLevelItemCount() >= 3; }));
    Find<QPushButton>("BitBtn5")->click();
    ASSERT_TRUE(WaitReadEnd(0x19));
    auto *list = Find<QTreeWidget>("ListView1");
    ASSERT_EQ(list->topLevelItemCount(), 79);
    for (int p = 0; p < 79; ++p)
        EXPECT_EQ(list->topLevelItem(p)->text(0), QString::number(p));
    EXPECT_EQ(gauge2->value(), 78);
    EXPECT_EQ(gauge2->maximum(), 78);
    EXPECT_FALSE(gauge1->isHidden()); // once shown, never hidden again
}

TEST_F(JournalTest, OlderFirmwareReadsBothTablesAndSortsTheRecords) {
    ConnectTo(5);
    ASSERT_TRUE(WaitFor([&] { return TabShown("TabSheet2"); }));
    EXPECT_FALSE(TabShown("TabSheet3"));
    // Rows of an earlier read are cleared when the requests are queued.
    Find<QTableWidget>("GridEvent")->setItem(5, 0, new QTableWidgetItem("77"));

    Find<QPushButton>("BitBtn4")->click();
    ASSERT_TRUE(WaitReadEnd(0x13));
    ASSERT_FALSE(Queued(0x12));
    for (int r = 1; r <= 12; ++r) {
        for (int c = 1; c <= 4; ++c)
            EXPECT_FALSE(Cell("GridJournal", r, c).isEmpty()) << "row " << r;
        EXPECT_EQ(Cell("GridEvent", r, 0), QString::number(r)); // ascending record numbers
        EXPECT_TRUE(
            QRegularExpression("^\\d\\d\\.\\d\\d$").match(Cell("GridEvent", r, 1)).hasMatch());
    }
}

TEST_F(JournalTest, ATimeoutStopsTheReadAndKeepsWhatArrived) {
    ConnectTo(6, kQuickTimeouts);
    auto *list = Find<QTreeWidget>("ListView1");
    Find<QPushButton>("BitBtn5")->click();
    ASSERT_TRUE(WaitFor([&] { return list->topLevelItemCount() >= 20; }, 30000));
    Fault silent;
    silent.kind = Fault::NoReply;
    silent.code = 0x19;
    emu->addFault(silent);
    ASSERT_TRUE(WaitReadEnd(0x19));

    const int kept = list->topLevelItemCount();
    EXPECT_GE(kept, 20);
    EXPECT_LT(kept, 79);
    const int gaugeAt = Find<QProgressBar>("Gauge2")->value();
    EXPECT_EQ(gaugeAt, kept - 1); // the page of the last record that came
    // The poll resumes; nothing of the journal is asked again.
    ASSERT_TRUE(WaitCycles(2, 10));
    EXPECT_EQ(list->topLevelItemCount(), kept);
    EXPECT_EQ(Find<QProgressBar>("Gauge2")->value(), gaugeAt);
    EXPECT_FALSE(Queued(0x19));
}

TEST_F(JournalTest, TheYearlyWorkbookHoldsThePageAsShown) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    ConnectTo(6, {}, 0); // a meter without a factory number: the title has no meter part
    ASSERT_TRUE(Find<QPushButton>("BtnJournal")->isEnabled());
    Find<QPushButton>("BitBtn3")->click();
    ASSERT_TRUE(WaitReadEnd(0x18));
    Find<QPushButton>("BtnJournal")->click();
    Find<QPushButton>("BtnDiary")->click(); // nothing read: the captions alone
    ASSERT_EQ(platform.filesOpened.size(), 2);
    EXPECT_TRUE(platform.filesOpened[0].startsWith(work.path()));

    const WorkbookReading yearly = ReadWorkbook(platform.filesOpened[0]);
    if (!yearly.skipReason.isEmpty()) GTEST_SKIP() << yearly.skipReason.toStdString();
    ASSERT_TRUE(yearly.sheet) << yearly.error.toStdString();
    const QJsonObject &sheet = *yearly.sheet;
    EXPECT_EQ(sheet["minRow"].toInt(), 1);
    EXPECT_EQ(sheet["minColumn"].toInt(), 1);
    EXPECT_EQ(sheet["maxRow"].toInt(), 14);
    EXPECT_EQ(sheet["maxColumn"].toInt(), 5);
    EXPECT_EQ(SheetCell(sheet, 0, 0)["value"].toString(), "Годовой журнал ");
    EXPECT_EQ(SheetCell(sheet, 1, 4)["value"].toString(), "наработка");
    const QJsonObject january = SheetCell(sheet, 2, 0);
    EXPECT_EQ(january["type"].toString(), "s");
    EXPECT_EQ(january["value"].toString(), Cell("GridJour", 1, 0));
    const QString energy = Cell("GridJour", 1, 1);
    ASSERT_TRUE(energy.contains(',')) << energy.toStdString();
    const QJsonObject number = SheetCell(sheet, 2, 1);
    EXPECT_EQ(number["type"].toString(), "n");
    EXPECT_DOUBLE_EQ(number["value"].toDouble(), QLocale().toDouble(energy));
    EXPECT_EQ(SheetCell(sheet, 2, 4)["type"].toString(), "s"); // an operating time h:m

    const WorkbookReading consumption = ReadWorkbook(platform.filesOpened[1]);
    ASSERT_TRUE(consumption.sheet) << consumption.error.toStdString();
    EXPECT_EQ((*consumption.sheet)["maxRow"].toInt(), 2);
    EXPECT_EQ(SheetCell(*consumption.sheet, 1, 6)["value"].toString(), "Статус");
}

TEST_F(JournalTest, SaveWritesTheListWhereTheOperatorChose) {
    ConnectTo(6);
    Find<QPushButton>("BitBtn5")->click();
    ASSERT_TRUE(WaitReadEnd(0x19));
    // The title names the meter: the poll shows its number once the read is over.
    ASSERT_TRUE(WaitFor([&] { return Find<QSpinBox>("SpinEdit_Number")->value() == 123456; }));
    // The operator types a name without extension and keeps the workbook kind.
    const QString chosen = work.filePath("consumption");
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            // Typed into the name field, as the operator does.
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(chosen);
            QMetaObject::invokeMethod(dialog, "accept"); // what the "Сохранить" button does
        }
    });
    answer.start();
    Find<QPushButton>("BtnDiarySave")->click();
    answer.stop();
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
    const WorkbookReading read = ReadWorkbook(chosen + ".xlsx");
    if (!read.skipReason.isEmpty()) GTEST_SKIP() << read.skipReason.toStdString();
    ASSERT_TRUE(read.sheet) << read.error.toStdString();
    EXPECT_EQ((*read.sheet)["maxRow"].toInt(), 1 + 1 + 79);
    EXPECT_EQ(SheetCell(*read.sheet, 0, 0)["value"].toString(),
              "Журнал потребления Счетчик № 123456, ");
}

TEST_F(JournalTest, WithoutASpreadsheetApplicationTheExportButtonsStayDisabled) {
    platform.hasSpreadsheet = false;
    StartMeter();
    CreateForm();
    EXPECT_FALSE(Find<QPushButton>("BtnJournal")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("BtnDiary")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("BtnJournalSave")->isEnabled()); // saving needs no application
}

} // namespace
