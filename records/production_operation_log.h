#pragma once
// The production database of SQL mode behind the log interface: ProductionLog's answers
// turned into the boxes the window shows.
#include "records/operation_log.h"
#include "records/production_log.h"

namespace ormix::records {

class ProductionOperationLog final : public OperationLog {
public:
    explicit ProductionOperationLog(ProductionLog &log);

    LogReport LogCompletedWrite(const meter::MeterShown &meter,
                                const meter::WriteChoices &choices) override;
    Answer<std::optional<qint64>> NextFactoryNumber(int meterTypeId) override;
    Answer<LogPrefill> Prefill() override;
    IdentityReport Identify(const QString &computerName, const QString &loginName) override;
    Answer<bool> SyncClock() override;
    Answer<std::optional<QDateTime>> LastClockSet(qint64 number, int meterTypeId) override;
    LogReport FixInDatabase(const meter::MeterShown &meter, const QDateTime &at) override;
    QDateTime Now() const override;
    bool TakeClockNotice() override;
    QString ClockNotice() const override;
    int UnsentCount() const override;

private:
    ProductionLog &log_;
};

} // namespace ormix::records
