#pragma once
// A file of rows the meter took but no log could write yet (the production server away,
// the local table locked or full). A row is on the disk before Keep returns, comes back
// oldest first until it is sent, and is offered again after a crash only when it may not
// have arrived, so the receiver must recognise a row by its key (see Replay).
//
// The file is a journal of text lines, one JSON object each with a checksum: "keep"
// (the row), "sent", "refused" (with the reason) and "requeued". A line cut short by a
// crash is never taken for a row; a damaged one is moved to <file>.damaged. Once rows
// have been sent the file is rewritten without them (or removed), through a new file
// renamed into place. Several programs may share it: every access holds a lock on it,
// and a replay also holds <file>.lock, so that two programs never replay side by side.
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>

namespace ormix::records {

// The folder of the user's own data (~/.local/share/Veltaron/Ormix on Linux).
QString UserDataFolder();

struct UnsentRow {
    QString key;
    QDateTime keptAt;
    QJsonObject row;
    QString refusal; // empty while the row waits; the receiver's reason once refused
    QDateTime refusedAt;
};

// What the receiver made of one row.
struct Delivery {
    enum Outcome {
        Sent,       // it arrived now, or had arrived before (recognised by its key)
        ServerAway, // could not be sent now: try again later, stop for now
        Refused,    // the receiver will not take it; it stays in the file, marked refused
    };
    Outcome outcome = Sent;
    QString reason;
};

struct ReplayReport {
    int sent = 0;
    QList<UnsentRow> refused;  // refused during this replay
    bool stopped = false;      // stopped before the end (see error)
    bool receiverAway = false; // ...because `send` answered ServerAway
    QString error;             // why it stopped
    int waiting = 0;           // rows still waiting afterwards
};

class UnsentRows {
public:
    explicit UnsentRows(QString path);
    // `fileName` in the user's data folder.
    static QString DefaultPath(const QString &fileName);
    const QString &Path() const { return path_; }

    // Appends a row and flushes it to the disk (the file and, when it is new, its
    // folder). false with the reason when it could not be kept.
    bool Keep(const QString &key, const QJsonObject &row, QString *error);

    struct Counts {
        int waiting = 0;
        int refused = 0;
    };
    Counts Count(QString *error = nullptr) const;
    // Every row still in the file, waiting and refused, oldest first.
    QList<UnsentRow> Rows(QString *error) const;

    // Offers each waiting row to `send`, oldest first, and notes on the disk what became
    // of it before offering the next; stops at the first ServerAway. A crash between
    // the receiver's acceptance and that note offers the row once more: `send` must
    // answer Sent for a key it already has. Refused rows stay in the file until
    // RequeueRefused. Only one program replays at a time; another gets stopped = true.
    ReplayReport Replay(const std::function<Delivery(const UnsentRow &)> &send);

    // Makes every refused row wait again (after the cause has been put right).
    bool RequeueRefused(QString *error);

private:
    QString path_;
};

} // namespace ormix::records
