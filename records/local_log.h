#pragma once
// The log of a stand-alone workstation: one row of Setting.DBF per completed write, "+" from
// its largest factory number, the start-up pre-fill from its newest row. It identifies
// nobody, sets no clock and keeps no clock history.
//
// A row the meter took but the table refuses (locked past the wait, disk full, read-only)
// is kept in a file of unsent rows beside the table (Setting.unsent) and appended, oldest
// first and each once, as soon as the table takes rows again: before the next write's row
// and at start-up.
#include "records/operation_log.h"
#include "records/setting_log.h"
#include "records/unsent_rows.h"

namespace ormix::records {

class LocalLog final : public OperationLog {
public:
    explicit LocalLog(QString tablePath = SettingLog::DefaultPath(),
                      int lockWaitMs = DbfFile::kLockWaitMs);
    const SettingLog &Table() const { return table_; }

    // The file of kept rows of the table at `tablePath`.
    static QString KeptRowsPath(const QString &tablePath);
    const QString &KeptPath() const { return kept_.Path(); }
    // Rows waiting for the table; 0 when the file cannot be read.
    int KeptCount() const;
    // Appends the kept rows the table takes now; the number appended, and why it stopped.
    Answer<int> AppendKept();

    LogReport LogCompletedWrite(const meter::MeterShown &meter,
                                const meter::WriteChoices &choices) override;
    Answer<std::optional<qint64>> NextFactoryNumber(int meterTypeId) override;
    Answer<LogPrefill> Prefill() override;
    IdentityReport Identify(const QString &computerName, const QString &loginName) override;
    Answer<bool> SyncClock() override;
    Answer<std::optional<QDateTime>> LastClockSet(qint64 number, int meterTypeId) override;
    LogReport FixInDatabase(const meter::MeterShown &meter, const QDateTime &at) override;
    int UnsentCount() const override { return KeptCount(); }

private:
    Delivery AppendOneKept(const UnsentRow &kept);
    bool ArrivedBefore(const UnsentRow &kept, const SettingRow &row) const;

    SettingLog table_;
    UnsentRows kept_;
    QString appendingPath_; // the kept row being appended and the table's count before it
};

} // namespace ormix::records
