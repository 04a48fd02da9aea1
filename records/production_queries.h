#pragma once
// The texts of the production queries, in SQL Server's dialect as the system has always
// sent them (each a list of lines joined by line breaks). ToDialect carries them to the
// engine in use.
#include <QString>

namespace ormix::records::queries {

// Identification of the workstation, the operator and the programming installation.
QString QueryComputer();
QString QueryPerson();
QString QueryPlant();
QString QueryTime();

// The checks and the operation of a completed write.
QString QueryCheckNumber();
QString QuerySpoilage();
// Ours: the codes already used, for the reference list.
QString QueryUsedCodes();
QString QueryDoubleNumber();
QString QueryOperation();
QString QueryIns();

// "+", the drift and the start-up pre-fill.
QString QueryMaxSql();
QString QueryDelta();
QString QueryMaxTarif();
QString QueryMaxIndi();
QString QueryOp();

// The defect dialog's own queries.
namespace defect {
QString QuerySelect();
QString QueryFail();
QString QueryInsert();
QString QuerySpoilage();
// Ours: the codes already used, for the reference list.
QString QueryUsedCodes();
} // namespace defect

// Ours: an operation kept while the server was away is sent later with the moment it
// was done, and each operation is recorded under the key the workstation gave it, in the
// same transaction, so that sending it again is recognised.
QString QueryOperationAt();
QString QueryFindKey();
QString QueryInsertKey();

} // namespace ormix::records::queries
