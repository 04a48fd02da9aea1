#pragma once
// The defect dialog's record: the meter's programming operation of the server's day
// marked failed (or a failed one created), and a defect row pointing at it. One
// transaction, so a failure never leaves an operation marked failed without its defect.
#include "records/production_log.h"

namespace ormix::records {

// The code as it is stored: without leading and trailing blanks and control characters.
// Empty: nothing to register (the button stays disabled).
QString DefectCode(const QString &typed);

// The width of spoilage.code in every schema (records/schema/): a longer code is refused
// before anything is written, instead of being cut or failing half-way.
constexpr int kDefectCodeMaxLength = 64;
// Why a code (as DefectCode gives it) cannot be stored; empty when it can.
QString DefectCodeRefusal(const QString &code);

// A defect code already registered and how many defect rows carry it.
struct UsedDefectCode {
    QString code;
    int times = 0;
};
// The reference list of the defect dialog: every code in spoilage, most frequent first
// (equal counts by code), so the usual ones are at hand.
Answer<QList<UsedDefectCode>> UsedDefectCodes(ProductionConnection &connection);

// BitBtn1Click: returns the operation the defect row points at. `who` gives the
// operator and the installation (PersonId, PlantId).
Answer<int> RegisterDefect(ProductionConnection &connection, const Workstation &who, int electroId,
                           const QString &typedCode);

} // namespace ormix::records
