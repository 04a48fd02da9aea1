#pragma once
// The local settings log: what a completed write leaves in Setting.DBF, and the
// queries of the main window over it. Every call opens the table, works and closes it.
#include "meter/meter_shown.h"
#include "meter/write_choices.h"
#include "records/answer.h"
#include "records/log_prefill.h"
#include "records/setting_table.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

namespace ormix::records {

// The row a completed write leaves, with NULL wherever the write did not touch a field.
// The readings are read with the current locale's decimal separator.
SettingRow MakeLocalLogRow(const meter::MeterShown &meter, const meter::WriteChoices &choices);

// The result of an insert. On failure it says whether the row may be in the table all the
// same (the disk did not confirm it and it could not be taken back); otherwise the row is
// certainly not there, and keeping it elsewhere to be appended later loses and doubles
// nothing.
struct InsertResult : Answer<bool> {
    bool mayBeInTable = false;
};

class SettingLog {
public:
    // `path` is the table file; by default Setting.DBF in the working directory. An insert
    // waits up to `lockWaitMs` for a table another program has locked.
    explicit SettingLog(QString path = DefaultPath(), int lockWaitMs = DbfFile::kLockWaitMs);
    static QString DefaultPath();
    const QString &Path() const { return path_; }

    // Appends one row, creating the table when there is none; flushed to disk before
    // returning. An existing table may order its fields differently or use other widths.
    // A table with a production index (.MDX) beside it is refused: appending without
    // maintaining that index would leave it stale for the programs that rely on it.
    InsertResult QueryInsert(const SettingRow &row) const;

    // The read queries see a missing table as an empty one.
    Answer<std::optional<double>> QueryMax() const;    // MAX(c_number); NULL when empty
    Answer<std::optional<QDate>> QueryMaxDate() const; // MAX(date_rec)
    Answer<QList<SettingRow>> QuerySelect(const QDate &dateRec) const; // table order

    // "+": the largest factory number, to the nearest integer, plus 1 (1 on an empty table).
    Answer<qint64> NextFactoryNumber() const;
    // Start-up: the first row, in table order, of the newest date_rec. Empty when none.
    Answer<LogPrefill> LastLoggedPrefill() const;

    // Table1: the record numbers (0-based) passing the filter, in table order.
    Answer<QList<qint64>> Table1(const LogFilter &filter) const;

private:
    QString TablePath() const; // the existing file whatever the case of its name

    QString path_;
    int lockWaitMs_;
};

// A whole-table reader used by the browse model and the queries: maps the table's
// own field order onto SettingField.
class SettingTableReader {
public:
    // A missing file opens as an empty table; a bad one fails with the reason.
    bool Open(const QString &path, QString *error);
    void Close() { file_.Close(); }
    DbfFile &File() { return file_; }
    const DbfFile &File() const { return file_; }
    qint64 RecordCount() const { return file_.RecordCount(); }
    // -1 when the table has no such field (its values read as NULL).
    int Column(SettingField f) const { return columns_[static_cast<int>(f)]; }
    QVariant Value(const char *record, SettingField f) const;
    SettingRow Row(const char *record) const;

private:
    DbfFile file_;
    std::array<int, kSettingFieldCount> columns_{};
};

// Table1's rows of an open table: record numbers passing the filter, in table order.
// An error while reading sets `error` and returns the rows found before it.
QList<qint64> FilterRecords(SettingTableReader &reader, const LogFilter &filter, QString *error);

} // namespace ormix::records
