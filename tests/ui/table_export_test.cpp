// The export of the journal widgets: the grid and the report list as the page shows them,
// written to a workbook an independent reader reads back, and handed to the desktop.
#include "../common/workbook_reader.h"
#include "link/encodings.h"
#include "link/frame.h"
#include "meter/journal_decoders.h"
#include "meter/journal_texts.h"
#include "platform/platform.h"
#include "ui/table_export.h"

#include <QJsonArray>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::meter;
using namespace ormix::records;
using namespace ormix::platform;
using namespace ormix::ui;

using namespace ormix;

namespace {

class DesktopStandIn : public Platform {
public:
    bool hasSpreadsheet = true;
    bool opens = true;
    QStringList opened;
    bool HasApplicationFor(const QString &mimeType) const override {
        return hasSpreadsheet &&
               mimeType == "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
    }
    bool OpenFile(const QString &path) override {
        opened << path;
        return opens;
    }
};

class TableExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetPlatform(&desktop);
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
    void TearDown() override {
        SetPlatform(nullptr);
        QLocale::setDefault(QLocale::c());
    }

    // GridJour after start-up and the reply for January 2007.
    static void FillYearlyGrid(QTableWidget &grid) {
        grid.setRowCount(13);
        grid.setColumnCount(5);
        const QStringList head = meter::MonthTableHeader(), months = meter::MonthLabels();
        for (int c = 0; c < 5; ++c)
            grid.setItem(0, c, new QTableWidgetItem(head[c]));
        for (int r = 1; r <= 12; ++r)
            grid.setItem(r, 0, new QTableWidgetItem(months[r - 1]));
        QByteArray reply("\x18\x13\x00\x07", 4);
        for (std::uint32_t count : {4000u, 0u, 8000u})
            AppendLE32(reply, count);
        AppendLE24(reply, 7322);
        AppendCrc(reply);
        const meter::YearlyRecord record = meter::DecodeYearlyRecord(reply);
        ASSERT_TRUE(record.update);
        for (int c = 0; c < record.update->cells.size(); ++c)
            grid.setItem(record.update->row, record.update->firstColumn + c,
                         new QTableWidgetItem(record.update->cells[c]));
    }

    static QTreeWidget *ConsumptionList(QWidget *parent) {
        auto *list = new QTreeWidget(parent);
        list->setHeaderLabels(meter::ConsumptionColumns());
        return list;
    }

    QJsonObject ReadBack(const QString &path) {
        const WorkbookReading r = ReadWorkbook(path);
        EXPECT_TRUE(r.skipReason.isEmpty()) << r.skipReason.toStdString();
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        return r.sheet.value_or(QJsonObject());
    }

    static QJsonObject Cell(const QJsonObject &sheet, int row, int column) {
        return sheet["cells"].toArray()[row - 1].toArray()[column - 1].toObject();
    }

    QTemporaryDir dir;
    DesktopStandIn desktop;
};

TEST_F(TableExportTest, CanExportFollowsTheDesktop) {
    EXPECT_TRUE(ui::CanExport());
    desktop.hasSpreadsheet = false;
    EXPECT_FALSE(ui::CanExport());
}

TEST_F(TableExportTest, YearlyGridOpensAsAWorkbookOfFourteenRows) {
    QTableWidget grid;
    FillYearlyGrid(grid);
    const records::ExportFolder folder(dir.filePath("export"));
    ASSERT_EQ(ui::ExportGrid(grid, meter::YearlyJournalTitle(0), folder), QString());

    ASSERT_EQ(desktop.opened.size(), 1);
    const QString path = desktop.opened.first();
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(dir.filePath("export")).absoluteFilePath());
    EXPECT_TRUE(path.endsWith(".xlsx"));
    const QJsonObject sheet = ReadBack(path);
    ASSERT_FALSE(sheet.isEmpty());
    EXPECT_EQ(sheet["minRow"].toInt(), 1);
    EXPECT_EQ(sheet["minColumn"].toInt(), 1);
    EXPECT_EQ(sheet["maxRow"].toInt(), 14);
    EXPECT_EQ(sheet["maxColumn"].toInt(), 5);
    EXPECT_EQ(Cell(sheet, 1, 1)["value"].toString(), QStringLiteral("Годовой журнал "));
    EXPECT_EQ(Cell(sheet, 2, 1)["value"].toString(), QStringLiteral("месяц"));
    EXPECT_EQ(Cell(sheet, 3, 1)["type"].toString(), "s");
    EXPECT_EQ(Cell(sheet, 3, 1)["value"].toString(), QStringLiteral("07 янв."));
    EXPECT_EQ(Cell(sheet, 3, 2)["type"].toString(), "n"); // "1,00" in this comma locale
    EXPECT_EQ(Cell(sheet, 3, 2)["value"].toDouble(), 1.0);
    EXPECT_EQ(Cell(sheet, 3, 4)["value"].toDouble(), 2.0);
    EXPECT_EQ(Cell(sheet, 3, 5)["value"].toString(), QStringLiteral("61:1"));
    EXPECT_EQ(Cell(sheet, 14, 1)["value"].toString(), QStringLiteral("дек."));
}

