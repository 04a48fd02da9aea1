#pragma once
// One run of ormix-cli against a meter: the window's exchange engine and serial component
// with this object as their host in place of the main window. It connects, reads the
// version and one full poll cycle, queues the settings write behind the poll request in
// flight (as a click on "Записать" would), lets the engine log it, and disconnects.
#include "link/exchange_engine.h"
#include "link/exchange_host.h"
#include "link/vacomm.h"
#include "tools/ormix_cli/cli_db.h"
#include "tools/ormix_cli/cli_options.h"
#include "tools/ormix_cli/cli_schedule.h"
#include "tools/ormix_cli/meter_snapshot.h"

#include <QDateTime>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace ormix::cli {

class CliSession : public QObject, public link::TExchangeHost {
    Q_OBJECT
public:
    // The longest a run may take: a full cycle and a full write are a few seconds even
    // when every exchange waits for its timeout.
    static constexpr int kRunLimitMs = 60000;

    explicit CliSession(CliOptions options, QObject *parent = nullptr);
    ~CliSession() override;

    // Opens the port, runs the command, closes the port; the exit status of CliExit.
    int Run();

    const MeterSnapshot &Snapshot() const { return snapshot_; }
    // The schedule command's run once its frames are queued; null before.
    const ScheduleRun *Schedule() const { return schedule_.get(); }
    // After a completed write: what was written and where its row went.
    QString WriteReport() const;

    // Where lines for standard error go (messages, and the trace with --trace).
    std::function<void(const QString &)> ErrorLine;

    // The port name shown in messages and the device Open is given.
    static QString DefaultPortName(); // QSettings "Port", 1 when absent -> "COM1"
    // The meter port as the window sets it up, on `name` ("COMn", or a device path opened
    // as it stands) at `baud`; throws EVaCommError as the component does.
    static void SetUpMeterPort(link::TVaComm &port, const QString &name, int baud);

    // TExchangeHost
    bool IsConnected() const override { return connected_; }
    QByteArray NextPollFrame() override;
    void ResetPoll() override { pollIndex_ = 0; }
    void DecodeReply(const QByteArray &reply, const QByteArray &request) override;
    void LogCompletedWrite() override;
    void ShowWriteFailure(const QString &title, const QString &text) override;
    void ShowLineMessage(const QString &text) override;
    void ProtocolLineAdded(const QString &line) override;

private:
    enum class Phase { Reading, WriteQueued, Done };

    void StartWrite();
    void StartSchedule();
    int FixInDatabase();
    bool UsesProductionDatabase() const;
    void Finish(int exitCode);
    void EndRun();
    void Error(const QString &text);

    CliOptions options_;
    link::TVaComm port_;
    std::unique_ptr<link::TExchangeEngine> engine_;
    QEventLoop loop_;
    QTimer limit_;
    MeterSnapshot snapshot_;

    bool connected_ = false;
    Phase phase_ = Phase::Reading;
    int pollIndex_ = 0;
    bool cycleStarted_ = false;
    int exitCode_ = ExitDone;
    QString portName_;          // as the operator named it
    QString failureLine_;       // the protocol text of the first failed exchange
    QByteArray failureRequest_; // the frame it answered, or waited for a reply to
    QString loggedTo_;          // where the completed write's row went
    QString lineMessage_;       // the last line message shown
    bool addingOwnLine_ = false;
    bool writeStarted_ = false;
    bool writeFailed_ = false;
    bool logFailed_ = false;
    meter::WriteChoices written_;               // the write queued, as its frames were built
    std::unique_ptr<ScheduleRun> schedule_;     // schedule: queued after the first poll cycle
    std::unique_ptr<CliProduction> production_; // write --sql and fix-db
};

} // namespace ormix::cli
