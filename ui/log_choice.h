#pragma once
// The log of this workstation, chosen once at start-up by SqlMode.
#include "records/operation_log.h"

#include <memory>

namespace ormix::ui {

// Local mode: Setting.DBF in the working directory. SQL mode: the production database.
std::unique_ptr<records::OperationLog> ChooseLog(bool sqlMode);

} // namespace ormix::ui
