// Tables exported to a spreadsheet: the sheet block and its cell types, the workbook and
// the CSV file read back by independent readers, and what a failed write leaves.
#include "../common/workbook_reader.h"
#include "records/csv_writer.h"
#include "records/export_folder.h"
#include "records/export_table.h"
#include "records/save_table.h"
#include "records/xlsx_writer.h"
#include "records_test_util.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ormix::records;

namespace {

const QLocale kRu(QLocale::Russian, QLocale::Russia);
const QLocale kUs(QLocale::English, QLocale::UnitedStates);

QStringList Row(std::initializer_list<const char *> texts) {
    QStringList row;
    for (const char *t : texts)
        row << QString::fromUtf8(t);
    return row;
}

// The yearly journal grid as the page shows it in a comma locale: 13 rows by 5 columns.
ExportTable YearlyTable() {
    ExportTable t;
    t.title = QStringLiteral("Годовой журнал ");
    t.locale = kRu;
    t.rows << Row({"месяц", "1 тариф", "2 тариф", "3 тариф", "наработка"});
    t.rows << Row({"07 янв.", "1,00", "0,00", "1073741,82", "61:1"});
    const char *months[] = {"фев.", "март",  "апр.", "май",   "июнь", "июль",
                            "авг.", "сент.", "окт.", "нояб.", "дек."};
    for (const char *m : months)
        t.rows << Row({m, "", "", "", ""});
    return t;
}

ExportTable EmptyConsumptionTable() {
    ExportTable t;
    t.title = QStringLiteral("Журнал потребления Счетчик № 512, ");
    t.locale = kRu;
    t.rows << Row({"Страница", "Запись", "Время", "1 тариф", "2 тариф", "3 тариф", "Статус"});
    return t;
}

QJsonObject ReadBack(const QString &path) {
    const WorkbookReading r = ReadWorkbook(path);
    if (!r.skipReason.isEmpty()) {
        ADD_FAILURE() << "cannot read back: " << r.skipReason.toStdString();
        return {};
    }
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    return r.sheet.value_or(QJsonObject());
}

QJsonObject Cell(const QJsonObject &sheet, int row, int column) { // 1-based, as in a sheet
    return sheet["cells"].toArray()[row - 1].toArray()[column - 1].toObject();
}

TEST(SheetCells, NumbersByTheLocaleRulesEverythingElseText) {
    const struct {
        const QLocale &locale;
        const char *text;
        std::optional<double> number;
        int decimals;
    } cases[] = {
        {kRu, "1,00", 1.0, 2},
        {kRu, "1073741,82", 1073741.82, 2},
        {kRu, "12", 12.0, 0},
        {kRu, "1.00", std::nullopt, 0}, // not this locale's separator
        {kRu, "07 янв.", std::nullopt, 0},
        {kRu, "61:1", std::nullopt, 0},
        {kRu, "05.03 14:07", std::nullopt, 0},
        {kRu, "", std::nullopt, 0},
        {kRu, "inf", std::nullopt, 0},
        {kRu, "nan", std::nullopt, 0},
        {kUs, "1.00", 1.0, 2},
        {kUs, "1,00", std::nullopt, 0},
        {kUs, "1,000", std::nullopt, 0}, // grouped: no reading looks like that
        {kUs, "2.5e3", 2500.0, 0},
    };
    for (const auto &c : cases) {
        const SheetCell cell = MakeSheetCell(QString::fromUtf8(c.text), c.locale);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(cell.number, c.number);
        EXPECT_EQ(cell.decimals, c.decimals);
        EXPECT_EQ(cell.text, QString::fromUtf8(c.text));
    }
}

TEST(SheetBlock, TitleRowThenTheTableEveryRowFull) {
    ExportTable t;
    t.title = QStringLiteral("T");
    t.rows = {Row({"a", "b", "c"}), Row({"d"})};
    const auto block = SheetBlock(t);
    ASSERT_EQ(block.size(), 3);
    for (const auto &row : block)
        EXPECT_EQ(row.size(), 3);
    EXPECT_EQ(block[0][0].text, "T");
    EXPECT_EQ(block[0][2].text, "");
    EXPECT_EQ(block[2][0].text, "d");
    EXPECT_EQ(block[2][2].text, "");

    ExportTable titleOnly;
    titleOnly.title = QStringLiteral("T");
    ASSERT_EQ(SheetBlock(titleOnly).size(), 1);
    EXPECT_EQ(SheetBlock(titleOnly)[0][0].text, "T");
}

TEST(Workbook, YearlyGridReadBackByAnIndependentReader) {
    QTemporaryDir dir;
    const QString path = dir.filePath("yearly.xlsx");
    ASSERT_EQ(WriteXlsx(YearlyTable(), path), QString());
    const QJsonObject sheet = ReadBack(path);
    ASSERT_FALSE(sheet.isEmpty());
    EXPECT_EQ(sheet["sheets"].toInt(), 1);
    EXPECT_EQ(sheet["minRow"].toInt(), 1);
    EXPECT_EQ(sheet["minColumn"].toInt(), 1);
    EXPECT_EQ(sheet["maxRow"].toInt(), 14);
    EXPECT_EQ(sheet["maxColumn"].toInt(), 5);

    EXPECT_EQ(Cell(sheet, 1, 1)["value"].toString(), QStringLiteral("Годовой журнал "));
    EXPECT_TRUE(Cell(sheet, 1, 2)["value"].isNull());
    EXPECT_EQ(Cell(sheet, 2, 5)["value"].toString(), QStringLiteral("наработка"));
    const QJsonObject label = Cell(sheet, 3, 1);
    EXPECT_EQ(label["type"].toString(), "s");
    EXPECT_EQ(label["value"].toString(), QStringLiteral("07 янв."));
    const QJsonObject one = Cell(sheet, 3, 2);
    EXPECT_EQ(one["type"].toString(), "n");
    EXPECT_EQ(one["value"].toDouble(), 1.0);
    EXPECT_EQ(one["format"].toString(), "0.00");
    EXPECT_EQ(Cell(sheet, 3, 4)["value"].toDouble(), 1073741.82);
    EXPECT_EQ(Cell(sheet, 3, 5)["type"].toString(), "s");
    EXPECT_EQ(Cell(sheet, 3, 5)["value"].toString(), QStringLiteral("61:1"));
    EXPECT_EQ(Cell(sheet, 14, 1)["value"].toString(), QStringLiteral("дек."));
    EXPECT_TRUE(Cell(sheet, 14, 2)["value"].isNull());
}

TEST(Workbook, EmptyConsumptionListIsTitleAndCaptions) {
    QTemporaryDir dir;
    const QString path = dir.filePath("consumption.xlsx");
    ASSERT_EQ(WriteXlsx(EmptyConsumptionTable(), path), QString());
    const QJsonObject sheet = ReadBack(path);
    ASSERT_FALSE(sheet.isEmpty());
    EXPECT_EQ(sheet["maxRow"].toInt(), 2);
    EXPECT_EQ(sheet["maxColumn"].toInt(), 7);
    EXPECT_EQ(Cell(sheet, 1, 1)["value"].toString(),
              QStringLiteral("Журнал потребления Счетчик № 512, "));
    EXPECT_EQ(Cell(sheet, 2, 7)["value"].toString(), QStringLiteral("Статус"));
}

// Nothing at the target and nothing half-written beside it when a write fails.
TEST(Workbook, FailedWriteGivesItsReasonAndLeavesNoFile) {
    QTemporaryDir dir;
    WriteBytes(dir.filePath("plain-file"), "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
    struct Case {
        const char *name;
        QString path;
        const char *reason;
    };
    std::vector<Case> cases = {
        {"a file where a folder should be", dir.filePath("plain-file/book.xlsx"),
         "часть пути не является папкой"},
        {"no such folder", dir.filePath("missing/book.xlsx"), "папка не существует"},
        {"a folder of that name", dir.filePath("taken"), "под этим именем уже есть папка"},
    };
    if (::geteuid() != 0) { // the superuser writes into any folder
        ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
        QFile::setPermissions(dir.filePath("locked"),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        cases.push_back({"a folder without write permission", dir.filePath("locked/book.xlsx"),
                         "нет прав на запись"});
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto &write : {&WriteXlsx, &WriteCsv}) {
            const QString error = write(YearlyTable(), c.path);
            EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось"))) << error.toStdString();
            EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << error.toStdString();
            EXPECT_TRUE(error.contains(QDir::toNativeSeparators(c.path))) << error.toStdString();
        }
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    EXPECT_TRUE(QDir(dir.filePath("taken")).isEmpty());
    QFile::setPermissions(dir.filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(QDir(dir.filePath("locked")).isEmpty());
}

TEST(Workbook, ReplacesAnEarlierFileOfTheSameName) {
    QTemporaryDir dir;
    const QString path = dir.filePath("book.xlsx");
    WriteBytes(path, "old contents");
    ASSERT_EQ(WriteXlsx(EmptyConsumptionTable(), path), QString());
    EXPECT_TRUE(FileBytes(path).startsWith("PK")); // a zip container
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"book.xlsx"});
}

TEST(Csv, DialectOfTheLocale) {
    ExportTable t;
    t.title = QStringLiteral("Годовой журнал ");
    t.locale = kRu;
    t.rows = {Row({"месяц", "1 тариф"}), Row({"07 янв.", "1,00"}), Row({"a;b", "say \"hi\""})};
    const QByteArray bytes = CsvBytes(t);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")); // the byte-order mark
    EXPECT_EQ(QString::fromUtf8(bytes.mid(3)), QStringLiteral("\"Годовой журнал \";\r\n"
                                                              "месяц;1 тариф\r\n"
                                                              "07 янв.;1,00\r\n"
                                                              "\"a;b\";\"say \"\"hi\"\"\"\r\n"));
    t.locale = kUs;
    t.rows = {Row({"1.00", "a,b"})};
    EXPECT_EQ(QString::fromUtf8(CsvBytes(t).mid(3)),
              QStringLiteral("\"Годовой журнал \",\r\n1.00,\"a,b\"\r\n"));
}

// Python's csv module with the dialect named in csv_writer.h gets the table back.
TEST(Csv, ReadBackByAnIndependentReader) {
    QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python)) python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) GTEST_SKIP() << "python3 missing";
    QTemporaryDir dir;
    const QString path = dir.filePath("yearly.csv");
    ExportTable t = YearlyTable();
    t.rows[2][0] = QStringLiteral("line\nbreak; \"quoted\"");
    ASSERT_EQ(WriteCsv(t, path), QString());
    QProcess p;
    p.start(python, {"-c",
                     "import csv, json, sys\n"
                     "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                     "    print(json.dumps(list(csv.reader(f, delimiter=';'))))\n",
                     path});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    ASSERT_EQ(rows.size(), 14);
    EXPECT_EQ(rows[0].toArray()[0].toString(), QStringLiteral("Годовой журнал "));
    EXPECT_EQ(rows[0].toArray().size(), 5);
    for (int r = 1; r < 14; ++r) {
        const QJsonArray row = rows[r].toArray();
        ASSERT_EQ(row.size(), 5) << r;
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(row[c].toString(), t.rows[r - 1][c]) << r << "," << c;
    }
}

