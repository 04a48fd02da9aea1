#include "ui/build_version.h"

// Written by cmake/BuildVersion.cmake at every build, changed only when the text changes.
#include "build_version_text.h"

namespace ormix::ui {
QString BuildVersion() {
    return QString::fromUtf8(ORMIX_BUILD_VERSION);
}
} // namespace ormix::ui
