#pragma once
// A small dBase III table codec: header and field descriptors, record reads by number,
// appends that never rewrite existing records. Written here rather than on shapelib
// because the log needs what that library does not give: an fsync per insert, advisory
// locks, dates and blank (NULL) values written and read faithfully, a refused value
// instead of a cut one, and a damaged file reported rather than patched on close.
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace ormix::records {

// Kinds of values; a field's dBase type letter decides how a value is stored.
struct DbfField {
    QByteArray name; // upper case, as stored
    char type = 'C'; // C, N, F, D, L (others are carried but read as text)
    int width = 0;
    int decimals = 0;
    int offset = 0; // within a record, after the deletion flag
};

class DbfFile {
public:
    enum class Mode { Read, Append };

    DbfFile() = default;
    ~DbfFile();
    DbfFile(const DbfFile &) = delete;
    DbfFile &operator=(const DbfFile &) = delete;

    // How long Open in append mode waits for a table another program has locked: longer
    // than any insert takes, short enough for an operator waiting on the result.
    static constexpr int kLockWaitMs = 5000;

    // Creates a new, empty table; an existing one is never replaced (that is no failure).
    // The table appears complete or not at all, and under its own name only.
    static bool Create(const QString &path, const QList<DbfField> &fields, QString *error);

    // Opens and checks the header against the file size. Append mode takes an exclusive
    // advisory lock (flock and an open-file-description fcntl lock) held until Close,
    // waiting up to `lockWaitMs` while another program holds one, and then removes what a
    // crash of an earlier Create left beside the table.
    bool Open(const QString &path, Mode mode, QString *error, int lockWaitMs = kLockWaitMs);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    const QString &Path() const { return path_; }
    const QList<DbfField> &Fields() const { return fields_; }
    int FieldIndex(QByteArrayView name) const; // -1 when absent; case-insensitive
    qint64 RecordCount() const { return count_; }
    int RecordLength() const { return recordLength_; }
    qint64 HeaderLength() const { return headerLength_; }
    // Header byte 28: the table claims a production index (.MDX) that dBase IV keeps.
    bool HasProductionIndexFlag() const { return mdxFlag_; }

    // Reads `n` whole records starting at `first` into `out` (n * RecordLength bytes).
    bool ReadRecords(qint64 first, qint64 n, QByteArray *out, QString *error) const;
    static bool IsDeleted(const char *record) { return record[0] == '*'; }

    // A field of a raw record as a value: NULL (invalid QVariant) for a blank field,
    // double for N/F, QDate for D, bool for L, QString otherwise (right blanks trimmed).
    QVariant Value(const char *record, int field) const;
    // A numeric (N or F) field without the detour through QVariant; nullopt when blank.
    std::optional<double> Number(const char *record, int field) const;

    // Stores `value` into a raw record (RecordLength bytes); an invalid QVariant stores
    // a blank. Fails with a message, leaving the bytes of that field undefined, when
    // the value does not fit the field.
    bool SetValue(char *record, int field, const QVariant &value, QString *error) const;
    QByteArray BlankRecord() const;

    // Appends whole records after the last one, then updates the header's count and
    // date, with data and header each flushed to the disk before returning. A bulk
    // load may pass sync = false for every batch and call Sync once at the end.
    // A failure leaves the file as it was, and the records are certainly not in the
    // table, unless `*uncertain` is set: the disk did not confirm the new count and it
    // could not be taken back either, so the records may be in the table.
    bool Append(const QList<QByteArray> &records, QString *error, bool sync = true,
                bool *uncertain = nullptr);
    bool Sync(QString *error);

    // Code page of the table's texts, from the language driver byte (cp866 or cp1251).
    QString DecodeText(QByteArrayView bytes) const;
    QByteArray EncodeText(const QString &text) const;

private:
    bool ReadHeader(QString *error);
    bool TakeBack(qint64 offset, qint64 oldSize, const QByteArray &overwritten);
    void RemoveLeftoverTemporaries() const;

    int fd_ = -1;
    Mode mode_ = Mode::Read;
    QString path_;
    QList<DbfField> fields_;
    qint64 count_ = 0;
    qint64 headerLength_ = 0;
    int recordLength_ = 0;
    bool mdxFlag_ = false;
    bool cp866_ = false;
};

// "Setting.DBF" in `dir`, matched regardless of case when a file of that name exists
// under another case (a table copied from Windows); otherwise the name as given.
QString ResolveTablePath(const QString &dir, const QString &fileName);

} // namespace ormix::records
