// The defect dialog driven like an operator, on each engine: the embedded file, and the
// PostgreSQL server of scripts/test through QPSQL and through unixODBC.
#include "records/defect_registration.h"
#include "records_test_util.h"
#include "sql_test_util.h"
#include "ui/spoilage_dialog.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

namespace {

using namespace ormix::records::test;
using ormix::ui::TFormSpoilage;
using R = LogOutcome::Result;

constexpr int kType = 6;

struct SeenBox {
    QString title, text;
};

class SpoilageDialogTest : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        ORMIX_REQUIRE_ENGINE(GetParam());
        db_ = std::make_unique<TestDatabase>(GetParam());
        DescribedWorkstation described;
        ASSERT_NO_FATAL_FAILURE(OpenDescribed(*db_, conn_, 2000, kType, &described));
        unsent_ = std::make_unique<UnsentRows>(db_->Dir() + "/unsent.jsonl");
        log_ = std::make_unique<ProductionLog>(*conn_, *unsent_, clock_);
        ASSERT_EQ(log_->Identify("WS-01", "ivanov").result, Identification::Result::Identified);
        who_ = log_->Identity();

        // Message boxes run their own loop: record and close each one as it appears.
        boxCatcher_.setInterval(20);
        QObject::connect(&boxCatcher_, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes_.push_back({box->windowTitle(), box->text()});
                box->done(QMessageBox::Ok);
            }
        });
        boxCatcher_.start();
    }

    LogOutcome Log(qint64 number) {
        WriteChoices c;
        c.firmwareMajor = 6;
        c.writtenAt = QDateTime::currentDateTime();
        return log_->LogProductionRecord(TypicalMeter(number), c);
    }
    qint64 Count(const QString &table) {
        return Scalar(*conn_, "SELECT COUNT(*) FROM " + table).toLongLong();
    }
    int ElectroId(qint64 number) {
        return Scalar(*conn_,
                      QString("SELECT electro_id FROM electrometer WHERE number = %1").arg(number))
            .toInt();
    }

    // Opens the dialog for `number` as "&Брак" does and runs `operate` while it is shown;
    // the dialog is closed afterwards. False when it was not shown.
    bool Operate(qint64 number, const std::function<void()> &operate) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = QTest::qWaitFor([&] { return dialog_.isVisible(); }, 5000);
            if (shown) operate();
            dialog_.reject();
        });
        dialog_.OpenFor(log_.get(), number, kType, who_);
        return shown;
    }
    template <class W> W *Find(const char *name) { return dialog_.findChild<W *>(name); }
    void TypeCode(const QString &code) {
        auto *edit = Find<QLineEdit>("LabeledEdit2");
        edit->clear();
        QTest::keyClicks(edit, code);
    }
    bool ButtonEnabled() { return Find<QPushButton>("BitBtn1")->isEnabled(); }
    void ClickButton() { QTest::mouseClick(Find<QPushButton>("BitBtn1"), Qt::LeftButton); }
    QStringList UsedCodesShown() {
        QStringList shown;
        auto *list = Find<QTreeWidget>("WebBrowser1");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            shown << list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(1);
        return shown;
    }

    LocaleScope locale_{QLocale(QLocale::Russian, QLocale::Russia)};
    FakePlatform platform_;
    ServerClock clock_;
    std::unique_ptr<TestDatabase> db_;
    std::unique_ptr<ProductionConnection> conn_;
    std::unique_ptr<UnsentRows> unsent_;
    std::unique_ptr<ProductionLog> log_;
    Workstation who_;
    TFormSpoilage dialog_;
    QTimer boxCatcher_;
    std::vector<SeenBox> boxes_;
};

TEST_P(SpoilageDialogTest, AMeterProgrammedTodayHasItsOperationMarkedFailed) {
    ASSERT_EQ(Log(2001).result, R::Logged);
    const int operation = Scalar(*conn_, "SELECT MAX(operation_id) FROM operation").toInt();

    EXPECT_TRUE(Operate(2001, [&] {
        EXPECT_EQ(dialog_.windowTitle(), "Классификатор брака");
        EXPECT_EQ(Find<QLineEdit>("LabeledEdit1")->text(), "2001");
        EXPECT_TRUE(Find<QLineEdit>("LabeledEdit2")->text().isEmpty());
        EXPECT_FALSE(ButtonEnabled());
        EXPECT_TRUE(UsedCodesShown().isEmpty()); // no defects yet: the area stays blank
        TypeCode("   ");
        EXPECT_FALSE(ButtonEnabled());
        TypeCode("  K-12 ");
        EXPECT_TRUE(ButtonEnabled());
        ClickButton();
        EXPECT_FALSE(ButtonEnabled());
        EXPECT_EQ(UsedCodesShown(), QStringList{"K-12 1"});
        // A second code for the same operation.
        TypeCode("K-13");
        EXPECT_TRUE(ButtonEnabled());
        ClickButton();
        EXPECT_FALSE(ButtonEnabled());
    }));
    EXPECT_TRUE(boxes_.empty()) << boxes_.front().text.toStdString();
    EXPECT_EQ(Count("operation"), 1);
    EXPECT_FALSE(
        Scalar(*conn_,
               QString("SELECT success FROM operation WHERE operation_id = %1").arg(operation))
            .toBool());
    QSqlQuery rows(conn_->Database());
    ASSERT_TRUE(rows.exec("SELECT code, operation_id, person_id, type_id FROM spoilage "
                          "ORDER BY spoilage_id"));
    for (const char *code : {"K-12", "K-13"}) {
        ASSERT_TRUE(rows.next());
        EXPECT_EQ(rows.value(0).toString(), code);
        EXPECT_EQ(rows.value(1).toInt(), operation);
        EXPECT_EQ(rows.value(2).toInt(), who_.personId);
        EXPECT_EQ(rows.value(3).toInt(), 1);
    }

    // Under repair now: the next write of the meter is not logged.
    const LogOutcome next = Log(2001);
    EXPECT_EQ(next.result, R::InRepair);
    EXPECT_EQ(next.text, "Прибор в ремонте.");

    // Shown again: an empty code, the button disabled.
    EXPECT_TRUE(Operate(2001, [&] {
        EXPECT_TRUE(Find<QLineEdit>("LabeledEdit2")->text().isEmpty());
        EXPECT_FALSE(ButtonEnabled());
    }));
}

