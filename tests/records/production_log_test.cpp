// The production log on each engine: the embedded file, PostgreSQL through QPSQL, and
// PostgreSQL through unixODBC. Identification, the refusals, the operation and its
// settings row, "Зафиксировать в БД", "+", the drift, the pre-fill, defects, and kept
// operations sent later.
#include "records/defect_registration.h"
#include "records_test_util.h"
#include "sql_test_util.h"

using namespace ormix::platform;

namespace {

using namespace ormix::records;
using namespace ormix::records::test;
using R = LogOutcome::Result;

constexpr int kType = 6;

class ProductionLogTest : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        ORMIX_REQUIRE_ENGINE(GetParam());
        db_ = std::make_unique<TestDatabase>(GetParam());
        ASSERT_NO_FATAL_FAILURE(OpenDescribed(*db_, conn_, 1000, kType, &described_));
        unsent_ = std::make_unique<UnsentRows>(db_->Dir() + "/unsent.jsonl");
        log_ = std::make_unique<ProductionLog>(*conn_, *unsent_, clock_);
        const Identification id = log_->Identify("WS-01", "ivanov");
        ASSERT_EQ(id.result, Identification::Result::Identified) << id.text.toStdString();
    }

    MeterShown Meter(qint64 number) const { return TypicalMeter(number); }
    WriteChoices Choices() const {
        WriteChoices c;
        c.firmwareMajor = 6;
        c.writtenAt = QDateTime::currentDateTime();
        return c;
    }
    LogOutcome Log(qint64 number, bool numberGiven = false) {
        MeterShown m = Meter(number);
        m.numberFieldEnabled = numberGiven;
        return log_->LogProductionRecord(m, Choices());
    }
    qint64 Count(const QString &table) {
        return Scalar(*conn_, "SELECT COUNT(*) FROM " + table).toLongLong();
    }

    LocaleScope locale_{QLocale(QLocale::Russian, QLocale::Russia)};
    FakePlatform platform_;
    ServerClock clock_;
    std::unique_ptr<TestDatabase> db_;
    std::unique_ptr<ProductionConnection> conn_;
    std::unique_ptr<UnsentRows> unsent_;
    std::unique_ptr<ProductionLog> log_;
    DescribedWorkstation described_;
};

