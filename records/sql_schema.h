#pragma once
// The production schema per engine (scripts shipped as resources) and the few rows an
// administrator describes before a workstation can log: computer, operator,
// installation, meters.
#include "records/sql_connection.h"

#include <QString>
#include <optional>

namespace ormix::records {

// The script of `dialect`: the tables, keys and indexes the production queries need.
QString SchemaScript(SqlDialect dialect);
// The workstations' own table of operation keys: the end of each script, and created on
// its own in a database made before it.
QString OperationKeyTableDdl();

// Creates the schema on an empty database; refuses one that already has tables.
bool CreateSchema(ProductionConnection &connection, QString *error);

struct DescribedWorkstation {
    int computerId = 0;
    int personId = 0;
    int plantId = 0;
};

// Makes `computerName` (up to 16 characters) a described computer with a programming
// installation, and `login` an active operator. What exists already is kept (an
// inactive operator is made active).
std::optional<DescribedWorkstation> DescribeWorkstation(ProductionConnection &connection,
                                                        const QString &computerName,
                                                        const QString &login, QString *error);

// Describes the meters `from` to `to` of model `typeId`, all in one transaction; numbers
// described before are left alone. Returns how many were added.
std::optional<qint64> DescribeMeters(ProductionConnection &connection, qint64 from, qint64 to,
                                     int typeId, QString *error);

} // namespace ormix::records
