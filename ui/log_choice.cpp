#include "ui/log_choice.h"

#include "records/local_log.h"

namespace ormix::ui {
namespace {

// SQL mode until the window opens the production database (records/production_log.h,
// behind records/production_operation_log.h): nothing is identified or logged, and no
// message says so, as the window has always behaved there.
class NoProductionLog final : public records::OperationLog {
public:
    records::LogReport LogCompletedWrite(const meter::MeterShown &,
                                         const meter::WriteChoices &) override {
        return {records::LogReport::Outcome::Failed, {}, {}, {}};
    }
    records::Answer<std::optional<qint64>> NextFactoryNumber(int) override { return {}; }
    records::Answer<records::LogPrefill> Prefill() override { return {}; }
    records::IdentityReport Identify(const QString &, const QString &) override { return {}; }
    records::Answer<bool> SyncClock() override { return {true, {}}; }
    records::Answer<std::optional<QDateTime>> LastClockSet(qint64, int) override { return {}; }
    records::LogReport FixInDatabase(const meter::MeterShown &, const QDateTime &) override {
        return {records::LogReport::Outcome::Refused, {}, {}, {}};
    }
};

} // namespace

std::unique_ptr<records::OperationLog> ChooseLog(bool sqlMode) {
    if (sqlMode) return std::make_unique<NoProductionLog>();
    return std::make_unique<records::LocalLog>();
}

} // namespace ormix::ui
