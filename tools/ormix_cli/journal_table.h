#pragma once
// ormix-cli journal: the journals the command reads, their requests, and the table each one
// fills from its replies, the same cells the window's grid or list shows. Pure: no port.
#include "meter/reply_decoders.h"
#include "records/export_table.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace ormix::cli {

enum class JournalKind {
    Yearly,      // 0x18, firmware 6 and later: GridJour
    Consumption, // 0x19, firmware 6 and later: ListView1
    Billing,     // 0x12, firmware below 6: GridJournal
    Records,     // 0x13, firmware below 6: GridEvent
};

// "yearly", "consumption", "billing", "records"; nothing for another word.
std::optional<JournalKind> JournalKindNamed(const QString &name);
QString JournalKindName(JournalKind kind);

// The requests of the journal, in the order they are queued.
QList<QByteArray> JournalRequests(JournalKind kind);
std::uint8_t JournalCode(JournalKind kind);
// Whether a meter of this firmware keeps the journal.
bool FirmwareHasJournal(JournalKind kind, int firmwareMajor);
// "firmware 6 and later" / "firmware below 6", for the refusal.
QString JournalFirmwareText(JournalKind kind);

// The journal's cells as the window shows them: the header row and month labels from the
// start, each reply applied as it arrives.
class JournalTable {
public:
    explicit JournalTable(JournalKind kind);

    // A decoded reply of this journal; false (and nothing changed) for any other reply.
    bool Apply(const meter::DecodedReply &reply);

    JournalKind Kind() const { return kind_; }
    const QList<QStringList> &Rows() const { return rows_; }
    // The rows under a title, in the default locale, for the CSV and workbook writers.
    records::ExportTable Table(qint64 factoryNumber) const;

private:
    void ApplyRow(const meter::GridRowUpdate &update);

    JournalKind kind_;
    QList<QStringList> rows_;
};

// Columns padded to their widest cell, two blanks apart.
QStringList JournalText(const JournalTable &table);
// {"journal": name, "columns": [...], "rows": [[...], ...]}: the header row as "columns",
// every cell that is a number by the default locale's rules as a JSON number.
QJsonObject JournalJson(const JournalTable &table);

} // namespace ormix::cli
