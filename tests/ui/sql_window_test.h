#pragma once
// SQL mode on the embedded production database the workstation uses by default, in a
// temporary folder: the window as it ships, its database reachable by the test as an
// administrator would reach it.
#include "link/error_report.h"
#include "records/production_log.h"
#include "records/sql_schema.h"
#include "ui/tag.h"
#include "ui_test_util.h"
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeEdit>

namespace sql_window {

inline constexpr int kType = 6; // firmware 6.2 of the emulator
inline constexpr int kCycle6 = 10;

using namespace ormix::records;

class SqlWindowTest : public WindowTest {
public:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(data.isValid());
        qputenv("XDG_DATA_HOME", data.path().toUtf8()); // the file of unsent operations
        settings.database = data.filePath("electrometer.sqlite");
        UseDatabase(settings);
        Settings()->setValue("Sql", 1);
        Settings()->setValue("Master", 1); // the clock is written, the number editable
        admin = std::make_unique<ProductionConnection>(settings, "test-admin");
        QString error;
        ASSERT_TRUE(admin->Open(&error)) << error.toStdString();
    }
    void TearDown() override {
        WindowTest::TearDown();
        admin.reset();
        qunsetenv("XDG_DATA_HOME");
    }
    static void UseDatabase(const ConnectionSettings &s) {
        auto store = Settings();
        store->beginGroup("Electrometer");
        store->setValue("Driver", s.driver);
        store->setValue("Database", s.database);
        store->setValue("Host", s.host);
        store->setValue("Port", s.port);
        store->setValue("User", s.user);
        store->endGroup();
    }
    // This computer and operator described, and the meters `from`..`to`.
    void Describe(qint64 from, qint64 to) {
        QString error;
        ASSERT_TRUE(DescribeWorkstation(*admin, "TESTPC", "operator", &error))
            << error.toStdString();
        if (from > 0) {
            ASSERT_TRUE(DescribeMeters(*admin, from, to, kType, &error).has_value());
        }
    }
    QVariant Scalar(const QString &sql) const {
        QSqlQuery q(admin->Database());
        if (!q.exec(sql) || !q.next()) return QString("failed: " + q.lastError().text());
        return q.value(0);
    }
    void Exec(const QString &sql) const {
        QSqlQuery q(admin->Database());
        ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << sql.toStdString();
    }
    int Operations() const { return Scalar("SELECT COUNT(*) FROM operation").toInt(); }
    int ElectroId(qint64 number) const {
        return Scalar(QString("SELECT electro_id FROM electrometer WHERE number = %1").arg(number))
            .toInt();
    }
    // A programming operation logged earlier for `number` whose clock was set at `at`.
    void LoggedBefore(qint64 number, const QString &settingsColumns, const QString &values) {
        Exec(QString("INSERT INTO operation(type_id,electro_id,plant_id,person_id,success) "
                     "VALUES(3,%1,1,1,1)")
                 .arg(ElectroId(number)));
        const int op = Scalar("SELECT MAX(operation_id) FROM operation").toInt();
        Exec(QString("INSERT INTO set_tariff_3(operation_id%1) VALUES(%2%3)")
                 .arg(settingsColumns)
                 .arg(op)
                 .arg(values));
    }

    void PressF12() {
        QApplication::setActiveWindow(form.get());
        QTest::keyClick(form.get(), Qt::Key_F12);
    }
    void ConnectAndRead() {
        Connect();
        ASSERT_TRUE(WaitFor([&] { return Find<QAction>("ActionSetting")->isEnabled(); }));
        ASSERT_TRUE(WaitCycles(1, kCycle6));
    }
    // The settings write has ended: the indicator went green.
    bool WaitForWriteEnd() {
        return WaitFor([&] { return Find<QAction>("Shape1Action")->isVisible(); });
    }
    QString Panel1() const { return Find<QLabel>("StatusBar1Panel1")->text(); }
    QString Protocol() const { return Find<QPlainTextEdit>("Memo_Terminal")->toPlainText(); }
    std::vector<SeenBox> Reports() const {
        std::vector<SeenBox> r;
        for (const SeenBox &b : boxes)
            if (b.title == "report") r.push_back(b);
        return r;
    }
    void CatchReports() {
        ormix::link::SetErrorReportHandler([this](const QString &m) {
            boxes.push_back({"report", m});
        });
    }

    QTemporaryDir data;
    ConnectionSettings settings;
    std::unique_ptr<ProductionConnection> admin;
};

} // namespace sql_window
