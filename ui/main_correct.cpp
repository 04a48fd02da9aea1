// The clock-correction calculator of master mode.
#include "meter/correction_calculator.h"
#include "ui/main.h"
#include "ui/tag.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>

using namespace ormix::link;
using namespace ormix::meter;
using namespace ormix::records;

namespace ormix::ui {

void TFormMain::EditCorrectChange() {
    ActionCountCorrect->setEnabled(CorrectionInput(EditCorrect->text()).has_value());
}

void TFormMain::ActionCountCorrectExecute() {
    const auto x = CorrectionInput(EditCorrect->text());
    if (!x || GroupBox3->isHidden()) return;
    // Setting the value marks SpinClock: the next correction reply leaves it alone.
    SpinClock->setValue(ComputeCorrection(*x).correction);
    SetTag(SpinClock, 1); // also when the value did not change
}

void TFormMain::ActionFocusCorrectExecute() {
    if (GroupBox3->isHidden()) return; // operator mode
    // F8 works from any page: the calculator's page comes to the front first.
    PageControl1->setCurrentWidget(TabSheet1);
    EditCorrect->setFocus();
}

} // namespace ormix::ui
