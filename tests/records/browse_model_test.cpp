// The browse model of DBGrid1: columns, displayed texts and reading rows on demand.
#include "records/log_browse_model.h"
#include "records_test_util.h"

using namespace ormix::records;

namespace {

using F = SettingField;

class BrowseModelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path() const { return dir_.filePath(QStringLiteral("Setting.DBF")); }
    QString Text(const LogBrowseModel &m, int row, BrowseColumn c) const {
        return m.data(m.index(row, int(c))).toString();
    }

    LocaleScope locale_{QLocale(QLocale::Russian, QLocale::Russia)};
    QTemporaryDir dir_;
};

TEST_F(BrowseModelTest, ColumnsInGridOrder) {
    LogBrowseModel m;
    ASSERT_EQ(m.columnCount(), 23);
    const char *titles[] = {
        "Дата зап.", "Время зап.",   "Номер",     "Версия",       "Время вкл.",  "Счет. корр.",
        "Дата",      "Время",        "Статус",    "Сброс",        "Летн. время", "Коррекция",
        "Пароль",    "Индикатор",    "ДДМ",       "Т1 (1 число)", "Т1 (тек.)",   "Т2 (1 число)",
        "Т2 (тек.)", "Т3 (1 число)", "Т3 (тек.)", "Расч. день",   "Расч. час"};
    for (int c = 0; c < 23; ++c)
        EXPECT_EQ(m.headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(titles[c]));
}

TEST_F(BrowseModelTest, ShowsFilteredRowsWithCalculatedFields) {
    SettingLog log(Path());
    LoggedWrite in = TypicalWrite();
    in.choices.checkTime = true;
    in.choices.date = QDate(2026, 12, 9);
    in.choices.time = QTime(7, 5);
    in.choices.summerTime = false;
    in.choices.checkStatus = true;
    ASSERT_EQ(LogWrite(log, in), QString());
    in = TypicalWrite();
    in.meter.factoryNumber = 25;
    ASSERT_EQ(LogWrite(log, in), QString());
    in.choices.writtenAt.setDate(QDate(2026, 12, 11));
    ASSERT_EQ(LogWrite(log, in), QString());

    LogBrowseModel m;
    QString error;
    ASSERT_TRUE(m.Open(Path(), {QDate(2026, 12, 10), QDate(2026, 12, 10), 0}, &error))
        << error.toStdString();
    ASSERT_EQ(m.rowCount(), 2);
    EXPECT_EQ(m.RecordCount(), 2);
    EXPECT_EQ(Text(m, 0, BrowseColumn::DateRec), "10.12.2026");
    EXPECT_EQ(Text(m, 0, BrowseColumn::CDate), "09.12.2026");
    EXPECT_EQ(Text(m, 0, BrowseColumn::CTime), "07:05");
    EXPECT_EQ(Text(m, 0, BrowseColumn::ResetF), "да");
    EXPECT_EQ(Text(m, 0, BrowseColumn::SumerCorrect), "нет");
    EXPECT_EQ(Text(m, 0, BrowseColumn::T1C), "1300,75");
    EXPECT_EQ(Text(m, 0, BrowseColumn::CNumber), "123456");
    EXPECT_EQ(Text(m, 1, BrowseColumn::ResetF), "нет");
    EXPECT_EQ(Text(m, 1, BrowseColumn::SumerCorrect), "") << "SUMMER is NULL";
    EXPECT_EQ(Text(m, 1, BrowseColumn::CDate), "");
    EXPECT_EQ(Text(m, 1, BrowseColumn::Pass), "");
    EXPECT_EQ(m.RowAt(1)[F::CNumber], 25.0);
    EXPECT_FALSE(m.flags(m.index(0, 0)).testFlag(Qt::ItemIsEditable));

    ASSERT_TRUE(m.Open(Path(), {QDate(2026, 12, 1), QDate(2026, 12, 31), 25}, &error));
    EXPECT_EQ(m.RecordCount(), 2);
    EXPECT_EQ(Text(m, 1, BrowseColumn::DateRec), "11.12.2026");

    m.Close();
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_FALSE(m.IsOpen());
}

// Filtered rows are scattered over the file and read a page at a time; every row must
// still come from its own record, in any order of access.
TEST_F(BrowseModelTest, ScatteredRowsReadOnDemand) {
    QList<QList<std::pair<const char *, QVariant>>> rows;
    for (int i = 0; i < 1000; ++i)
        rows.append({{"DATE_REC", QDate(2026, 1, 1 + i % 3)}, {"C_NUMBER", double(i)}});
    MakeTable(Path(), NewSettingTableFields(), rows);

    LogBrowseModel m;
    QString error;
    ASSERT_TRUE(m.Open(Path(), {QDate(2026, 1, 2), QDate(2026, 1, 3), 0}, &error));
    ASSERT_EQ(m.rowCount(), 666);
    for (int row : {665, 0, 300, 64, 63, 1, 500, 665}) {
        // Rows alternate between the two days: record = row / 2 * 3 + 1 + row % 2.
        const int record = row / 2 * 3 + 1 + row % 2;
        EXPECT_EQ(m.data(m.index(row, int(BrowseColumn::CNumber)), Qt::UserRole), double(record))
            << row;
    }
}

TEST_F(BrowseModelTest, BadTableLeavesTheModelClosedMissingOneIsEmpty) {
    WriteBytes(Path(), QByteArray(100, 'x'));
    LogBrowseModel m;
    QString error;
    EXPECT_FALSE(m.Open(Path(), {QDate(2026, 1, 1), QDate(2026, 1, 1), 0}, &error));
    EXPECT_TRUE(error.contains("dBase")) << error.toStdString();
    EXPECT_FALSE(m.IsOpen());
    // No table yet: an empty log.
    ASSERT_TRUE(
        m.Open(dir_.filePath("missing.dbf"), {QDate(2026, 1, 1), QDate(2026, 1, 1), 0}, &error));
    EXPECT_EQ(m.RecordCount(), 0);
    EXPECT_EQ(m.rowCount(), 0);
}

} // namespace
