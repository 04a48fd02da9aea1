#pragma once
// One journal read of ormix-cli: the window's exchange engine and serial component with this
// object as their host. It connects, reads the version, queues the journal's requests (as a
// click on "Прочитать" would) and ends when the queue runs dry: after the last record, or
// earlier when an error reply or a timeout empties it (the records read so far are kept).
#include "link/exchange_engine.h"
#include "link/exchange_host.h"
#include "link/vacomm.h"
#include "tools/ormix_cli/cli_journal.h"
#include "tools/ormix_cli/cli_session.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <memory>

namespace ormix::cli {

class JournalSession : public QObject, public link::TExchangeHost {
    Q_OBJECT
public:
    // 79 records at 1200 bit/s, each waiting for its timeout at worst.
    static constexpr int kRunLimitMs = 180000;

    JournalSession(const JournalOptions &options, const JournalOutput &output);
    ~JournalSession() override;

    // Opens the port, reads, closes the port; the exit status of CliExit.
    int Run();

    const JournalTable &Table() const { return table_; }
    qint64 FactoryNumber() const { return factoryNumber_; }

    // TExchangeHost
    bool IsConnected() const override { return connected_; }
    QByteArray NextPollFrame() override;
    void DecodeReply(const QByteArray &reply, const QByteArray &request) override;
    void ProtocolLineAdded(const QString &line) override;

private:
    enum class Phase { Version, Number, Journal, Done };

    void QueueJournal();
    void ShowProgress();
    void Finish(int exitCode);
    void Error(const QString &text);

    JournalOptions options_;
    JournalOutput output_;
    link::TVaComm port_;
    std::unique_ptr<link::TExchangeEngine> engine_;
    QEventLoop loop_;
    QTimer limit_;
    QElapsedTimer readTime_;
    JournalTable table_;

    Phase phase_ = Phase::Version;
    bool connected_ = false;
    bool journalQueued_ = false;
    int firmwareMajor_ = -1;
    qint64 factoryNumber_ = 0;
    int queued_ = 0, answered_ = 0;
    int exitCode_ = ExitDone;
    QString failureLine_; // the protocol text of the first failed exchange
};

} // namespace ormix::cli
