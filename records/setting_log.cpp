#include "records/setting_log.h"

#include "records/number_text.h"
#include "records/records_log.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace ormix::records {

namespace {

using F = SettingField;

QString Native(const QString &path) {
    return QDir::toNativeSeparators(path);
}

bool Compatible(char want, char have) {
    if (want == 'N') return have == 'N' || have == 'F';
    return want == have;
}

// Date as yyyymmdd from the raw bytes of a D field, -1 when blank or not digits.
int RawDateKey(const char *p) {
    int key = 0;
    for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        key = key * 10 + (p[i] - '0');
    }
    return key;
}

// A number field, read directly when it is stored as one.
std::optional<double> NumberOf(const SettingTableReader &reader, const char *rec, F f) {
    const int col = reader.Column(f);
    if (col < 0) return std::nullopt;
    const DbfFile &file = reader.File();
    const char type = file.Fields()[col].type;
    if (type == 'N' || type == 'F') return file.Number(rec, col);
    bool ok = false;
    const double v = file.Value(rec, col).toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

int DateKey(const QDate &d) {
    return d.year() * 10000 + d.month() * 100 + d.day();
}

// Calls fn(recordNumber, record) for every record not marked deleted, reading the file
// in large blocks; fn returns false to stop.
template <typename Fn> bool Scan(SettingTableReader &reader, QString *error, Fn fn) {
    DbfFile &file = reader.File();
    const qint64 count = file.RecordCount();
    if (count == 0) return true;
    const qint64 perBlock = qMax<qint64>(1, (1 << 20) / file.RecordLength());
    QByteArray block;
    for (qint64 first = 0; first < count; first += perBlock) {
        const qint64 n = qMin(perBlock, count - first);
        if (!file.ReadRecords(first, n, &block, error)) return false;
        const char *rec = block.constData();
        for (qint64 i = 0; i < n; ++i, rec += file.RecordLength()) {
            if (DbfFile::IsDeleted(rec)) continue;
            if (!fn(first + i, rec)) return true;
        }
    }
    return true;
}

// The date_rec of a record as yyyymmdd, -1 when NULL.
int RecordDateKey(const SettingTableReader &reader, const DbfFile &file, const char *rec) {
    const int col = reader.Column(F::DateRec);
    if (col < 0) return -1;
    const DbfField &f = file.Fields()[col];
    if (f.type == 'D' && f.width >= 8) {
        const int key = RawDateKey(rec + f.offset);
        return key > 0 && QDate(key / 10000, key / 100 % 100, key % 100).isValid() ? key : -1;
    }
    const QDate d = reader.Value(rec, F::DateRec).toDate();
    return d.isValid() ? DateKey(d) : -1;
}

} // namespace

SettingRow MakeLocalLogRow(const meter::MeterShown &m, const meter::WriteChoices &c) {
    SettingRow row;
    row[F::CNumber] = double(meter::LoggedFactoryNumber(m, c));
    row[F::Version] = m.versionText;
    row[F::TurnOn] = double(m.onTime.value_or(0));
    row[F::Status] = double(m.lastStatus);
    row[F::NCorrect] = double(m.correctionCount.value_or(0));
    if (c.checkIndi) row[F::Indicator] = double(c.display & 0x0F);
    row[F::Reset] = c.checkStatus;
    if (c.checkTime) {
        row[F::CDate] = c.date;
        row[F::CTime] = c.time.toString(QStringLiteral("hh:mm"));
        row[F::Summer] = c.summerTime;
    }
    if (c.checkCorrect) row[F::Correct] = double(c.correction);
    if (c.checkPassword) row[F::Pass] = double(c.newPassword & 0xFFFF);

    // Billing-day readings: the first text that is not a number leaves it and the
    // following ones NULL (a meter that has none shows empty texts).
    const F billing[3] = {F::T11, F::T21, F::T31};
    for (int i = 0; i < 3; ++i) {
        const auto v = LocaleNumber(m.billingReadingText[i]);
        if (!v) break;
        row[billing[i]] = *v;
    }
    // Current readings: the meter has already taken the write, so a reading that is
    // not a number is logged as NULL rather than losing the whole row.
    const F current[3] = {F::T1C, F::T2C, F::T3C};
    for (int i = 0; i < 3; ++i)
        if (const auto v = LocaleNumber(m.currentReadingText[i])) row[current[i]] = *v;

    if (c.checkSchedule && c.firmwareMajor > 5) {
        row[F::AccountD] = double(c.billingDay);
        row[F::AccountH] = double(c.billingHour);
    }
    if (c.checkDdm && c.ddmEnabled) row[F::Vdm] = double(c.ddmNumber);
    row[F::DateRec] = c.writtenAt.date();
    row[F::TimeRec] = c.writtenAt.time().toString(QStringLiteral("hh:mm"));
    row[F::Report] = false;
    return row;
}