TEST_P(SpoilageDialogTest, AMeterNotProgrammedTodayGetsANewFailedOperation) {
    // 2002 was programmed yesterday; 2003 has a defect, which fills the reference list.
    ASSERT_EQ(Log(2002).result, R::Logged);
    QSqlQuery back(conn_->Database());
    ASSERT_TRUE(back.prepare("UPDATE operation SET date_operation = :d"));
    back.bindValue(":d", QDateTime::currentDateTime().addDays(-1));
    ASSERT_TRUE(back.exec()) << back.lastError().text().toStdString();
    Exec(*conn_, QString("INSERT INTO spoilage(type_id,electro_id,code) VALUES(1,%1,'Z9')")
                     .arg(ElectroId(2003)));

    for (const qint64 number : {2002, 2004}) { // programmed before, never programmed
        const qint64 before = Count("operation");
        EXPECT_TRUE(Operate(number, [&] {
            ASSERT_TRUE(UsedCodesShown().value(0).startsWith("Z9 "));
            auto *list = Find<QTreeWidget>("WebBrowser1");
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(0)).center());
            EXPECT_EQ(Find<QLineEdit>("LabeledEdit2")->text(), "Z9");
            ASSERT_TRUE(ButtonEnabled());
            ClickButton();
        }));
        EXPECT_EQ(Count("operation"), before + 1) << number;
        QSqlQuery op(conn_->Database());
        ASSERT_TRUE(op.exec("SELECT o.type_id, o.success, o.plant_id, o.person_id, o.electro_id "
                            "FROM spoilage s JOIN operation o ON o.operation_id = s.operation_id "
                            "ORDER BY s.spoilage_id DESC"));
        ASSERT_TRUE(op.next());
        EXPECT_EQ(op.value(0).toInt(), 3);
        EXPECT_FALSE(op.value(1).toBool());
        EXPECT_EQ(op.value(2).toInt(), who_.plantId);
        EXPECT_EQ(op.value(3).toInt(), who_.personId);
        EXPECT_EQ(op.value(4).toInt(), ElectroId(number));
    }
    EXPECT_TRUE(boxes_.empty());
}

TEST_P(SpoilageDialogTest, RefusalsWriteNothingAndAFailureLeavesTheButtonToTryAgain) {
    // Not described: the message, and no dialog.
    EXPECT_FALSE(Operate(9999, [] {}));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, "Ошибка записи");
    EXPECT_EQ(boxes_[0].text, "Номер прибора не описан в БД. Установите его.");
    // No production database at all.
    boxes_.clear();
    dialog_.OpenFor(nullptr, 2001, kType, who_);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, "Ошибка записи");
    EXPECT_FALSE(dialog_.isVisible());

    ASSERT_EQ(Log(2005).result, R::Logged);
    boxes_.clear();
    EXPECT_TRUE(Operate(2005, [&] {
        // Wider than the column: refused before anything is written.
        TypeCode(QString(kDefectCodeMaxLength + 1, QChar(u'9')));
        ClickButton();
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].title, "Ошибка записи");
        EXPECT_TRUE(boxes_[0].text.contains("64")) << boxes_[0].text.toStdString();
        EXPECT_TRUE(ButtonEnabled());
        // The engine refuses the defect row: nothing of the registration stays.
        Exec(*conn_, "DROP TABLE spoilage");
        TypeCode("K-1");
        ClickButton();
        ASSERT_EQ(boxes_.size(), 2u);
        EXPECT_EQ(boxes_[1].title, "Ошибка БД");
        EXPECT_TRUE(boxes_[1].text.startsWith("Ошибка записи в БД: "));
        EXPECT_TRUE(ButtonEnabled());
    }));
    EXPECT_TRUE(Scalar(*conn_, "SELECT success FROM operation").toBool());
}

INSTANTIATE_TEST_SUITE_P(Engines, SpoilageDialogTest,
                         ::testing::Values("QSQLITE", "QPSQL", "QODBC"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