TEST(SaveTable, FileKindFollowsTheName) {
    QTemporaryDir dir;
    ASSERT_EQ(SaveTable(YearlyTable(), dir.filePath("a.CSV")), QString());
    EXPECT_TRUE(FileBytes(dir.filePath("a.CSV")).startsWith("\xEF\xBB\xBF\"Годовой"));
    ASSERT_EQ(SaveTable(YearlyTable(), dir.filePath("b.xlsx")), QString());
    EXPECT_TRUE(FileBytes(dir.filePath("b.xlsx")).startsWith("PK"));
    ASSERT_EQ(SaveTable(YearlyTable(), dir.filePath("c")), QString());
    EXPECT_TRUE(FileBytes(dir.filePath("c")).startsWith("PK"));
}

TEST(ExportFolder, ReadOnlyWorkbooksNamedAfterTitleAndMoment) {
    QTemporaryDir dir;
    const ExportFolder folder(dir.filePath("export")); // created on first use
    const QDateTime now(QDate(2024, 5, 1), QTime(14, 7, 33));
    ExportTable t = YearlyTable();
    t.title = QStringLiteral("Годовой журнал Счетчик № 512, ");
    const ExportFolder::Written first = folder.WriteWorkbook(t, now);
    ASSERT_TRUE(first.ok()) << first.error.toStdString();
    EXPECT_EQ(QFileInfo(first.path).fileName(),
              QStringLiteral("Годовой журнал Счетчик № 512 2024-05-01 14-07-33.xlsx"));
    EXPECT_FALSE(QFileInfo(first.path).permissions() & QFileDevice::WriteOwner);
    EXPECT_FALSE(ReadBack(first.path).isEmpty());

    const ExportFolder::Written second = folder.WriteWorkbook(t, now);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(QFileInfo(second.path).fileName(),
              QStringLiteral("Годовой журнал Счетчик № 512 2024-05-01 14-07-33 (2).xlsx"));

    const ExportFolder blocked(dir.filePath("export/" + QFileInfo(first.path).fileName()));
    const ExportFolder::Written refused = blocked.WriteWorkbook(t, now);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.path.isEmpty());
    EXPECT_TRUE(refused.error.startsWith(QStringLiteral("Не удалось")))
        << refused.error.toStdString();
}

