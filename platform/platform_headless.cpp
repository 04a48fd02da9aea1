// Builds without widgets (sanitizer runs of the lower layers): no desktop to ask.
#include "platform/platform.h"

namespace ormix::platform {

bool Platform::OpenLink(const QUrl &) {
    return false;
}

void Platform::Beep() {}

} // namespace ormix::platform
