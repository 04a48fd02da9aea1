#pragma once
// The version of this build: the project's version and, when built from a git checkout,
// the commit ("1.16.0 (git 1a2b3c4)", "-dirty" when the tree had changes).
#include <QString>

namespace ormix::ui {
QString BuildVersion();
}