// --- SettingTableReader ----------------------------------------------------------------

bool SettingTableReader::Open(const QString &path, QString *error) {
    // No table yet is an empty log: the first insert creates it.
    columns_.fill(-1);
    if (!QFileInfo::exists(path)) {
        file_.Close();
        return true;
    }
    if (!file_.Open(path, DbfFile::Mode::Read, error)) return false;
    for (int i = 0; i < kSettingFieldCount; ++i)
        columns_[i] = file_.FieldIndex(SettingFieldDef(SettingField(i)).name);
    return true;
}

QVariant SettingTableReader::Value(const char *record, SettingField f) const {
    const int col = Column(f);
    return col < 0 ? QVariant() : file_.Value(record, col);
}

SettingRow SettingTableReader::Row(const char *record) const {
    SettingRow row;
    for (int i = 0; i < kSettingFieldCount; ++i)
        row.values[i] = Value(record, SettingField(i));
    return row;
}

// --- SettingLog --------------------------------------------------------------------------

SettingLog::SettingLog(QString path, int lockWaitMs)
    : path_(std::move(path)), lockWaitMs_(lockWaitMs) {}

QString SettingLog::DefaultPath() {
    return ResolveTablePath(QDir::currentPath(), QStringLiteral("Setting.DBF"));
}

QString SettingLog::TablePath() const {
    const QFileInfo info(path_);
    return ResolveTablePath(info.absolutePath(), info.fileName());
}

InsertResult SettingLog::QueryInsert(const SettingRow &row) const {
    InsertResult r;
    const QString path = TablePath();
    if (!QFileInfo::exists(path) && !DbfFile::Create(path, NewSettingTableFields(), &r.error))
        return r;

    DbfFile file;
    if (!file.Open(path, DbfFile::Mode::Append, &r.error, lockWaitMs_)) return r;

    if (file.HasProductionIndexFlag()) {
        const QString mdx = ResolveTablePath(QFileInfo(path).absolutePath(),
                                             QFileInfo(path).completeBaseName() + ".MDX");
        if (QFileInfo::exists(mdx)) {
            r.error = QStringLiteral("У таблицы %1 есть индексный файл %2, который эта "
                                     "программа не обновляет; запись не добавлена, чтобы "
                                     "индекс не разошёлся с таблицей")
                          .arg(Native(path), QFileInfo(mdx).fileName());
            return r;
        }
    }

    QByteArray record = file.BlankRecord();
    for (int i = 0; i < kSettingFieldCount; ++i) {
        const SettingFieldInfo &def = SettingFieldDef(SettingField(i));
        const int col = file.FieldIndex(def.name);
        if (col < 0) {
            r.error = QStringLiteral("В таблице %1 нет поля %2").arg(Native(path), def.name);
            return r;
        }
        const char have = file.Fields()[col].type;
        if (!Compatible(def.type, have)) {
            r.error = QStringLiteral("Поле %1 таблицы %2 имеет тип %3, а нужен %4")
                          .arg(def.name, Native(path), QChar::fromLatin1(have),
                               QChar::fromLatin1(def.type));
            return r;
        }
        if (!file.SetValue(record.data(), col, row.values[i], &r.error)) return r;
    }
    if (!file.Append({record}, &r.error, true, &r.mayBeInTable)) return r;
    r.value = true;
    qCDebug(lcRecords) << "logged row" << file.RecordCount() << "to" << path;
    return r;
}

