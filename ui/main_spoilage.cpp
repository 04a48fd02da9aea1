// "&Брак" (F4): the defect dialog for the meter whose factory number the window shows.
#include "records/production_record.h"
#include "ui/main.h"
#include "ui/pages/settings_page.h"
#include "ui/spoilage_dialog.h"

namespace ormix::ui {

void TFormMain::ActionSpoilageExecute() {
    auto *dialog = qobject_cast<TFormSpoilage *>(FormSpoilage);
    if (!dialog) return;
    records::Workstation who;
    who.computerId = shared.ComputerId;
    who.personId = shared.PersonId;
    who.plantId = shared.PlantId;
    dialog->OpenFor(ProductionDatabase(), TabSheet1->MeterShownNow().factoryNumber,
                    shared.MeterTypeId, who);
}

} // namespace ormix::ui