TEST(ExportFolder, WorkbooksOlderThanADayGoAtTheNextExport) {
    QTemporaryDir dir;
    const ExportFolder folder(dir.path());
    const QDateTime now = QDateTime::currentDateTime();
    WriteBytes(dir.filePath("old.xlsx"), "x");
    WriteBytes(dir.filePath("recent.xlsx"), "x");
    QFile old(dir.filePath("old.xlsx"));
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(old.setFileTime(now.addSecs(-25 * 3600), QFileDevice::FileModificationTime));
    old.close();
    const ExportFolder::Written w = folder.WriteWorkbook(EmptyConsumptionTable(), now);
    ASSERT_TRUE(w.ok()) << w.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("old.xlsx")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("recent.xlsx")));
    EXPECT_TRUE(QFileInfo::exists(w.path));
}

TEST(ExportFolder, FileNamesFromTitles) {
    EXPECT_EQ(ExportFolder::BaseNameFor(QStringLiteral("Годовой журнал ")),
              QStringLiteral("Годовой журнал"));
    EXPECT_EQ(ExportFolder::BaseNameFor(QStringLiteral("Журнал потребления Счетчик № 7, ")),
              QStringLiteral("Журнал потребления Счетчик № 7"));
    EXPECT_EQ(ExportFolder::BaseNameFor(QStringLiteral("a/b\\c:d*e?\"f<g>h|i\tj")),
              QStringLiteral("a_b_c_d_e__f_g_h_i_j"));
    EXPECT_EQ(ExportFolder::BaseNameFor(QStringLiteral(" , ")), QStringLiteral("Таблица"));
}

} // namespace
