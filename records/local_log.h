#pragma once
// The log of a stand-alone workstation: one row of Setting.DBF per completed write, "+" from
// its largest factory number, the start-up pre-fill from its newest row. It identifies
// nobody, sets no clock and keeps no clock history.
#include "records/operation_log.h"
#include "records/setting_log.h"

namespace ormix::records {

class LocalLog final : public OperationLog {
public:
    explicit LocalLog(QString tablePath = SettingLog::DefaultPath());
    const SettingLog &Table() const { return table_; }

    LogReport LogCompletedWrite(const meter::MeterShown &meter,
                                const meter::WriteChoices &choices) override;
    Answer<std::optional<qint64>> NextFactoryNumber(int meterTypeId) override;
    Answer<LogPrefill> Prefill() override;
    IdentityReport Identify(const QString &computerName, const QString &loginName) override;
    Answer<bool> SyncClock() override;
    Answer<std::optional<QDateTime>> LastClockSet(qint64 number, int meterTypeId) override;
    LogReport FixInDatabase(const meter::MeterShown &meter, const QDateTime &at) override;

private:
    SettingLog table_;
};

} // namespace ormix::records
