#pragma once
// Shared pieces of the records tests: a fixed locale, a temporary table, raw bytes.
#include "records/dbf_file.h"
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

// What the window shows after a typical write of a version 6 meter, in a comma locale.
inline LocalLogInput TypicalInput() {
    LocalLogInput in;
    in.factoryNumber = 123456;
    in.versionText = QStringLiteral("6.12");
    in.operatingTimeText = QStringLiteral("7322");
    in.lastStatus = 5;
    in.correctionCountText = QStringLiteral("3");
    in.billingReadingText[0] = QStringLiteral("1234,50");
    in.billingReadingText[1] = QStringLiteral("20,00");
    in.billingReadingText[2] = QStringLiteral("0,25");
    in.currentReadingText[0] = QStringLiteral("1300,75");
    in.currentReadingText[1] = QStringLiteral("21,00");
    in.currentReadingText[2] = QStringLiteral("0,50");
    in.today = QDate(2026, 12, 10);
    in.now = QTime(14, 5, 33);
    in.firmwareMajor = 6;
    return in;
}