TEST_P(ProductionLogTest, IdentificationFindsTheWorkstationAndSetsTheClock) {
    EXPECT_EQ(log_->Identity().computerId, described_.computerId);
    EXPECT_EQ(log_->Identity().personId, described_.personId);
    EXPECT_EQ(log_->Identity().plantId, described_.plantId);
    EXPECT_EQ(platform_.clockSets, 1);
    // The server's local time: this machine's, within the time the test takes.
    EXPECT_LT(qAbs(platform_.lastClock.secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_FALSE(clock_.ClockNotSet());

    // Every activation looks up again and sets the clock again.
    log_->Identify("WS-01", "ivanov");
    EXPECT_EQ(platform_.clockSets, 2);
}

TEST_P(ProductionLogTest, EachMissingDescriptionEndsTheProgramWithItsMessage) {
    using IR = Identification::Result;
    Exec(*conn_, "INSERT INTO operator(login,operating) VALUES('petrov',0)");
    Exec(*conn_, "INSERT INTO computer(name) VALUES('WS-02')");
    struct Case {
        QString computer, login;
        IR result;
        QString text;
    } cases[] = {
        {"WS-99", "ivanov", IR::ComputerMissing, "Компьютер \"WS-99\" не описан в БД."},
        {"WS-01", "sidorov", IR::PersonMissing, "Пользователь \"sidorov\" не описан в БД."},
        {"WS-01", "petrov", IR::PersonMissing, "Пользователь \"petrov\" не описан в БД."},
        // A login longer than 16 characters is read as no name at all.
        {"WS-01", "ivanov_the_seventeenth", IR::PersonMissing, "Пользователь \"\" не описан в БД."},
        {"WS-02", "ivanov", IR::PlantMissing, "Установка не описана в БД."},
        // Only the first 16 characters of the computer name count.
        {"WS-01-LONGER-NAME", "ivanov", IR::ComputerMissing,
         "Компьютер \"WS-01-LONGER-NAM\" не описан в БД."},
    };
    const int clockSets = platform_.clockSets;
    for (const Case &c : cases) {
        const Identification id = log_->Identify(c.computer, c.login);
        EXPECT_EQ(id.result, c.result) << c.computer.toStdString() << " " << c.login.toStdString();
        EXPECT_TRUE(id.EndsProgram());
        EXPECT_EQ(id.title, "Приложение остановлено");
        EXPECT_EQ(id.text, c.text);
    }
    EXPECT_EQ(platform_.clockSets, clockSets) << "the clock is set only after all three";
}

TEST_P(ProductionLogTest, AWriteIsOneOperationWithItsSettingsRow) {
    MeterShown m = Meter(1003);
    m.driftText = "-3,01";
    WriteChoices c = Choices();
    c.checkStatus = true;
    c.checkTime = true;
    c.date = QDate(2026, 12, 9);
    c.time = QTime(23, 59, 58);
    c.summerTime = false;
    c.checkCorrect = true;
    c.correction = -5;
    c.checkPassword = true;
    c.newPassword = 70000;
    c.checkIndi = true;
    c.display = 0b0101;
    c.checkSchedule = true;
    c.billingDay = 25;
    c.billingHour = 7;
    c.checkDdm = c.ddmEnabled = true;
    c.ddmNumber = 65537;
    const LogOutcome out = log_->LogProductionRecord(m, c);
    ASSERT_EQ(out.result, R::Logged) << out.text.toStdString();
    EXPECT_TRUE(out.text.isEmpty());

    QSqlQuery op(conn_->Database());
    ASSERT_TRUE(op.exec("SELECT operation_id, type_id, electro_id, plant_id, person_id, success, "
                        "date_operation FROM operation"));
    ASSERT_TRUE(op.next());
    EXPECT_EQ(op.value(0).toInt(), out.operationId);
    EXPECT_EQ(op.value(1).toInt(), 3);
    EXPECT_EQ(op.value(2).toInt(),
              Scalar(*conn_, "SELECT electro_id FROM electrometer WHERE number = 1003").toInt());
    EXPECT_EQ(op.value(3).toInt(), described_.plantId);
    EXPECT_EQ(op.value(4).toInt(), described_.personId);
    EXPECT_FALSE(op.value(5).toBool()) << "a drift of -3.01 s a day is not a success";
    EXPECT_LT(qAbs(op.value(6).toDateTime().secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_FALSE(op.next());

    QSqlQuery row(conn_->Database());
    ASSERT_TRUE(row.exec("SELECT * FROM set_tariff_3"));
    ASSERT_TRUE(row.next());
    auto v = [&](const char *column) { return row.value(QString::fromLatin1(column)); };
    EXPECT_EQ(v("operation_id").toInt(), out.operationId);
    EXPECT_EQ(v("version").toString(), "6.12");
    EXPECT_EQ(v("turn_on").toLongLong(), 7322);
    EXPECT_EQ(v("status").toInt(), 5);
    EXPECT_TRUE(v("reset").toBool());
    EXPECT_EQ(v("date_time").toDateTime(), QDateTime(QDate(2026, 12, 9), QTime(23, 59, 58)));
    EXPECT_FALSE(v("summer").isNull());
    EXPECT_FALSE(v("summer").toBool());
    EXPECT_EQ(v("correct").toInt(), -5);
    EXPECT_EQ(v("pass").toLongLong(), 70000);
    EXPECT_DOUBLE_EQ(v("t_1_c").toDouble(), 1300.75);
    EXPECT_DOUBLE_EQ(v("t_2_c").toDouble(), 21.0);
    EXPECT_DOUBLE_EQ(v("t_3_c").toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(v("t_1_1").toDouble(), 1234.5);
    EXPECT_DOUBLE_EQ(v("t_2_1").toDouble(), 20.0);
    EXPECT_DOUBLE_EQ(v("t_3_1").toDouble(), 0.25);
    EXPECT_EQ(v("ncorrect").toInt(), 3);
    EXPECT_EQ(v("indicator").toInt(), 5);
    EXPECT_EQ(v("vdm").toInt(), 65537);
    EXPECT_DOUBLE_EQ(v("secperday").toDouble(), -3.01);
    EXPECT_EQ(v("account_d").toInt(), 25);
    EXPECT_EQ(v("account_h").toInt(), 7);
    EXPECT_TRUE(v("zone_0").isNull());
    EXPECT_FALSE(row.next());
}

TEST_P(ProductionLogTest, UntickedSettingsAndUnreadableReadingsAreNull) {
    MeterShown m = Meter(1001);
    m.currentReadingText[1] = "ошибка";
    m.driftText = "";
    ASSERT_EQ(log_->LogProductionRecord(m, Choices()).result, R::Logged);
    QSqlQuery row(conn_->Database());
    ASSERT_TRUE(row.exec("SELECT * FROM set_tariff_3"));
    ASSERT_TRUE(row.next());
    EXPECT_DOUBLE_EQ(row.value("t_1_c").toDouble(), 1300.75);
    for (const char *c : {"t_2_c", "t_3_c", "t_1_1", "t_2_1", "t_3_1", "date_time", "summer",
                          "correct", "pass", "indicator", "vdm", "secperday", "account_d"})
        EXPECT_TRUE(row.value(QString::fromLatin1(c)).isNull()) << c;
    EXPECT_FALSE(row.value("reset").toBool());
    EXPECT_TRUE(Scalar(*conn_, "SELECT success FROM operation").toBool()) << "empty drift";
}

TEST_P(ProductionLogTest, TheThreeRefusalsLogNothing) {
    // A meter not described.
    LogOutcome out = Log(5000);
    EXPECT_EQ(out.result, R::NotDescribed);
    EXPECT_EQ(out.title, "Ошибка записи в БД");
    EXPECT_EQ(out.text, "Номер прибора не описан в БД. Установите его.");

    // An unrepaired defect; once repaired the meter logs again.
    const int electro =
        Scalar(*conn_, "SELECT electro_id FROM electrometer WHERE number = 1002").toInt();
    Exec(*conn_, QString("INSERT INTO spoilage(type_id,electro_id,person_id,code) "
                         "VALUES(1,%1,%2,'7')")
                     .arg(electro)
                     .arg(described_.personId));
    out = Log(1002);
    EXPECT_EQ(out.result, R::InRepair);
    EXPECT_EQ(out.text, "Прибор в ремонте.");
    EXPECT_EQ(Count("operation"), 0);
    Exec(*conn_, "UPDATE spoilage SET date_repair = date_spoilage");
    EXPECT_EQ(Log(1002).result, R::Logged);

    // A number given now that was programmed before; a meter that reports its own number
    // may be programmed again.
    out = Log(1002, true);
    EXPECT_EQ(out.result, R::DuplicateNumber);
    EXPECT_EQ(out.text, "Счетчик с таким номером уже существует. Обратитесь к главному "
                        "конструктору прибора.");
    EXPECT_EQ(Log(1002, false).result, R::Logged);
    EXPECT_EQ(Log(1004, true).result, R::Logged);
    EXPECT_EQ(Count("operation"), 3);
    EXPECT_EQ(Count("set_tariff_3"), 3);
}

TEST_P(ProductionLogTest, AFailedOperationIsRolledBackAndAlwaysReported) {
    MeterShown m = Meter(1001);
    m.billingReadingText[0] = ""; // no billing readings: still reported
    WriteChoices c = Choices();
    // The settings row has nowhere to go: the operation inserted before it goes too.
    Exec(*conn_, "ALTER TABLE set_tariff_3 RENAME TO set_tariff_away");
    const LogOutcome out = log_->LogProductionRecord(m, c);
    Exec(*conn_, "ALTER TABLE set_tariff_away RENAME TO set_tariff_3");
    EXPECT_EQ(out.result, R::Failed);
    EXPECT_EQ(out.title, "Ошибка БД");
    EXPECT_TRUE(out.text.startsWith("Ошибка записи в БД: ")) << out.text.toStdString();

    // The engine refusing the settings row (a value too large for its column) leaves no
    // operation behind either.
    if (conn_->Dialect() != SqlDialect::Sqlite) {
        c.checkDdm = c.ddmEnabled = true;
        c.ddmNumber = 1LL << 40; // beyond the integer column
        const LogOutcome refused = log_->LogProductionRecord(m, c);
        EXPECT_EQ(refused.result, R::Failed) << refused.text.toStdString();
    }
    EXPECT_EQ(Count("operation"), 0);
    EXPECT_EQ(Count("set_tariff_3"), 0);
    EXPECT_EQ(unsent_->Count().waiting, 0) << "a refusal by the database is not kept";
}

TEST_P(ProductionLogTest, FixingInTheDatabaseLogsTheMeterWithoutSettings) {
    const int electro =
        Scalar(*conn_, "SELECT electro_id FROM electrometer WHERE number = 1005").toInt();
    Exec(*conn_,
         QString("INSERT INTO spoilage(type_id,electro_id,code) VALUES(1,%1,'7')").arg(electro));
    MeterShown m = Meter(1005);
    m.numberFieldEnabled = true;
    EXPECT_EQ(log_->FixInDatabase(m, QDateTime::currentDateTime()).result, R::Logged)
        << "no repair or duplicate check";
    EXPECT_EQ(log_->FixInDatabase(m, QDateTime::currentDateTime()).result, R::Logged);
    EXPECT_EQ(log_->FixInDatabase(Meter(4444), QDateTime::currentDateTime()).result,
              R::NotDescribed);
    EXPECT_EQ(Count("operation"), 2);
    QSqlQuery row(conn_->Database());
    ASSERT_TRUE(row.exec("SELECT * FROM set_tariff_3"));
    ASSERT_TRUE(row.next());
    EXPECT_FALSE(row.value("reset").toBool());
    EXPECT_FALSE(row.value("reset").isNull());
    EXPECT_TRUE(row.value("secperday").isNull());
    EXPECT_TRUE(row.value("indicator").isNull());
    EXPECT_DOUBLE_EQ(row.value("t_3_1").toDouble(), 0.25);
    EXPECT_EQ(row.value("version").toString(), "6.12");
    EXPECT_EQ(row.value("ncorrect").toInt(), 3);
}

TEST_P(ProductionLogTest, PlusProposesTheLowestDescribedNumberNotYetProgrammed) {
    auto next = [&] {
        const auto a = log_->NextFactoryNumber(kType);
        EXPECT_TRUE(a.ok()) << a.error.toStdString();
        return a.value;
    };
    EXPECT_EQ(next(), 1000);
    ASSERT_EQ(Log(1000, true).result, R::Logged);
    ASSERT_EQ(Log(1001, true).result, R::Logged);
    EXPECT_EQ(next(), 1002);
    // Once every described number is programmed there is none to propose.
    for (int n = 1002; n <= 1009; ++n)
        ASSERT_EQ(Log(n, true).result, R::Logged);
    EXPECT_EQ(next(), std::nullopt);
    EXPECT_EQ(log_->NextFactoryNumber(1).value, std::nullopt) << "another model";
}

TEST_P(ProductionLogTest, TheDriftCountsFromTheLastTimeTheClockWasSet) {
    EXPECT_EQ(log_->QueryDelta(1001, kType).value, std::nullopt);
    WriteChoices c = Choices();
    c.checkTime = true;
    c.date = QDate(2026, 11, 30);
    c.time = QTime(8, 0);
    ASSERT_EQ(log_->LogProductionRecord(Meter(1001), c).result, R::Logged);
    c.date = QDate(2026, 12, 1);
    ASSERT_EQ(log_->LogProductionRecord(Meter(1001), c).result, R::Logged);
    // A write without the clock keeps the last time it was set.
    ASSERT_EQ(Log(1001).result, R::Logged);
    const auto delta = log_->QueryDelta(1001, kType);
    ASSERT_TRUE(delta.ok()) << delta.error.toStdString();
    EXPECT_EQ(delta.value, QDateTime(QDate(2026, 12, 1), QTime(8, 0)));
    EXPECT_EQ(log_->QueryDelta(1002, kType).value, std::nullopt);
}

TEST_P(ProductionLogTest, StartUpPrefillsFromTheNewestRowsWithZonesAndDisplaySet) {
    auto prefill = log_->Prefill();
    ASSERT_TRUE(prefill.ok()) << prefill.error.toStdString();
    EXPECT_TRUE(prefill.value.oneTariff);
    EXPECT_FALSE(prefill.value.indicator);

    WriteChoices c = Choices();
    c.checkIndi = true;
    c.display = 0b0110;
    ASSERT_EQ(log_->LogProductionRecord(Meter(1001), c).result, R::Logged);
    ASSERT_EQ(Log(1002).result, R::Logged); // newer, without a display set
    // Zones are written by other programs of the plant, never by this one.
    const int op = Scalar(*conn_, "SELECT MIN(operation_id) FROM set_tariff_3").toInt();
    Exec(*conn_, QString("UPDATE set_tariff_3 SET zone_0 = 1, zone_1 = 2, zone_2 = 3, zone_3 = 1, "
                         "zone_4 = 2, zone_5 = 3 WHERE operation_id = %1")
                     .arg(op));
    const QString start = conn_->Dialect() == SqlDialect::Sqlite ? "'2000-01-01T07:30:00.000'"
                                                                 : "'2000-01-01 07:30:00'";
    Exec(*conn_,
         QString("UPDATE set_tariff_3 SET time_1 = %1 WHERE operation_id = %2").arg(start).arg(op));

    prefill = log_->Prefill();
    ASSERT_TRUE(prefill.ok()) << prefill.error.toStdString();
    EXPECT_FALSE(prefill.value.oneTariff);
    EXPECT_EQ(prefill.value.zones[0], "1");
    EXPECT_EQ(prefill.value.zones[5], "3");
    EXPECT_EQ(prefill.value.zoneStarts[1], QTime(7, 30));
    EXPECT_EQ(prefill.value.indicator, 0b0110);
}

TEST_P(ProductionLogTest, ADefectMarksTodaysOperationOrCreatesAFailedOne) {
    const int programmed =
        Scalar(*conn_, "SELECT electro_id FROM electrometer WHERE number = 1001").toInt();
    const int fresh =
        Scalar(*conn_, "SELECT electro_id FROM electrometer WHERE number = 1002").toInt();
    ASSERT_EQ(Log(1001).result, R::Logged);
    ASSERT_EQ(Log(1001).result, R::Logged);
    const int latest = Scalar(*conn_, "SELECT MAX(operation_id) FROM operation").toInt();

    auto a = RegisterDefect(*conn_, log_->Identity(), programmed, " \t12-B \n");
    ASSERT_TRUE(a.ok()) << a.error.toStdString();
    EXPECT_EQ(a.value, latest);
    EXPECT_FALSE(
        Scalar(*conn_, QString("SELECT success FROM operation WHERE operation_id = %1").arg(latest))
            .toBool());
    EXPECT_EQ(Scalar(*conn_, "SELECT code FROM spoilage").toString(), "12-B");
    // A second defect goes to the same operation.
    ASSERT_TRUE(RegisterDefect(*conn_, log_->Identity(), programmed, "13").ok());
    EXPECT_EQ(Count("spoilage"), 2);
    EXPECT_EQ(Count("operation"), 2);

    // Not programmed today: a failed programming operation of this installation.
    a = RegisterDefect(*conn_, log_->Identity(), fresh, "7");
    ASSERT_TRUE(a.ok()) << a.error.toStdString();
    EXPECT_EQ(Count("operation"), 3);
    QSqlQuery op(conn_->Database());
    ASSERT_TRUE(op.exec(QString("SELECT type_id, success, plant_id, electro_id FROM operation "
                                "WHERE operation_id = %1")
                            .arg(a.value)));
    ASSERT_TRUE(op.next());
    EXPECT_EQ(op.value(0).toInt(), 3);
    EXPECT_FALSE(op.value(1).toBool());
    EXPECT_EQ(op.value(2).toInt(), described_.plantId);
    EXPECT_EQ(op.value(3).toInt(), fresh);
    // The meter is now in repair.
    EXPECT_EQ(Log(1002).result, R::InRepair);
    EXPECT_FALSE(RegisterDefect(*conn_, log_->Identity(), fresh, " \t ").ok());
    EXPECT_EQ(DefectCode(" \x01 7 \x1f"), "7");
}

TEST_P(ProductionLogTest, ALongCodeIsRefusedBeforeAnythingIsWritten) {
    const int id =
        Scalar(*conn_, "SELECT electro_id FROM electrometer WHERE number = 1003").toInt();
    const auto a = RegisterDefect(*conn_, log_->Identity(), id,
                                  QString(kDefectCodeMaxLength + 1, QChar(u'Ж')));
    EXPECT_FALSE(a.ok());
    EXPECT_TRUE(a.error.contains(QString::number(kDefectCodeMaxLength))) << a.error.toStdString();
    EXPECT_EQ(Count("operation"), 0);
    EXPECT_EQ(Count("spoilage"), 0);
    // The widest code fits the column on every engine.
    EXPECT_TRUE(
        RegisterDefect(*conn_, log_->Identity(), id, QString(kDefectCodeMaxLength, QChar(u'Ж')))
            .ok());
}

TEST_P(ProductionLogTest, TheUsedCodesComeMostFrequentFirst) {
    auto used = UsedDefectCodes(*conn_);
    ASSERT_TRUE(used.ok()) << used.error.toStdString();
    EXPECT_TRUE(used.value.isEmpty());
    const int id =
        Scalar(*conn_, "SELECT electro_id FROM electrometer WHERE number = 1004").toInt();
    for (const char *code : {"B7", "A1", "B7", "C3", "A1", "B7"})
        ASSERT_TRUE(RegisterDefect(*conn_, log_->Identity(), id, code).ok());
    used = UsedDefectCodes(*conn_);
    ASSERT_TRUE(used.ok()) << used.error.toStdString();
    ASSERT_EQ(used.value.size(), 3);
    EXPECT_EQ(used.value[0].code, "B7");
    EXPECT_EQ(used.value[0].times, 3);
    EXPECT_EQ(used.value[1].code, "A1");
    EXPECT_EQ(used.value[2].code, "C3");
    EXPECT_EQ(used.value[2].times, 1);
}

TEST_P(ProductionLogTest, AKeptOperationThatArrivedBeforeIsRecognisedNotSentTwice) {
    // As after a crash between the server's commit and the note in the file: the row is
    // in the database and still waits in the file.
    ASSERT_EQ(Log(1001).result, R::Logged);
    const QString key = Scalar(*conn_, "SELECT client_key FROM operation_key").toString().trimmed();
    QString error;
    MeterShown m = Meter(1001);
    OperationRecord record = MakeOperationRecord(m, Choices(), true, log_->Identity());
    record.clientKey = key;
    ASSERT_TRUE(unsent_->Keep(key, record.ToJson(), &error));

    QStringList messages;
    const ReplayReport r = log_->SendUnsent(&messages);
    EXPECT_EQ(r.sent, 1);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(Count("operation"), 1);
    EXPECT_EQ(unsent_->Count().waiting, 0);
}

TEST_P(ProductionLogTest, AKeptOperationTheServerRefusesStaysInTheFileAndIsReported) {
    QString error;
    WriteChoices c = Choices();
    c.writtenAt = QDateTime(QDate::currentDate().addDays(-1), QTime(9, 15));
    Workstation unidentified{"WS-01", "ivanov"}; // kept before any identification
    for (qint64 number : {1007, 6000}) {
        const OperationRecord record = MakeOperationRecord(Meter(number), c, true, unidentified);
        ASSERT_TRUE(unsent_->Keep(record.clientKey, record.ToJson(), &error));
    }
    EXPECT_EQ(unsent_->Count().waiting, 2);

    // The next write sends them first; the undescribed one is refused and reported.
    const LogOutcome out = Log(1008);
    EXPECT_EQ(out.result, R::Logged);
    EXPECT_EQ(out.replay.sent, 1);
    ASSERT_EQ(out.replayMessages.size(), 1);
    EXPECT_TRUE(out.replayMessages[0].contains("6000")) << out.replayMessages[0].toStdString();
    EXPECT_TRUE(out.replayMessages[0].contains("не описан")) << out.replayMessages[0].toStdString();
    EXPECT_EQ(unsent_->Count().waiting, 0);
    EXPECT_EQ(unsent_->Count().refused, 1);

    // The kept one was done yesterday, by this workstation's installation.
    QSqlQuery op(conn_->Database());
    ASSERT_TRUE(op.exec("SELECT o.date_operation, o.plant_id FROM operation o JOIN electrometer e "
                        "ON e.electro_id = o.electro_id WHERE e.number = 1007"));
    ASSERT_TRUE(op.next());
    EXPECT_EQ(op.value(0).toDateTime(), c.writtenAt);
    EXPECT_EQ(op.value(1).toInt(), described_.plantId);

    // Once the meter is described, the refused one can be sent again.
    ASSERT_EQ(DescribeMeters(*conn_, 6000, 6000, kType, &error), 1);
    ASSERT_TRUE(unsent_->RequeueRefused(&error));
    QStringList messages;
    EXPECT_EQ(log_->SendUnsent(&messages).sent, 1);
    EXPECT_EQ(unsent_->Count().refused, 0);
    EXPECT_EQ(Count("operation"), 3);
}

TEST_P(ProductionLogTest, WithTheServerAwayTheOperationIsKeptAndSaysSo) {
    ConnectionSettings away = db_->Settings();
    if (away.driver == u"QSQLITE")
        away.database = db_->Dir() + "/no-such-folder/x/electrometer.sqlite";
    else if (away.driver == u"QPSQL")
        away.port = 1; // nothing listens there
    else
        away.database += ";Port=1";
    if (away.driver == u"QSQLITE") {
        QFile blocker(db_->Dir() + "/no-such-folder");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder would be
    }
    ProductionConnection gone(away, "gone");
    UnsentRows unsent(db_->Dir() + "/gone.jsonl");
    ProductionLog log(gone, unsent, clock_);
    const Identification id = log.Identify("WS-01", "ivanov");
    EXPECT_EQ(id.result, Identification::Result::EngineFailed);
    EXPECT_EQ(id.title, "Ошибка БД");
    EXPECT_FALSE(id.EndsProgram());
    const LogOutcome first = log.LogProductionRecord(Meter(1001), Choices());
    EXPECT_EQ(first.result, R::Kept) << first.text.toStdString();
    EXPECT_EQ(first.title, "Ошибка БД");
    EXPECT_TRUE(first.text.contains("Ожидают записи: 1.")) << first.text.toStdString();
    EXPECT_EQ(log.FixInDatabase(Meter(1002), QDateTime::currentDateTime()).result, R::Kept);
    EXPECT_EQ(unsent.Count().waiting, 2);

    // Rows kept there reach the real database from a workstation that can reach it.
    UnsentRows moved(unsent.Path());
    ProductionLog back(*conn_, moved, clock_);
    QStringList messages;
    EXPECT_EQ(back.SendUnsent(&messages).sent, 2);
    EXPECT_EQ(Count("operation"), 2);
    EXPECT_EQ(Scalar(*conn_, "SELECT COUNT(*) FROM set_tariff_3 WHERE indicator IS NULL").toInt(),
              2);
}

TEST_P(ProductionLogTest, WhereTheClockCannotBeSetServerTimeIsUsedAndSaidOnce) {
    platform_.allowClock = false;
    const Identification id = log_->Identify("WS-01", "ivanov");
    EXPECT_TRUE(id.clock.ok);
    EXPECT_FALSE(id.clock.clockSet);
    EXPECT_TRUE(clock_.ClockNotSet());
    EXPECT_TRUE(clock_.TakeNotSetNotice());
    EXPECT_FALSE(clock_.TakeNotSetNotice());
    log_->Identify("WS-01", "ivanov");
    EXPECT_FALSE(clock_.TakeNotSetNotice()) << "said once per run";
    EXPECT_LT(qAbs(clock_.Now().secsTo(id.clock.serverTime)), 60);
}

INSTANTIATE_TEST_SUITE_P(Engines, ProductionLogTest, ::testing::Values("QSQLITE", "QPSQL", "QODBC"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
