#pragma once
// TFormSpoilage "Классификатор брака": registers the meter shown in the main window as
// defective with a code the operator types or picks from the codes used before. The
// records themselves (one transaction) are records/defect_registration.
#include "records/production_log.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ormix::ui {

class TFormSpoilage : public QDialog {
    Q_OBJECT
public:
    explicit TFormSpoilage(QWidget *parent = nullptr);

    // ActionSpoilageExecute's part: looks the meter up (QueryCheckNumber) and shows the
    // dialog modally for it, or says why it cannot. `who` carries PersonId and PlantId;
    // `database` is nullptr when the production database could not be opened.
    void OpenFor(records::ProductionLog *database, qint64 factoryNumber, int meterTypeId,
                 const records::Workstation &who);

    // electro_id of the meter being registered.
    int ElectroId = 0;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormActivate();
    void LabeledEdit2Change();
    void BitBtn1Click();
    void FillUsedCodes();
    void UsedCodePicked(QTreeWidgetItem *item);
    void Refuse(const QString &text);

    records::ProductionConnection *connection = nullptr;
    records::Workstation who;

    QTreeWidget *WebBrowser1{}; // the reference area: the codes used before, with counts
    QLineEdit *LabeledEdit1{}, *LabeledEdit2{};
    QPushButton *BitBtn1{};
};

} // namespace ormix::ui
