#pragma once
// The local settings log: what a completed write leaves in Setting.DBF, and the
// queries of the main window over it. Every call opens the table, works and closes it.
#include "records/setting_table.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

// What the window shows at the end of a write, read before the page is cleared.
struct LocalLogInput {
    qint64 factoryNumber = 0;      // SpinEdit_Number
    QString versionText;           // LabeledVersion
    QString operatingTimeText;     // EditOff (raw on-time counter)
    int lastStatus = 0;            // LastStatus
    QString correctionCountText;   // LabeledNCorrect
    QString billingReadingText[3]; // LabeledTariff1..3
    QString currentReadingText[3]; // EditTariff1..3

    bool statusReset = false; // CheckStatus

    bool timeTicked = false; // CheckTime
    QDate clockDate;         // DatePicker
    QTime clockTime;         // TimePicker
    bool summerTime = false; // CheckBoxClock

    bool correctionTicked = false; // CheckCorrect
    int correction = 0;            // SpinClock

    bool passwordTicked = false; // CheckPassword
    QString newPasswordText;     // LabeledPass1

    bool indicatorTicked = false; // CheckIndi
    int indicatorMask = 0;        // CheckBox1..4 as bits 0..3

    bool vdmTicked = false;  // CheckVDM
    bool vdmEnabled = false; // CheckVDM enabled
    qint64 vdm = 0;          // SpinEditVDM

    bool scheduleTicked = false; // CheckShedule
    int firmwareMajor = 0;       // FirmwareMajor
    int billingDay = 0;          // SpinDay
    int billingHour = 0;         // SpinHour

    QDate today;
    QTime now;
};

// The row LogLocalRecord inserts, with NULL wherever the write did not touch a field.
// Numbers are read with the current locale's decimal separator.
SettingRow MakeLocalLogRow(const LocalLogInput &in);

template <typename T> struct LogResult {
    T value{};
    QString error; // the reason in the system's words; empty on success
    bool ok() const { return error.isEmpty(); }
};

namespace ormix::records {
// The result of an insert. On failure it says whether the row may be in the table all the
// same (the disk did not confirm it and it could not be taken back); otherwise the row is
// certainly not there, and keeping it elsewhere to be appended later loses and doubles
// nothing.
struct InsertResult : LogResult<bool> {
    bool mayBeInTable = false;
};
} // namespace ormix::records

struct LogPrefill {
    std::optional<quint16> pass;  // nearest integer, low 16 bits
    std::optional<int> indicator; // nearest integer
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
    ormix::records::InsertResult QueryInsert(const SettingRow &row) const;

    // The read queries see a missing table as an empty one.
    LogResult<std::optional<double>> QueryMax() const;    // MAX(c_number); NULL when empty
    LogResult<std::optional<QDate>> QueryMaxDate() const; // MAX(date_rec)
    LogResult<QList<SettingRow>> QuerySelect(const QDate &dateRec) const; // table order

    // "+": the largest factory number, to the nearest integer, plus 1 (1 on an empty table).
    LogResult<qint64> NextFactoryNumber() const;
    // Start-up: the first row, in table order, of the newest date_rec. Empty when none.
    LogResult<LogPrefill> LastLoggedPrefill() const;

    // Table1: the record numbers (0-based) passing the filter, in table order.
    LogResult<QList<qint64>> Table1(const LogFilter &filter) const;

private:
    QString TablePath() const; // the existing file whatever the case of its name

    QString path_;
    int lockWaitMs_;
};

// LogLocalRecord: the row of `in` inserted into `log`.
ormix::records::InsertResult LogLocalRecord(const SettingLog &log, const LocalLogInput &in);

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
