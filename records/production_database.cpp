#include "records/production_database.h"

namespace ormix::records {

ProductionDatabase::ProductionDatabase(ConnectionSettings settings, const QString &unsentPath)
    : connection_(std::move(settings)), unsent_(unsentPath), log_(connection_, unsent_, clock_) {}

} // namespace ormix::records
