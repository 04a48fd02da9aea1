// The row a completed write becomes: which fields are NULL and how texts become numbers.
#include "records_test_util.h"

#include <functional>

using namespace ormix::records;

namespace {

using F = SettingField;

struct RowCase {
    const char *name;
    std::function<void(LoggedWrite &)> change;
    QList<std::pair<F, QVariant>> expect; // an invalid QVariant means NULL
};

class LocalLogRowTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(LocalLogRowTest, Fields) {
    LocaleScope russian(QLocale(QLocale::Russian, QLocale::Russia));
    const RowCase &c = GetParam();
    LoggedWrite in = TypicalWrite();
    c.change(in);
    const SettingRow row = MakeLocalLogRow(in.meter, in.choices);
    for (const auto &[field, want] : c.expect) {
        const QVariant &got = row[field];
        SCOPED_TRACE(SettingFieldDef(field).name);
        if (!want.isValid()) {
            EXPECT_FALSE(got.isValid()) << got.toString().toStdString();
        } else {
            ASSERT_TRUE(got.isValid());
            EXPECT_EQ(got, want) << got.toString().toStdString();
        }
    }
}

const QVariant Null;

INSTANTIATE_TEST_SUITE_P(
    NullRules, LocalLogRowTest,
    ::testing::Values(
        RowCase{"Untouched",
                [](LoggedWrite &) {},
                {{F::CNumber, 123456.0},
                 {F::Version, "6.12"},
                 {F::TurnOn, 7322.0},
                 {F::Status, 5.0},
                 {F::NCorrect, 3.0},
                 {F::Reset, false},
                 {F::Report, false},
                 {F::CDate, Null},
                 {F::CTime, Null},
                 {F::Summer, Null},
                 {F::Correct, Null},
                 {F::Pass, Null},
                 {F::Indicator, Null},
                 {F::Vdm, Null},
                 {F::AccountD, Null},
                 {F::AccountH, Null},
                 {F::T11, 1234.5},
                 {F::T21, 20.0},
                 {F::T31, 0.25},
                 {F::T1C, 1300.75},
                 {F::T2C, 21.0},
                 {F::T3C, 0.5},
                 {F::DateRec, QDate(2026, 12, 10)},
                 {F::TimeRec, "14:05"}}},
        RowCase{"TimeTicked",
                [](LoggedWrite &in) {
                    in.choices.checkTime = true;
                    in.choices.date = QDate(2026, 3, 1);
                    in.choices.time = QTime(9, 7, 59);
                    in.choices.summerTime = true;
                },
                {{F::CDate, QDate(2026, 3, 1)}, {F::CTime, "09:07"}, {F::Summer, true}}},
        RowCase{"PasswordReducedToLow16Bits",
                [](LoggedWrite &in) {
                    in.choices.checkPassword = true;
                    in.choices.newPassword = 70000;
                },
                {{F::Pass, 4464.0}}},
        RowCase{"BillingGuardStopsAtFirstBadText",
                [](LoggedWrite &in) {
                    in.meter.billingReadingText[0] = "1,5";
                    in.meter.billingReadingText[1] = "нет";
                    in.meter.billingReadingText[2] = "2,5";
                },
                {{F::T11, 1.5}, {F::T21, Null}, {F::T31, Null}}},
        RowCase{"NoBillingReadings",
                [](LoggedWrite &in) {
                    for (auto &t : in.meter.billingReadingText)
                        t.clear();
                },
                {{F::T11, Null}, {F::T21, Null}, {F::T31, Null}, {F::T1C, 1300.75}}},
        RowCase{"BadCurrentReadingIsNullRowKept",
                [](LoggedWrite &in) { in.meter.currentReadingText[1] = ""; },
                {{F::T1C, 1300.75}, {F::T2C, Null}, {F::T3C, 0.5}, {F::CNumber, 123456.0}}},
        RowCase{"PointIsNotTheSeparatorHere",
                [](LoggedWrite &in) { in.meter.currentReadingText[0] = "1300.75"; },
                {{F::T1C, Null}}},
        RowCase{"BillingDayNotLoggedForFirmware5",
                [](LoggedWrite &in) {
                    in.choices.checkSchedule = true;
                    in.choices.firmwareMajor = 5;
                    in.choices.billingDay = 15;
                    in.choices.billingHour = 10;
                },
                {{F::AccountD, Null}, {F::AccountH, Null}}},
        RowCase{"BillingDayLoggedForFirmware6",
                [](LoggedWrite &in) {
                    in.choices.checkSchedule = true;
                    in.choices.billingDay = 15;
                    in.choices.billingHour = 10;
                },
                {{F::AccountD, 15.0}, {F::AccountH, 10.0}}},
        RowCase{"DdmNeedsTickedAndEnabled",
                [](LoggedWrite &in) {
                    in.choices.checkDdm = true;
                    in.choices.ddmNumber = 777;
                },
                {{F::Vdm, Null}}},
        RowCase{"DdmTickedAndEnabled",
                [](LoggedWrite &in) {
                    in.choices.checkDdm = in.choices.ddmEnabled = true;
                    in.choices.ddmNumber = 16777215;
                },
                {{F::Vdm, 16777215.0}}},
        RowCase{"OptionsTicked",
                [](LoggedWrite &in) {
                    in.choices.checkIndi = true;
                    in.choices.display = 0b1010;
                    in.choices.checkCorrect = true;
                    in.choices.correction = -12;
                    in.choices.checkStatus = true;
                    in.meter.correctionCount.reset(); // nothing read yet
                    in.meter.onTime.reset();
                },
                {{F::Indicator, 10.0},
                 {F::Correct, -12.0},
                 {F::Reset, true},
                 {F::NCorrect, 0.0},
                 {F::TurnOn, 0.0},
                 {F::Report, false}}}),
    [](const ::testing::TestParamInfo<RowCase> &info) { return std::string(info.param.name); });

TEST(LocalLogRow, ReadingsFollowAPointLocale) {
    LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    LoggedWrite in = TypicalWrite();
    in.meter.billingReadingText[0] = "1234.50";
    in.meter.currentReadingText[0] = "1300.75";
    in.meter.currentReadingText[1] = "1,300"; // a group separator is not a reading
    const SettingRow row = MakeLocalLogRow(in.meter, in.choices);
    EXPECT_EQ(row[F::T11], 1234.5);
    EXPECT_EQ(row[F::T1C], 1300.75);
    EXPECT_FALSE(row[F::T2C].isValid());
}

} // namespace
