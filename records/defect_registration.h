#pragma once
// The defect dialog's record: the meter's programming operation of the server's day
// marked failed (or a failed one created), and a defect row pointing at it. One
// transaction, so a failure never leaves an operation marked failed without its defect.
#include "records/production_log.h"

namespace ormix::records {

// The code as it is stored: without leading and trailing blanks and control characters.
// Empty: nothing to register (the button stays disabled).
QString DefectCode(const QString &typed);

// BitBtn1Click: returns the operation the defect row points at. `who` gives the
// operator and the installation (PersonId, PlantId).
Answer<int> RegisterDefect(ProductionConnection &connection, const Workstation &who, int electroId,
                           const QString &typedCode);

} // namespace ormix::records
