#pragma once
// Where a workbook waits for the spreadsheet application it is handed to. That
// application starts after the export has returned, perhaps after this program has ended,
// and reads the file only then: so the folder outlives both, and is not a temporary
// folder removed with an object or at exit. The workbooks are written read-only, so the
// application takes each for a copy and asks where to save it: nothing the operator keeps
// stays in here, and a workbook older than a day is removed at the next export.
#include "records/export_table.h"

#include <QDateTime>
#include <QString>

namespace ormix::records {

class ExportFolder {
public:
    // The user's cache folder of the program, "export" inside it.
    static QString DefaultPath();
    explicit ExportFolder(QString path = DefaultPath());
    const QString &Path() const { return path_; }

    struct Written {
        QString path;  // the workbook, when written
        QString error; // the reason in the operator's words; empty on success
        bool ok() const { return error.isEmpty(); }
    };
    // Removes stale workbooks, then writes `table` as a new read-only workbook named after
    // its title and `now` ("Годовой журнал Счетчик № 512 2024-05-01 14-07-33.xlsx").
    Written WriteWorkbook(const ExportTable &table, const QDateTime &now) const;

    // Removes the files last changed more than a day before `now`; returns how many.
    int RemoveStale(const QDateTime &now) const;

    // The file name for a title: characters no file name may hold become "_", a trailing
    // ", " goes; "Таблица" for a title with nothing left.
    static QString BaseNameFor(const QString &title);

private:
    QString path_;
};

} // namespace ormix::records
