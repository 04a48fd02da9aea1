#include "records/xlsx_writer.h"

#include "records/atomic_file.h"
#include "records/records_log.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <algorithm>
#include <xlsxwriter.h>

namespace ormix::records {

namespace {
// Column widths in characters of the default font: Excel's default, up to a sensible cap.
constexpr double kMinColumnWidth = 8.43;
constexpr double kMaxColumnWidth = 60;

QString Reason(lxw_error error) {
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("не хватает памяти");
    case LXW_ERROR_CREATING_XLSX_FILE:
        return QStringLiteral("не удалось создать файл книги");
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
        return QStringLiteral("не удалось записать временный файл");
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return QStringLiteral("не удалось упаковать книгу");
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("текст ячейки длиннее 32767 знаков");
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        return QStringLiteral("таблица не помещается на лист");
    default:
        return QStringLiteral("ошибка библиотеки xlsxwriter: %1")
            .arg(QString::fromUtf8(lxw_strerror(error)));
    }
}

QString Failure(const QString &path, const QString &reason) {
    return QStringLiteral("Не удалось записать книгу %1: %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

// Frees a workbook that is not closed: nothing is written then.
struct WorkbookGuard {
    lxw_workbook *book;
    ~WorkbookGuard() {
        if (book) lxw_workbook_free(book);
    }
};

// Writes the block; the first failure ends it.
lxw_error FillSheet(lxw_workbook *book, lxw_worksheet *sheet, const ExportTable &table) {
    QHash<int, lxw_format *> decimalFormats; // "0.00" and the like, one per count of decimals
    const QList<QList<SheetCell>> block = SheetBlock(table);
    QList<double> widths(block.isEmpty() ? 0 : block.first().size(), kMinColumnWidth);
    for (qsizetype r = 0; r < block.size(); ++r) {
        for (qsizetype c = 0; c < block[r].size(); ++c) {
            const SheetCell &cell = block[r][c];
            lxw_error e = LXW_NO_ERROR;
            if (cell.number) {
                lxw_format *format = nullptr;
                if (cell.decimals > 0) {
                    format = decimalFormats.value(cell.decimals);
                    if (!format) {
                        format = workbook_add_format(book);
                        if (!format) return LXW_ERROR_MEMORY_MALLOC_FAILED;
                        const QByteArray pattern = "0." + QByteArray(cell.decimals, '0');
                        format_set_num_format(format, pattern.constData());
                        decimalFormats.insert(cell.decimals, format);
                    }
                }
                e = worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), *cell.number, format);
            } else if (!cell.text.isEmpty()) {
                // An empty text leaves the cell empty, as the spreadsheet shows one anyway.
                e = worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c),
                                           cell.text.toUtf8().constData(), nullptr);
            }
            if (e != LXW_NO_ERROR) return e;
            // The title may run over the empty cells beside it; the table sets the widths.
            if (r > 0)
                widths[c] = std::max(widths[c], std::min(kMaxColumnWidth, cell.text.size() + 2.0));
        }
    }
    for (qsizetype c = 0; c < widths.size(); ++c)
        if (lxw_error e =
                worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths[c], nullptr))
            return e;
    return LXW_NO_ERROR;
}
} // namespace

QString WriteXlsx(const ExportTable &table, const QString &path) {
    // libxlsxwriter creates its file only when the workbook is closed, and may leave part
    // of it behind when that fails: it works in a folder of its own, and the finished
    // workbook is then put in place in one step.
    QTemporaryDir work;
    if (!work.isValid())
        return Failure(
            path, QStringLiteral("не удалось создать временную папку: %1").arg(work.errorString()));
    const QByteArray bookName = QFile::encodeName(work.filePath(QStringLiteral("book.xlsx")));
    QByteArray tmpdir = QFile::encodeName(work.path());
    lxw_workbook_options options{};
    options.tmpdir = tmpdir.data();

    WorkbookGuard guard{workbook_new_opt(bookName.constData(), &options)};
    if (!guard.book) return Failure(path, Reason(LXW_ERROR_MEMORY_MALLOC_FAILED));
    lxw_worksheet *sheet = workbook_add_worksheet(guard.book, "Лист1");
    if (!sheet) return Failure(path, Reason(LXW_ERROR_MEMORY_MALLOC_FAILED));
    if (const lxw_error e = FillSheet(guard.book, sheet, table); e != LXW_NO_ERROR) {
        qCWarning(lcRecords) << "workbook not filled:" << lxw_strerror(e);
        return Failure(path, Reason(e));
    }
    const lxw_error closed = workbook_close(guard.book); // frees the workbook in every case
    guard.book = nullptr;
    if (closed != LXW_NO_ERROR) {
        qCWarning(lcRecords) << "workbook not closed:" << lxw_strerror(closed);
        return Failure(path, Reason(closed));
    }

    QFile book(work.filePath(QStringLiteral("book.xlsx")));
    if (!book.open(QIODevice::ReadOnly))
        return Failure(
            path,
            QStringLiteral("не удалось прочитать временный файл: %1").arg(book.errorString()));
    return WriteFileAtomically(path, book.readAll());
}

} // namespace ormix::records
