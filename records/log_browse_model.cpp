#include "records/log_browse_model.h"

#include "records/records_log.h"

#include <QLocale>

namespace ormix::records {

namespace {
constexpr int kPageRows = 64;
constexpr int kCachedPages = 32;

QString DisplayText(const QVariant &v) {
    if (!v.isValid() || v.isNull()) return {};
    switch (v.typeId()) {
    case QMetaType::QDate:
        return QLocale().toString(v.toDate(), QLocale::ShortFormat);
    case QMetaType::Double: {
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(v.toDouble(), 'g', 15);
    }
    case QMetaType::Bool:
        return YesNoText(v);
    default:
        return v.toString();
    }
}
} // namespace

LogBrowseModel::LogBrowseModel(QObject *parent) : QAbstractTableModel(parent) {
    pages_.setMaxCost(kCachedPages);
}

LogBrowseModel::~LogBrowseModel() = default;

bool LogBrowseModel::Open(const QString &path, const LogFilter &filter, QString *error) {
    auto reader = std::make_unique<SettingTableReader>();
    if (!reader->Open(path, error)) return false;
    QString scanError;
    QList<qint64> records = FilterRecords(*reader, filter, &scanError);
    if (!scanError.isEmpty()) {
        *error = scanError;
        return false;
    }
    beginResetModel();
    reader_ = std::move(reader);
    records_ = std::move(records);
    pages_.clear();
    endResetModel();
    return true;
}

void LogBrowseModel::Close() {
    beginResetModel();
    reader_.reset();
    records_.clear();
    pages_.clear();
    endResetModel();
}

bool LogBrowseModel::IsOpen() const {
    return reader_ != nullptr;
}

const QByteArray *LogBrowseModel::Page(int row) const {
    const int page = row / kPageRows;
    if (const QByteArray *cached = pages_.object(page)) return cached;
    DbfFile &file = reader_->File();
    const int len = file.RecordLength();
    const int first = page * kPageRows;
    const int last = qMin<int>(first + kPageRows, records_.size());
    auto *buffer = new QByteArray(qsizetype(last - first) * len, ' ');
    // Consecutive record numbers are read in one go.
    QByteArray run;
    QString error;
    for (int i = first; i < last;) {
        int j = i + 1;
        while (j < last && records_[j] == records_[j - 1] + 1)
            ++j;
        if (file.ReadRecords(records_[i], j - i, &run, &error))
            buffer->replace(qsizetype(i - first) * len, run.size(), run);
        else
            qCWarning(lcRecords) << error; // those rows show blank
        i = j;
    }
    pages_.insert(page, buffer, 1);
    return pages_.object(page);
}

SettingRow LogBrowseModel::RowAt(int row) const {
    if (!reader_ || row < 0 || row >= records_.size()) return {};
    const QByteArray *page = Page(row);
    return reader_->Row(page->constData() +
                        qsizetype(row % kPageRows) * reader_->File().RecordLength());
}

int LogBrowseModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(records_.size());
}

int LogBrowseModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : kBrowseColumnCount;
}

QVariant LogBrowseModel::data(const QModelIndex &index, int role) const {
    if (!reader_ || !index.isValid() || index.row() >= records_.size()) return {};
    if (role != Qt::DisplayRole && role != Qt::UserRole && role != Qt::TextAlignmentRole) return {};
    const QByteArray *page = Page(index.row());
    const char *rec =
        page->constData() + qsizetype(index.row() % kPageRows) * reader_->File().RecordLength();
    const QVariant v = reader_->Value(rec, BrowseColumnField(index.column()));
    if (role == Qt::UserRole) return v;
    if (role == Qt::TextAlignmentRole)
        return v.typeId() == QMetaType::Double ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                               : QVariant();
    return DisplayText(v);
}

QVariant LogBrowseModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return BrowseColumnTitle(section);
    return section + 1;
}

Qt::ItemFlags LogBrowseModel::flags(const QModelIndex &index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace ormix::records
