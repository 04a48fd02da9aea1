// A completed write turned into a production operation: success by the drift, the NULL
// rules of the readings and the settings, and the record kept for later unchanged.
#include "records/production_record.h"
#include "records_test_util.h"
#include "sql_test_util.h"

using namespace ormix::platform;

namespace {

using namespace ormix::records;
using ormix::records::test::TypicalMeter;

OperationRecord Make(const MeterShown &m, const WriteChoices &c = {}, bool withSettings = true) {
    return MakeOperationRecord(m, c, withSettings, {});
}

class ProductionRecordTest : public ::testing::Test {
protected:
    LocaleScope locale_{QLocale(QLocale::Russian, QLocale::Russia)};
};

TEST_F(ProductionRecordTest, SuccessWhenTheDriftLiesWithinMinusThreeAndPlusOne) {
    struct Case {
        const char *drift;
        bool success;
        std::optional<double> secperday;
    } cases[] = {
        {"-3,00", true, -3.0}, {"1,00", true, 1.0},      {"-3,01", false, -3.01},
        {"1,01", false, 1.01}, {"", true, std::nullopt}, {"abc", true, std::nullopt},
        {"0,00", true, 0.0},
    };
    for (const Case &c : cases) {
        MeterShown m = TypicalMeter();
        m.driftText = c.drift;
        const OperationRecord r = Make(m);
        EXPECT_EQ(r.success, c.success) << c.drift;
        EXPECT_EQ(r.secperday, c.secperday) << c.drift;
    }
}

TEST_F(ProductionRecordTest, TheFirstReadingThatIsNotANumberLeavesItAndTheFollowingOnesNull) {
    struct Case {
        int bad; // index in t_1_c, t_2_c, t_3_c, t_1_1, t_2_1, t_3_1; -1 none
        int filled;
    } cases[] = {{-1, 6}, {0, 0}, {2, 2}, {3, 3}, {4, 4}, {5, 5}};
    for (const Case &c : cases) {
        MeterShown m = TypicalMeter();
        if (c.bad >= 0 && c.bad < 3) m.currentReadingText[c.bad] = "---";
        if (c.bad >= 3) m.billingReadingText[c.bad - 3] = "";
        const OperationRecord r = Make(m);
        const std::optional<double> all[6] = {r.current[0], r.current[1], r.current[2],
                                              r.billing[0], r.billing[1], r.billing[2]};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(all[i].has_value(), i < c.filled) << "bad " << c.bad << " reading " << i;
    }
    EXPECT_EQ(Make(TypicalMeter()).current[0], 1300.75);
    EXPECT_EQ(Make(TypicalMeter()).billing[2], 0.25);
}

TEST_F(ProductionRecordTest, OnlyTheTickedSettingsAreFilled) {
    WriteChoices c;
    EXPECT_FALSE(Make(TypicalMeter(), c).dateTime);
    c.checkStatus = true;
    c.checkTime = true;
    c.date = QDate(2026, 12, 10);
    c.time = QTime(14, 5, 33);
    c.summerTime = true;
    c.checkCorrect = true;
    c.correction = -5;
    c.checkPassword = true;
    c.newPassword = 70000; // logged as written, not cut to 16 bits
    c.checkIndi = true;
    c.display = 0b1010;
    c.checkSchedule = true;
    c.billingDay = 25;
    c.billingHour = 7;
    c.firmwareMajor = 5; // too old for the billing day
    c.checkDdm = true;
    c.ddmEnabled = false;
    c.ddmNumber = 77;
    OperationRecord r = Make(TypicalMeter(), c);
    EXPECT_TRUE(r.reset);
    EXPECT_EQ(r.dateTime, QDateTime(QDate(2026, 12, 10), QTime(14, 5, 33)));
    EXPECT_EQ(r.summer, true);
    EXPECT_EQ(r.correct, -5);
    EXPECT_EQ(r.pass, 70000);
    EXPECT_EQ(r.indicator, 0b1010);
    EXPECT_FALSE(r.accountD);
    EXPECT_FALSE(r.vdm);
    EXPECT_EQ(r.turnOn, 7322);
    EXPECT_EQ(r.ncorrect, 3);

    c.firmwareMajor = 6;
    c.ddmEnabled = true;
    r = Make(TypicalMeter(), c);
    EXPECT_EQ(r.accountD, 25);
    EXPECT_EQ(r.accountH, 7);
    EXPECT_EQ(r.vdm, 77);

    // "Зафиксировать в БД": the meter's own values only.
    r = Make(TypicalMeter(), c, false);
    EXPECT_FALSE(r.reset);
    EXPECT_FALSE(r.dateTime || r.summer || r.correct || r.pass || r.indicator || r.vdm ||
                 r.secperday || r.accountD || r.accountH);
    EXPECT_EQ(r.current[0], 1300.75);
    EXPECT_EQ(r.version, "6.12");
}

TEST_F(ProductionRecordTest, AKeptRecordComesBackExactly) {
    WriteChoices c;
    c.checkTime = true;
    c.date = QDate(2026, 12, 10);
    c.time = QTime(14, 5, 33, 250);
    c.checkPassword = true;
    c.newPassword = 4321;
    c.writtenAt = QDateTime(QDate(2026, 12, 10), QTime(14, 5, 40, 125));
    MeterShown m = TypicalMeter();
    m.billingReadingText[1] = "";
    const OperationRecord r = Make(m, c);
    const auto back = OperationRecord::FromJson(r.ToJson());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ToJson(), r.ToJson());
    EXPECT_EQ(back->writtenAt, c.writtenAt);
    EXPECT_EQ(back->dateTime, r.dateTime);
    EXPECT_FALSE(back->billing[1]);
    EXPECT_FALSE(back->summer == std::optional<bool>(true));
    EXPECT_FALSE(OperationRecord::FromJson(QJsonObject{{"n", 1}}));
}

} // namespace