Answer<std::optional<double>> SettingLog::QueryMax() const {
    Answer<std::optional<double>> r;
    SettingTableReader reader;
    if (!reader.Open(TablePath(), &r.error)) return r;
    Scan(reader, &r.error, [&](qint64, const char *rec) {
        const auto v = NumberOf(reader, rec, F::CNumber);
        if (v && (!r.value || *v > *r.value)) r.value = v;
        return true;
    });
    return r;
}

Answer<std::optional<QDate>> SettingLog::QueryMaxDate() const {
    Answer<std::optional<QDate>> r;
    SettingTableReader reader;
    if (!reader.Open(TablePath(), &r.error)) return r;
    int best = -1;
    Scan(reader, &r.error, [&](qint64, const char *rec) {
        best = qMax(best, RecordDateKey(reader, reader.File(), rec));
        return true;
    });
    if (best > 0) r.value = QDate(best / 10000, best / 100 % 100, best % 100);
    return r;
}

Answer<QList<SettingRow>> SettingLog::QuerySelect(const QDate &dateRec) const {
    Answer<QList<SettingRow>> r;
    SettingTableReader reader;
    if (!reader.Open(TablePath(), &r.error)) return r;
    const int key = dateRec.isValid() ? DateKey(dateRec) : -2;
    Scan(reader, &r.error, [&](qint64, const char *rec) {
        if (RecordDateKey(reader, reader.File(), rec) == key) r.value.append(reader.Row(rec));
        return true;
    });
    return r;
}

Answer<qint64> SettingLog::NextFactoryNumber() const {
    Answer<qint64> r;
    const auto max = QueryMax();
    r.error = max.error;
    if (r.ok()) r.value = (max.value ? std::llround(*max.value) : 0) + 1;
    return r;
}

Answer<LogPrefill> SettingLog::LastLoggedPrefill() const {
    Answer<LogPrefill> r;
    SettingTableReader reader;
    if (!reader.Open(TablePath(), &r.error)) return r;
    // One pass: the newest date and the first record that carries it.
    int best = -1;
    qint64 first = -1;
    if (!Scan(reader, &r.error, [&](qint64 n, const char *rec) {
            const int key = RecordDateKey(reader, reader.File(), rec);
            if (key > best) {
                best = key;
                first = n;
            }
            return true;
        }))
        return r;
    if (first < 0) return r;
    QByteArray rec;
    if (!reader.File().ReadRecords(first, 1, &rec, &r.error)) return r;
    bool ok = false;
    const QVariant pass = reader.Value(rec.constData(), F::Pass);
    if (const double p = pass.toDouble(&ok); pass.isValid() && ok)
        r.value.pass = quint16(std::llround(p) & 0xFFFF);
    const QVariant indicator = reader.Value(rec.constData(), F::Indicator);
    if (const double i = indicator.toDouble(&ok); indicator.isValid() && ok)
        r.value.indicator = int(std::llround(i));
    return r;
}

Answer<QList<qint64>> SettingLog::Table1(const LogFilter &filter) const {
    Answer<QList<qint64>> r;
    SettingTableReader reader;
    if (!reader.Open(TablePath(), &r.error)) return r;
    r.value = FilterRecords(reader, filter, &r.error);
    return r;
}

QList<qint64> FilterRecords(SettingTableReader &reader, const LogFilter &filter, QString *error) {
    QList<qint64> out;
    if (!filter.from.isValid() || !filter.to.isValid() || filter.to < filter.from) return out;
    const int from = DateKey(filter.from);
    const int to = DateKey(filter.to);
    Scan(reader, error, [&](qint64 n, const char *rec) {
        const int key = RecordDateKey(reader, reader.File(), rec);
        if (key < from || key > to) return true;
        if (filter.number > 0) {
            const QVariant v = reader.Value(rec, F::CNumber);
            if (!v.isValid() || v.toDouble() != double(filter.number)) return true;
        }
        out.append(n);
        return true;
    });
    return out;
}

} // namespace ormix::records
