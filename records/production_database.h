#pragma once
// What a workstation in SQL mode keeps for its whole run: one connection, one file of
// unsent operations, one clock following the server and the production log over them,
// all on the thread that made them (the window's, or the command line's).
#include "records/production_log.h"
#include "records/server_clock.h"
#include "records/sql_connection.h"
#include "records/unsent_rows.h"

namespace ormix::records {

class ProductionDatabase {
public:
    explicit ProductionDatabase(ConnectionSettings settings,
                                const QString &unsentPath = DefaultUnsentOperationsPath());
    ProductionDatabase(const ProductionDatabase &) = delete;
    ProductionDatabase &operator=(const ProductionDatabase &) = delete;

    ProductionLog &Log() { return log_; }
    ProductionConnection &Connection() { return connection_; }

private:
    ProductionConnection connection_;
    UnsentRows unsent_;
    ServerClock clock_;
    ProductionLog log_;
};

} // namespace ormix::records
