#pragma once
// Runs tests/common/read_workbook.py (openpyxl) on a workbook: what an independent reader
// finds in the files the export writes.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <optional>

struct WorkbookReading {
    std::optional<QJsonObject> sheet; // the JSON of read_workbook.py
    QString skipReason;               // no python3 or no openpyxl
    QString error;                    // the reader failed on the file
};

inline WorkbookReading ReadWorkbook(const QString &path) {
    WorkbookReading r;
    // Debian's interpreter, which sees Debian's python3-openpyxl.
    QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python)) python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        r.skipReason = QStringLiteral("python3 missing");
        return r;
    }
    QProcess p;
    p.start(python, {QStringLiteral(ORMIX_READ_WORKBOOK_SCRIPT), path});
    if (!p.waitForFinished(60000)) {
        r.error = QStringLiteral("the reader did not finish");
        return r;
    }
    if (p.exitCode() == 3) {
        r.skipReason = QStringLiteral("python3-openpyxl missing (scripts/deps installs it)");
        return r;
    }
    if (p.exitCode() != 0) {
        r.error = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    r.sheet = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    return r;
}
