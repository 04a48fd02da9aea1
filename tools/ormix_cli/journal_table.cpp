#include "tools/ormix_cli/journal_table.h"

#include "meter/event_sort.h"
#include "meter/journal_requests.h"
#include "meter/journal_texts.h"

#include <QJsonArray>
#include <algorithm>

namespace ormix::cli {

std::optional<JournalKind> JournalKindNamed(const QString &name) {
    for (JournalKind k : {JournalKind::Yearly, JournalKind::Consumption, JournalKind::Billing,
                          JournalKind::Records})
        if (JournalKindName(k) == name) return k;
    return std::nullopt;
}

QString JournalKindName(JournalKind kind) {
    switch (kind) {
    case JournalKind::Yearly:
        return QStringLiteral("yearly");
    case JournalKind::Consumption:
        return QStringLiteral("consumption");
    case JournalKind::Billing:
        return QStringLiteral("billing");
    case JournalKind::Records:
        return QStringLiteral("records");
    }
    return {};
}

QList<QByteArray> JournalRequests(JournalKind kind) {
    switch (kind) {
    case JournalKind::Yearly:
        return meter::YearlyJournalRequests();
    case JournalKind::Consumption:
        return meter::ConsumptionJournalRequests();
    // The window reads both older tables with one button; the command reads one of them.
    case JournalKind::Billing:
        return meter::OldJournalRequests().mid(0, meter::kOldTableRows);
    case JournalKind::Records:
        return meter::OldJournalRequests().mid(meter::kOldTableRows);
    }
    return {};
}

std::uint8_t JournalCode(JournalKind kind) {
    return std::uint8_t(JournalRequests(kind).constFirst().at(0));
}

bool FirmwareHasJournal(JournalKind kind, int firmwareMajor) {
    const bool newer = kind == JournalKind::Yearly || kind == JournalKind::Consumption;
    return newer == (firmwareMajor >= 6);
}

QString JournalFirmwareText(JournalKind kind) {
    return FirmwareHasJournal(kind, 6) ? QStringLiteral("firmware 6 and later")
                                       : QStringLiteral("firmware below 6");
}

JournalTable::JournalTable(JournalKind kind) : kind_(kind) {
    switch (kind) {
    case JournalKind::Yearly:
    case JournalKind::Billing:
        rows_ << meter::MonthTableHeader();
        for (const QString &month : meter::MonthLabels())
            rows_ << QStringList{month, {}, {}, {}, {}};
        break;
    case JournalKind::Consumption:
        rows_ << meter::ConsumptionColumns();
        break;
    case JournalKind::Records:
        rows_ << meter::EventTableHeader();
        for (int r = 0; r < meter::kOldTableRows; ++r)
            rows_ << QStringList{{}, {}, {}, {}};
        break;
    }
}

void JournalTable::ApplyRow(const meter::GridRowUpdate &update) {
    if (update.row < 1 || update.row >= rows_.size()) return;
    QStringList &row = rows_[update.row];
    for (int i = 0; i < update.cells.size(); ++i)
        if (update.firstColumn + i < row.size()) row[update.firstColumn + i] = update.cells[i];
}

bool JournalTable::Apply(const meter::DecodedReply &reply) {
    switch (kind_) {
    case JournalKind::Yearly:
        if (const auto *r = std::get_if<meter::YearlyRecord>(&reply)) {
            if (r->update) ApplyRow(*r->update);
            return true;
        }
        return false;
    case JournalKind::Consumption:
        if (const auto *r = std::get_if<meter::ConsumptionRecord>(&reply)) {
            if (r->item) rows_ << *r->item;
            return true;
        }
        return false;
    case JournalKind::Billing:
        if (const auto *r = std::get_if<meter::BillingMonthReply>(&reply)) {
            if (r->record.update) ApplyRow(*r->record.update);
            return true;
        }
        return false;
    case JournalKind::Records:
        if (const auto *r = std::get_if<meter::NumberedRecordReply>(&reply)) {
            if (r->record.update) ApplyRow(*r->record.update);
            QList<QStringList> body = rows_.mid(1);
            meter::SortEventRows(body);
            rows_ = QList<QStringList>{rows_.constFirst()} + body;
            return true;
        }
        return false;
    }
    return false;
}

records::ExportTable JournalTable::Table(qint64 factoryNumber) const {
    records::ExportTable t;
    const bool yearlyTitle = kind_ == JournalKind::Yearly || kind_ == JournalKind::Billing;
    t.title = yearlyTitle ? meter::YearlyJournalTitle(factoryNumber)
                          : meter::ConsumptionJournalTitle(factoryNumber);
    t.rows = rows_;
    t.locale = QLocale();
    return t;
}

QStringList JournalText(const JournalTable &table) {
    QList<int> widths;
    for (const QStringList &row : table.Rows())
        for (int c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths << 0;
            widths[c] = std::max(widths[c], int(row[c].size()));
        }
    QStringList lines;
    for (const QStringList &row : table.Rows()) {
        QStringList cells;
        for (int c = 0; c < row.size(); ++c)
            cells << row[c].leftJustified(widths[c]);
        lines << cells.join(QStringLiteral("  ")).trimmed();
    }
    return lines;
}

QJsonObject JournalJson(const JournalTable &table) {
    const QLocale locale;
    QJsonArray rows;
    for (const QStringList &row : table.Rows().mid(1)) {
        QJsonArray cells;
        for (const QString &text : row) {
            const records::SheetCell cell = records::MakeSheetCell(text, locale);
            cells.append(cell.number ? QJsonValue(*cell.number) : QJsonValue(text));
        }
        rows.append(cells);
    }
    return {{QStringLiteral("journal"), JournalKindName(table.Kind())},
            {QStringLiteral("columns"), QJsonArray::fromStringList(table.Rows().constFirst())},
            {QStringLiteral("rows"), rows}};
}

} // namespace ormix::cli
