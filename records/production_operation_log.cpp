#include "records/production_operation_log.h"

namespace ormix::records {
namespace {

LogReport ReportOf(const LogOutcome &o) {
    using R = LogOutcome::Result;
    using O = LogReport::Outcome;
    LogReport r;
    switch (o.result) {
    case R::Logged:
        r.outcome = O::Logged;
        break;
    case R::Kept:
        r.outcome = O::Kept;
        break;
    case R::NotDescribed:
    case R::InRepair:
    case R::DuplicateNumber:
        r.outcome = O::Refused;
        break;
    case R::Failed:
    case R::NotKept:
        r.outcome = O::Failed;
        break;
    }
    r.title = o.title;
    r.text = o.text;
    r.keptRefusals = o.replayMessages;
    return r;
}

} // namespace

ProductionOperationLog::ProductionOperationLog(ProductionLog &log) : log_(log) {}

LogReport ProductionOperationLog::LogCompletedWrite(const meter::MeterShown &meter,
                                                    const meter::WriteChoices &choices) {
    return ReportOf(log_.LogProductionRecord(meter, choices));
}

Answer<std::optional<qint64>> ProductionOperationLog::NextFactoryNumber(int meterTypeId) {
    return log_.NextFactoryNumber(meterTypeId);
}

Answer<LogPrefill> ProductionOperationLog::Prefill() {
    return log_.Prefill();
}

IdentityReport ProductionOperationLog::Identify(const QString &computerName,
                                                const QString &loginName) {
    const Identification id = log_.Identify(computerName, loginName);
    return {id.EndsProgram(), id.title, id.text, id.replayMessages};
}

Answer<bool> ProductionOperationLog::SyncClock() {
    const ClockSync s = log_.Clock().Sync(log_.Connection());
    return {s.ok, s.error};
}

Answer<std::optional<QDateTime>> ProductionOperationLog::LastClockSet(qint64 number,
                                                                      int meterTypeId) {
    return log_.QueryDelta(number, meterTypeId);
}

LogReport ProductionOperationLog::FixInDatabase(const meter::MeterShown &meter,
                                                const QDateTime &at) {
    return ReportOf(log_.FixInDatabase(meter, at));
}

QDateTime ProductionOperationLog::Now() const {
    return log_.Clock().Now();
}

bool ProductionOperationLog::TakeClockNotice() {
    return log_.Clock().TakeNotSetNotice();
}

QString ProductionOperationLog::ClockNotice() const {
    return ServerClock::NotSetNotice();
}

int ProductionOperationLog::UnsentCount() const {
    return log_.UnsentCount().waiting;
}

} // namespace ormix::records
