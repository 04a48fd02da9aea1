// The window in SQL mode against the emulated meter and a real production database: the
// embedded file the workstation uses by default, and for a server that goes away in the
// middle of a write, a PostgreSQL server of the test's own.
#include "../common/private_pg_server.h"
#include "sql_window_test.h"

using namespace ormix::records;

namespace {

using namespace sql_window;

TEST_F(SqlWindowTest, AWriteLogsOneOperationWithTheValuesWrittenAndTheServersClock) {
    Describe(123456, 123456);
    StartMeter();
    CreateForm({.indicatorMs = 60000}); // the indicator is looked at, not waited for
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(WaitFor([&] { return form->Shared().PlantId != 0; }));
    EXPECT_NE(form->Shared().ComputerId, 0);
    EXPECT_NE(form->Shared().PersonId, 0);
    ASSERT_NE(form->ProductionDatabase(), nullptr);
    // The fake platform refuses to set the clock: said once in the protocol view.
    EXPECT_EQ(Protocol().count(ServerClock::NotSetNotice()), 1) << Protocol().toStdString();
    ConnectAndRead();
    QTest::mouseClick(Find<QCheckBox>("CheckStatus"), Qt::LeftButton, {}, QPoint(5, 5));
    const int setsBefore = platform.clockSets;
    PressF12();
    ASSERT_TRUE(WaitForWriteEnd());
    EXPECT_EQ(platform.clockSets, setsBefore + 1); // SyncClockWithServer before the write

    ASSERT_EQ(Operations(), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM set_tariff_3").toInt(), 1);
    QSqlQuery row(admin->Database());
    ASSERT_TRUE(row.exec("SELECT o.type_id, o.success, o.electro_id, o.person_id, o.plant_id, "
                         "s.version, s.reset, s.date_time, s.status, s.correct, s.pass, "
                         "s.t_1_c, s.indicator FROM operation o JOIN set_tariff_3 s "
                         "ON s.operation_id = o.operation_id"));
    ASSERT_TRUE(row.next());
    EXPECT_EQ(row.value(0).toInt(), 3);
    EXPECT_TRUE(row.value(1).toBool());
    EXPECT_EQ(row.value(2).toInt(), ElectroId(123456));
    EXPECT_EQ(row.value(3).toInt(), form->Shared().PersonId);
    EXPECT_EQ(row.value(4).toInt(), form->Shared().PlantId);
    EXPECT_EQ(row.value(5).toString(), "6.2");
    EXPECT_TRUE(row.value(6).toBool());
    // The PC's clock was not set (the fake platform refuses): server time all the same.
    const QDateTime written = row.value(7).toDateTime();
    ASSERT_TRUE(written.isValid());
    EXPECT_LT(qAbs(written.secsTo(QDateTime::currentDateTime())), 120);
    EXPECT_EQ(row.value(8).toInt(), 0);
    EXPECT_TRUE(row.value(9).isNull()); // CheckCorrect not ticked
    EXPECT_TRUE(row.value(10).isNull());
    EXPECT_FALSE(row.value(11).isNull());
    EXPECT_TRUE(row.value(12).isNull());
    EXPECT_TRUE(boxes.empty()) << boxes[0].text.toStdString();
    // Not again, though the clock was refused at every sync.
    EXPECT_EQ(Protocol().count(ServerClock::NotSetNotice()), 0) << Protocol().toStdString();
    EXPECT_TRUE(Panel1().isEmpty());
}

TEST_F(SqlWindowTest, EachRefusalShowsItsBoxAndLogsNothing) {
    const struct {
        const char *name;
        std::uint32_t meterNumber; // 0: the number is given now, by the operator
        std::function<void(SqlWindowTest &)> prepare;
        const char *text;
    } cases[] = {
        {"not described", 123456, [](SqlWindowTest &t) { t.Describe(1, 1); },
         "Номер прибора не описан в БД. Установите его."},
        {"in repair", 123456,
         [](SqlWindowTest &t) {
             t.Describe(123456, 123456);
             t.Exec(QString("INSERT INTO spoilage(type_id,electro_id,person_id,code) "
                            "VALUES(1,%1,1,'7')")
                        .arg(t.ElectroId(123456)));
         },
         "Прибор в ремонте."},
        {"number programmed before", 0,
         [](SqlWindowTest &t) {
             t.Describe(500, 500);
             t.LoggedBefore(500, "", "");
         },
         "Счетчик с таким номером уже существует. Обратитесь к главному конструктору "
         "прибора."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        Exec("DELETE FROM set_tariff_3");
        Exec("DELETE FROM operation");
        Exec("DELETE FROM spoilage");
        c.prepare(*this);
        EmulatorOptions o;
        o.number = c.meterNumber;
        StartMeter(o);
        CreateForm({.indicatorMs = 60000});
        ConnectAndRead();
        if (c.meterNumber == 0) {
            ASSERT_TRUE(Find<QSpinBox>("SpinEdit_Number")->isEnabled());
            Find<QSpinBox>("SpinEdit_Number")->setValue(500);
        }
        const int before = Operations();
        PressF12();
        ASSERT_TRUE(WaitForWriteEnd());
        ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
        EXPECT_EQ(boxes[0].title, "Ошибка записи в БД");
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        EXPECT_EQ(Operations(), before);
        form->close();
        form.reset();
        emu.reset();
    }
}

TEST_F(SqlWindowTest, IdentificationEndsTheProgramForWhatIsNotDescribed) {
    const struct {
        const char *name;
        std::function<void(SqlWindowTest &)> prepare;
        const char *text;
    } cases[] = {
        {"computer", [](SqlWindowTest &) {}, "Компьютер \"TESTPC\" не описан в БД."},
        {"operator",
         [](SqlWindowTest &t) {
             t.Describe(0, 0);
             t.Exec("UPDATE operator SET operating = 0");
         },
         "Пользователь \"operator\" не описан в БД."},
        {"installation",
         [](SqlWindowTest &t) {
             t.Describe(0, 0);
             t.Exec("DELETE FROM plant");
         },
         "Установка не описана в БД."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        for (const char *table : {"plant", "operator", "computer"})
            Exec(QString("DELETE FROM %1").arg(table));
        c.prepare(*this);
        CreateForm();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
        EXPECT_EQ(boxes[0].title, "Приложение остановлено");
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
        // Nothing more is asked on the way out, however often the window is activated.
        QApplication::setActiveWindow(nullptr);
        QApplication::setActiveWindow(form.get());
        QTest::qWait(100);
        EXPECT_EQ(boxes.size(), 1u);
        form->close();
        form.reset();
    }
}

TEST_F(SqlWindowTest, AnEngineFailureAtIdentificationIsReportedOnceAndTheProgramGoesOn) {
    ConnectionSettings broken = settings;
    broken.database = data.path(); // a folder, not a database file
    UseDatabase(broken);
    CatchReports();
    CreateForm();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(WaitFor([&] { return !Reports().empty(); }));
    QTest::qWait(200);
    ormix::link::SetErrorReportHandler(nullptr);
    // The pre-fill and the identification each say why; neither ends the program.
    EXPECT_FALSE(Reports().empty());
    for (const SeenBox &b : boxes)
        EXPECT_NE(b.title, "Приложение остановлено");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Shared().ComputerId, 0);
}

TEST_F(SqlWindowTest, FixInDatabaseRecordsAnOperationWithoutSettingsAndShowsGreen) {
    Describe(123456, 123456);
    StartMeter();
    CreateForm({.indicatorMs = 60000});
    ConnectAndRead();
    ASSERT_TRUE(Find<QAction>("ActionFixDb")->isVisible());
    ASSERT_TRUE(Find<QAction>("ActionFixDb")->isEnabled());
    Find<QAction>("ActionFixDb")->trigger();
    EXPECT_TRUE(Find<QAction>("Shape1Action")->isVisible());
    EXPECT_EQ(Find<TShape>("Shape1")->BrushColor(), QColor(0, 255, 0));
    ASSERT_EQ(Operations(), 1);
    QSqlQuery row(admin->Database());
    ASSERT_TRUE(row.exec("SELECT reset, date_time, indicator, pass, version, t_1_c, turn_on "
                         "FROM set_tariff_3"));
    ASSERT_TRUE(row.next());
    EXPECT_FALSE(row.value(0).toBool());
    EXPECT_TRUE(row.value(1).isNull());
    EXPECT_TRUE(row.value(2).isNull());
    EXPECT_TRUE(row.value(3).isNull());
    EXPECT_EQ(row.value(4).toString(), "6.2");
    EXPECT_FALSE(row.value(5).isNull());
    EXPECT_FALSE(row.value(6).isNull());
    EXPECT_TRUE(boxes.empty());

    // A meter that is not described: the box, and still green.
    Exec("DELETE FROM set_tariff_3");
    Exec("DELETE FROM operation");
    Exec("DELETE FROM electrometer");
    Find<QAction>("ActionFixDb")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Номер прибора не описан в БД. Установите его.");
    EXPECT_EQ(Find<TShape>("Shape1")->BrushColor(), QColor(0, 255, 0));
    EXPECT_EQ(Operations(), 0);
}

TEST_F(SqlWindowTest, PlusProposesTheLowestDescribedNumberNotYetProgrammed) {
    Describe(100, 102);
    LoggedBefore(100, "", "");
    CreateForm();
    auto *number = Find<QSpinBox>("SpinEdit_Number");
    QTest::mouseClick(Find<QPushButton>("BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(number->value(), 101);
    EXPECT_EQ(Tag(number), 1);
    // Every described number programmed: nothing is proposed.
    LoggedBefore(101, "", "");
    LoggedBefore(102, "", "");
    number->setValue(7);
    QTest::mouseClick(Find<QPushButton>("BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(number->value(), 7);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SqlWindowTest, TheDriftFigureCountsFromTheLastLoggedClockSetting) {
    Describe(123456, 123456);
    const QDateTime tenDaysAgo = QDateTime::currentDateTime().addDays(-10);
    LoggedBefore(123456, ",date_time",
                 QString(",'%1'").arg(tenDaysAgo.toString("yyyy-MM-dd hh:mm:ss")));
    EmulatorOptions o;
    o.clock = [] { return QDateTime::currentMSecsSinceEpoch() + 50'000; }; // 50 s ahead
    StartMeter(o);
    CreateForm();
    Connect();
    auto *delta = Find<QLineEdit>("LabeledDelta");
    EXPECT_TRUE(delta->isVisible());
    ASSERT_TRUE(WaitFor([&] { return !delta->text().isEmpty(); }));
    // The meter shows whole seconds: 50 s ahead reads as 49.x to 50.x.
    EXPECT_NEAR(delta->text().toDouble(), 5.0, 0.11) << delta->text().toStdString();
}

TEST_F(SqlWindowTest, StartUpTakesZonesAndDisplaySetFromTheLastLoggedOperations) {
    Describe(1, 1);
    LoggedBefore(1, ",zone_0,zone_1,zone_2,zone_3,zone_4,zone_5,time_0,time_1",
                 ",2,1,3,1,2,1,'2000-01-01 07:00:00','2000-01-01 10:30:00'");
    LoggedBefore(1, ",indicator", ",5");
    CreateForm();
    EXPECT_FALSE(Find<QCheckBox>("CheckOneTarif")->isChecked());
    EXPECT_EQ(Find<QComboBox>("ValueListEditor1Pick0")->currentText(), "2");
    EXPECT_EQ(Find<QComboBox>("ValueListEditor1Pick2")->currentText(), "3");
    EXPECT_EQ(Find<QTimeEdit>("Picker_Zone1")->time(), QTime(10, 30));
    EXPECT_TRUE(Find<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("CheckBox3")->isChecked());
}

TEST_F(SqlWindowTest, AnOperationTheServerMissedIsKeptCountedAndSentOnceWhenItIsBack) {
    if (!QFileInfo::exists("/usr/lib/postgresql")) GTEST_SKIP() << "PostgreSQL not installed";
    PrivateServer server;
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    settings = {};
    settings.driver = "QPSQL";
    settings.host = "127.0.0.1";
    settings.port = server.Port();
    settings.user = "postgres";
    settings.database = "postgres";
    UseDatabase(settings);
    admin = std::make_unique<ProductionConnection>(settings, "test-admin-pg");
    ASSERT_TRUE(admin->Open(&error)) << error.toStdString();
    ASSERT_TRUE(CreateSchema(*admin, &error)) << error.toStdString();
    Describe(123456, 123456);

    StartMeter();
    // The reply timeout outlasts the stop of the server, which holds the window's thread.
    CreateForm({.replyTimeoutMs = 120000, .indicatorMs = 60000});
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(WaitFor([&] { return form->Shared().PlantId != 0; }));
    ConnectAndRead();
    emu->clearRequestsSeen();
    PressF12();
    // The clock was synchronised; the server goes while the meter takes the frames.
    ASSERT_TRUE(WaitFor([&] { return SeenCodes().contains(0x14); }));
    server.Stop();
    ASSERT_TRUE(WaitForWriteEnd());
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_TRUE(boxes[0].text.contains("сохранена на этом компьютере"))
        << boxes[0].text.toStdString();
    EXPECT_TRUE(Panel1().contains("Ждут отправки в БД: 1")) << Panel1().toStdString();
    form->close();
    form.reset();

    // Back again: the next start's identification sends it, once.
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    admin->Reset();
    ASSERT_TRUE(admin->Open(&error)) << error.toStdString();
    EXPECT_EQ(Operations(), 0);
    boxes.clear();
    CreateForm();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(WaitFor([&] { return Operations() == 1; }));
    EXPECT_TRUE(Panel1().isEmpty()) << Panel1().toStdString();
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(form.get());
    QTest::qWait(200);
    EXPECT_EQ(Operations(), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM set_tariff_3").toInt(), 1);
    EXPECT_TRUE(boxes.empty());
}

} // namespace
