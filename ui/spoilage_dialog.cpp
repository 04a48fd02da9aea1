#include "ui/spoilage_dialog.h"

#include "link/error_report.h"
#include "records/defect_registration.h"
#include "ui/controls.h"
#include "ui/ui_log.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ormix::ui {

namespace {
const QString kTitleRefused = QStringLiteral("Ошибка записи");
}

TFormSpoilage::TFormSpoilage(QWidget *parent) : QDialog(parent) {
    setObjectName("FormSpoilage");
    setWindowTitle("Классификатор брака");

    WebBrowser1 = Named(new QTreeWidget(this), "WebBrowser1");
    WebBrowser1->setColumnCount(2);
    WebBrowser1->setHeaderLabels({"Код брака", "Раз"});
    WebBrowser1->setRootIsDecorated(false);
    WebBrowser1->setSortingEnabled(false);
    WebBrowser1->header()->setStretchLastSection(false);
    WebBrowser1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    WebBrowser1->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    WebBrowser1->setToolTip("Коды брака, записанные раньше; выберите, чтобы подставить");

    LabeledEdit1 = NewReadOnlyEdit(this, "LabeledEdit1");
    LabeledEdit2 = Named(new QLineEdit(this), "LabeledEdit2");
    BitBtn1 = Named(new QPushButton("Запись в БД", this), "BitBtn1");
    BitBtn1->setAutoDefault(false);

    auto *bottom = new QFormLayout;
    bottom->addRow("Счетчик №", LabeledEdit1);
    bottom->addRow("Код брака", LabeledEdit2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(WebBrowser1, 1);
    layout->addLayout(bottom);
    layout->addWidget(BitBtn1, 0, Qt::AlignRight);
    resize(420, 360);

    connect(LabeledEdit2, &QLineEdit::textChanged, this, &TFormSpoilage::LabeledEdit2Change);
    connect(LabeledEdit2, &QLineEdit::returnPressed, BitBtn1, &QPushButton::click);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormSpoilage::BitBtn1Click);
    connect(WebBrowser1, &QTreeWidget::itemClicked, this, &TFormSpoilage::UsedCodePicked);
    connect(WebBrowser1, &QTreeWidget::itemActivated, this, &TFormSpoilage::UsedCodePicked);
}

void TFormSpoilage::OpenFor(records::ProductionLog *database, qint64 factoryNumber, int meterTypeId,
                            const records::Workstation &workstation) {
    if (!database) {
        Refuse("Нет связи с производственной БД: брак записать нельзя.");
        return;
    }
    const auto found = database->CheckNumber(factoryNumber, meterTypeId);
    if (!found.ok()) {
        link::ReportApplicationError(found.error);
        return;
    }
    if (!found.value) {
        Refuse("Номер прибора не описан в БД. Установите его.");
        return;
    }
    connection = &database->Connection();
    who = workstation;
    ElectroId = *found.value;
    LabeledEdit1->setText(QString::number(factoryNumber));
    exec();
}

void TFormSpoilage::showEvent(QShowEvent *event) {
    FormActivate();
    QDialog::showEvent(event);
}

void TFormSpoilage::FormActivate() {
    LabeledEdit2->clear();
    BitBtn1->setEnabled(false);
    FillUsedCodes();
    LabeledEdit2->setFocus();
}

void TFormSpoilage::LabeledEdit2Change() {
    BitBtn1->setEnabled(!records::DefectCode(LabeledEdit2->text()).isEmpty());
}

void TFormSpoilage::BitBtn1Click() {
    if (!connection) return;
    const QString code = records::DefectCode(LabeledEdit2->text());
    if (const QString refusal = records::DefectCodeRefusal(code); !refusal.isEmpty()) {
        Refuse(refusal);
        return;
    }
    const auto registered = records::RegisterDefect(*connection, who, ElectroId, code);
    if (!registered.ok()) {
        // Rolled back as a whole; the button stays enabled to try again.
        QMessageBox::critical(this, records::kTitleDbError,
                              QStringLiteral("Ошибка записи в БД: ") + registered.error);
        return;
    }
    qCInfo(lcUi) << "defect" << code << "registered for operation" << registered.value;
    BitBtn1->setEnabled(false);
    FillUsedCodes();
}

// A reference only: when it cannot be read the list stays empty and the dialog works on.
void TFormSpoilage::FillUsedCodes() {
    WebBrowser1->clear();
    if (!connection) return;
    const auto used = records::UsedDefectCodes(*connection);
    if (!used.ok()) qCInfo(lcUi) << "defect codes not read:" << used.error;
    for (const records::UsedDefectCode &u : used.value)
        new QTreeWidgetItem(WebBrowser1, {u.code, QString::number(u.times)});
    WebBrowser1->header()->setVisible(WebBrowser1->topLevelItemCount() > 0);
}

void TFormSpoilage::UsedCodePicked(QTreeWidgetItem *item) {
    if (!item) return;
    LabeledEdit2->setText(item->text(0));
    LabeledEdit2->setFocus();
}

void TFormSpoilage::Refuse(const QString &text) {
    QMessageBox::critical(isVisible() ? static_cast<QWidget *>(this) : parentWidget(),
                          kTitleRefused, text);
}

} // namespace ormix::ui
