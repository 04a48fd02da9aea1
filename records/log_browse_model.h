#pragma once
// The browse source of DBGrid1: Table1 as a read-only model. Opening scans the table
// once for the record numbers that pass the filter; rows are read when shown, a page
// at a time, through a small cache, so a table of a million rows opens quickly.
#include "records/setting_log.h"

#include <QAbstractTableModel>
#include <QCache>
#include <memory>

namespace ormix::records {

class LogBrowseModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LogBrowseModel(QObject *parent = nullptr);
    ~LogBrowseModel() override;

    // Opens `path` with `filter`; on failure the model stays closed and `error` says why.
    bool Open(const QString &path, const LogFilter &filter, QString *error);
    void Close();
    bool IsOpen() const;
    qint64 RecordCount() const { return records_.size(); } // rows passing the filter

    // The stored row behind a model row (for the window and tests).
    SettingRow RowAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    const QByteArray *Page(int row) const;

    std::unique_ptr<SettingTableReader> reader_;
    QList<qint64> records_;
    mutable QCache<int, QByteArray> pages_; // page number -> raw records of that page
};

} // namespace ormix::records
