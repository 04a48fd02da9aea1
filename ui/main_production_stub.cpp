// Stands in until the window opens the production database at start-up.
#include "ui/main.h"

namespace ormix::ui {

records::ProductionLog *TFormMain::ProductionDatabase() {
    return nullptr;
}

} // namespace ormix::ui
