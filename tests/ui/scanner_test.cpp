// The barcode scanner on a pseudo-terminal as COM8: codes into the factory-number field,
// written and logged; the port switched on and off and changed from Panel5; SQL mode,
// "NoScaner" and a scanner pulled out.
#include "../link/pty_pair.h"
#include "link/error_report.h"
#include "records/setting_log.h"
#include "sql_window_test.h"
#include "ui/tag.h"

#include <QCheckBox>
#include <QSpinBox>

using namespace ormix::records;

namespace {

// SQL mode on a production database that knows this workstation, or the local log.
class ScannerTest : public sql_window::SqlWindowTest {
protected:
    // The meter on COM9, the scanner on COM8, the scanner saved as "Scaner".
    void StartWithScanner(bool sqlMode) {
        ASSERT_TRUE(scanner.Ok());
        Settings()->setValue("Scaner", 8);
        if (sqlMode)
            Describe(0, 0);
        else
            Settings()->remove("Sql");
        Settings()->setValue("Master", 1); // the factory number is editable and written
        StartMeter();
        qputenv("ORMIX_PORTS", qgetenv("ORMIX_PORTS") + ";COM8=" + scanner.slavePath.toUtf8());
        CreateForm();
    }
    TVaComm *Port() const { return Find<TVaComm>("VaComm2"); }
    QSpinBox *Number() const { return Find<QSpinBox>("SpinEdit_Number"); }
    int ScanerIndex(const char *name) const {
        return Find<QComboBox>("ComboScaner")->findText(name, Qt::MatchFixedString);
    }
    void ClickCheckBox5() {
        QTest::mouseClick(Find<QCheckBox>("CheckBox5"), Qt::LeftButton, {}, QPoint(5, 5));
    }

    PtyPair scanner;
};

TEST_F(ScannerTest, AScannedNumberIsWrittenAndLoggedAsIfTyped) {
    StartWithScanner(false);
    // Outside SQL mode nothing opens the scanner by itself; picking its port does.
    EXPECT_FALSE(Port()->Active());
    const int com8 = ScanerIndex("COM8");
    ASSERT_GE(com8, 0);
    Pick("ComboScaner", com8);
    ASSERT_TRUE(Port()->Active());
    Connect();
    ASSERT_TRUE(WaitFor([&] { return Number()->value() == 123456; }));
    ASSERT_TRUE(WaitFor([&] { return Find<QAction>("ActionSetting")->isEnabled(); }));

    // The same number changes nothing and marks nothing.
    ASSERT_TRUE(scanner.Send("123456\r"));
    QTest::qWait(300);
    EXPECT_EQ(Tag(Number()), 0);
    // A label read in pieces.
    ASSERT_TRUE(scanner.Send("65"));
    ASSERT_TRUE(scanner.Send("43"));
    ASSERT_TRUE(scanner.Send("21\r\n"));
    ASSERT_TRUE(WaitFor([&] { return Number()->value() == 654321; }));
    EXPECT_EQ(Tag(Number()), 1); // the poll leaves it; the write sends it

    QApplication::setActiveWindow(form.get());
    QTest::keyClick(form.get(), Qt::Key_F12);
    ASSERT_TRUE(WaitFor([&] { return emu->state().number == 654321; }));
    ASSERT_TRUE(WaitFor([&] {
        const auto rows =
            SettingLog(work.filePath("Setting.DBF")).QuerySelect(QDate::currentDate());
        return rows.ok() && rows.value.size() == 1 &&
               rows.value[0][SettingField::CNumber].toDouble() == 654321;
    }));
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
}

TEST_F(ScannerTest, ThePortFollowsCheckBox5AndAPickOpensItAnyway) {
    StartWithScanner(true);
    // SQL mode: opened at start with one zero byte, the panel shown.
    ASSERT_TRUE(Port()->Active());
    EXPECT_EQ(scanner.Receive(1), QByteArray(1, '\0'));
    EXPECT_TRUE(Find<QAction>("Panel5Action")->isVisible());
    ASSERT_TRUE(Find<QCheckBox>("CheckBox5")->isChecked());

    ClickCheckBox5();
    EXPECT_FALSE(Port()->Active());
    ClickCheckBox5();
    EXPECT_TRUE(Port()->Active());
    ClickCheckBox5();
    ASSERT_FALSE(Port()->Active());
    // Unticked, a port picked in the list is opened all the same.
    Pick("ComboScaner", ScanerIndex("COM8"));
    EXPECT_TRUE(Port()->Active());
    EXPECT_FALSE(Find<QCheckBox>("CheckBox5")->isChecked());
    ASSERT_TRUE(scanner.Send("777\r"));
    ASSERT_TRUE(WaitFor([&] { return Number()->value() == 777; }));

    // A port that cannot be opened: the component's message, the port closed.
    QStringList reports;
    SetErrorReportHandler([&](const QString &m) { reports << m; });
    qputenv("ORMIX_PORTS", qgetenv("ORMIX_PORTS") + ";COM7=" + work.filePath("absent").toUtf8());
    OpenPortList(); // the lists follow the table
    const int com7 = ScanerIndex("COM7");
    ASSERT_GE(com7, 0);
    Pick("ComboScaner", com7);
    SetErrorReportHandler(nullptr);
    EXPECT_FALSE(Port()->Active());
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains("Com7")) << reports[0].toStdString();

    // The port chosen last is saved at exit.
    form->close();
    EXPECT_EQ(Settings()->value("Scaner").toInt(), 7);
}

TEST_F(ScannerTest, AScannerPulledOutClosesItsPortAndTheWindowGoesOn) {
    StartWithScanner(true);
    ASSERT_TRUE(Port()->Active());
    ASSERT_TRUE(scanner.Send("12")); // half a code when the cable goes
    scanner.CloseMaster();
    ASSERT_TRUE(WaitFor([&] { return !Find<QCheckBox>("CheckBox5")->isChecked(); }));
    EXPECT_FALSE(Port()->Active());
    EXPECT_EQ(Number()->value(), 0);
    EXPECT_TRUE(boxes.empty());

    // Plugged in again (a new device for COM8) and switched on: the half code is gone.
    PtyPair again;
    ASSERT_TRUE(again.Ok());
    qputenv("ORMIX_PORTS", qgetenv("ORMIX_PORTS") + ";COM8=" + again.slavePath.toUtf8());
    OpenPortList();
    ClickCheckBox5();
    ASSERT_TRUE(Port()->Active());
    ASSERT_TRUE(again.Send("3456\r"));
    ASSERT_TRUE(WaitFor([&] { return Number()->value() != 0; }));
    EXPECT_EQ(Number()->value(), 3456);
    Connect(); // the meter is read as before
}

TEST_F(ScannerTest, NoScanerHidesThePanelAndNeverOpensThePort) {
    Settings()->setValue("NoScaner", 1);
    StartWithScanner(true);
    EXPECT_FALSE(Find<QAction>("Panel5Action")->isVisible());
    EXPECT_FALSE(Port()->Active());
    EXPECT_TRUE(scanner.Receive(1, 300).isEmpty());
}

} // namespace