TEST_F(TableExportTest, EmptyConsumptionListExportsTitleAndCaptions) {
    QWidget page;
    QTreeWidget *list = ConsumptionList(&page);
    const records::ExportFolder folder(dir.path());
    ASSERT_EQ(ui::ExportListView(*list, meter::ConsumptionJournalTitle(512), folder), QString());
    ASSERT_EQ(desktop.opened.size(), 1);
    const QJsonObject sheet = ReadBack(desktop.opened.first());
    ASSERT_FALSE(sheet.isEmpty());
    EXPECT_EQ(sheet["maxRow"].toInt(), 2);
    EXPECT_EQ(sheet["maxColumn"].toInt(), 7);
    EXPECT_EQ(Cell(sheet, 1, 1)["value"].toString(),
              QStringLiteral("Журнал потребления Счетчик № 512, "));
    EXPECT_EQ(Cell(sheet, 2, 1)["value"].toString(), QStringLiteral("Страница"));
    EXPECT_EQ(Cell(sheet, 2, 7)["value"].toString(), QStringLiteral("Статус"));
}

TEST_F(TableExportTest, ListViewToGridFillsMissingSubItemsWithEmptyText) {
    QWidget page;
    QTreeWidget *list = ConsumptionList(&page);
    new QTreeWidgetItem(list, QStringList{"0", "1", "05.03 14:07", "1,00", "2,00", "3,00", "0"});
    new QTreeWidgetItem(list, QStringList{"1", "2"});
    QTableWidget grid(3, 2); // whatever it held before is replaced
    grid.setItem(2, 1, new QTableWidgetItem("old"));
    ui::ListViewToGrid(*list, grid);
    ASSERT_EQ(grid.rowCount(), 3);
    ASSERT_EQ(grid.columnCount(), 7);
    EXPECT_EQ(grid.item(0, 2)->text(), QStringLiteral("Время"));
    EXPECT_EQ(grid.item(1, 2)->text(), QStringLiteral("05.03 14:07"));
    EXPECT_EQ(grid.item(2, 1)->text(), QStringLiteral("2"));
    EXPECT_EQ(grid.item(2, 6)->text(), QString());

    const records::ExportTable table = ui::GridTable(grid, "t");
    EXPECT_EQ(table.rows.size(), 3);
    EXPECT_EQ(table.rows[1][3], QStringLiteral("1,00"));
    EXPECT_EQ(table.locale.decimalPoint(), QStringLiteral(","));
}

TEST_F(TableExportTest, FailuresComeBackAsTheirReason) {
    QTableWidget grid;
    FillYearlyGrid(grid);
    // The desktop does not start its application: the workbook is there all the same.
    desktop.opens = false;
    const QString notOpened = ui::ExportGrid(grid, "t", records::ExportFolder(dir.path()));
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_TRUE(notOpened.contains(QDir::toNativeSeparators(desktop.opened.first())))
        << notOpened.toStdString();
    EXPECT_TRUE(QFileInfo::exists(desktop.opened.first()));

    // A folder that cannot be made: nothing written, nothing opened.
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString notWritten =
        ui::ExportGrid(grid, "t", records::ExportFolder(dir.filePath("file/export")));
    EXPECT_TRUE(notWritten.startsWith(QStringLiteral("Не удалось"))) << notWritten.toStdString();
    EXPECT_EQ(desktop.opened.size(), 1);
}

} // namespace
