#pragma once
// Shared pieces of the records tests: a fixed locale, a temporary table, raw bytes.
#include "records/dbf_file.h"
#include "records/local_log.h"
#include "records/setting_log.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

using namespace ormix::records;

// Readable texts in test failures (in every test file alike, or the printers differ).
inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

// Sets the default locale for one test and puts the previous one back.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale &locale) : saved_(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

inline QByteArray FileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A table of our own choosing of fields, filled with the given rows (name -> value).
inline void MakeTable(const QString &path, const QList<DbfField> &fields,
                      const QList<QList<std::pair<const char *, QVariant>>> &rows) {
    QString error;
    ASSERT_TRUE(DbfFile::Create(path, fields, &error)) << error.toStdString();
    DbfFile file;
    ASSERT_TRUE(file.Open(path, DbfFile::Mode::Append, &error)) << error.toStdString();
    QList<QByteArray> records;
    for (const auto &row : rows) {
        QByteArray rec = file.BlankRecord();
        for (const auto &[name, value] : row) {
            const int col = file.FieldIndex(name);
            ASSERT_GE(col, 0) << name;
            ASSERT_TRUE(file.SetValue(rec.data(), col, value, &error)) << error.toStdString();
        }
        records.append(rec);
    }
    ASSERT_TRUE(file.Append(records, &error)) << error.toStdString();
}

// A completed write as the logs take it: what the page showed, and what was written when.
struct LoggedWrite {
    ormix::meter::MeterShown meter;
    ormix::meter::WriteChoices choices;
};

// A typical write of a version 6 meter, its readings shown in a comma locale.
inline LoggedWrite TypicalWrite() {
    LoggedWrite w;
    w.meter.factoryNumber = 123456;
    w.meter.versionText = QStringLiteral("6.12");
    w.meter.onTime = 7322;
    w.meter.lastStatus = 5;
    w.meter.correctionCount = 3;
    w.meter.billingReadingText = {QStringLiteral("1234,50"), QStringLiteral("20,00"),
                                  QStringLiteral("0,25")};
    w.meter.currentReadingText = {QStringLiteral("1300,75"), QStringLiteral("21,00"),
                                  QStringLiteral("0,50")};
    w.choices.firmwareMajor = 6;
    w.choices.writtenAt = QDateTime(QDate(2026, 12, 10), QTime(14, 5, 33));
    return w;
}

// The write logged as the window logs it; the error text when it could not be.
inline QString LogWrite(const SettingLog &table, const LoggedWrite &w) {
    return LocalLog(table.Path()).LogCompletedWrite(w.meter, w.choices).text;
}
