#pragma once
// The reason a file operation failed, in the operator's words, whatever language the
// system's own messages are in.
#include <QString>

namespace ormix::records {

// The text for an errno value: the common causes in Russian, any other as the system
// describes it.
QString FileErrorReason(int err);

} // namespace ormix::records
