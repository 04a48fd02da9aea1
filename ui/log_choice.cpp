#include "ui/log_choice.h"

#include "records/local_log.h"
#include "records/production_operation_log.h"

namespace ormix::ui {

ChosenLog ChooseLog(bool sqlMode) {
    ChosenLog chosen;
    if (!sqlMode) {
        chosen.log = std::make_unique<records::LocalLog>();
        return chosen;
    }
    chosen.production = std::make_unique<records::ProductionDatabase>(
        records::ConnectionSettings::FromConfiguration());
    chosen.log = std::make_unique<records::ProductionOperationLog>(chosen.production->Log());
    return chosen;
}

} // namespace ormix::ui
