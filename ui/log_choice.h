#pragma once
// The log of this workstation, chosen once at start-up by SqlMode.
#include "records/operation_log.h"
#include "records/production_database.h"

#include <memory>

namespace ormix::ui {

struct ChosenLog {
    std::unique_ptr<records::ProductionDatabase> production; // SQL mode only
    std::unique_ptr<records::OperationLog> log;              // uses `production`
};

// Local mode: Setting.DBF in the working directory. SQL mode: the production database
// configured in [Electrometer] (the embedded file by default), opened on first use.
ChosenLog ChooseLog(bool sqlMode);

} // namespace ormix::ui
