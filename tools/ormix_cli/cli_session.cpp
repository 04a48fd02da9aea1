#include "tools/ormix_cli/cli_session.h"

#include "tools/ormix_cli/cli_messages.h"

#include "link/port_setup.h"
#include "link/port_table.h"
#include "meter/poll_cycle.h"
#include "meter/reply_decoders.h"
#include "meter/write_sequence.h"
#include "records/local_log.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSettings>
#include <exception>

using namespace ormix::link;
using namespace ormix::meter;
using namespace ormix::records;

namespace ormix::cli {

namespace {
Q_LOGGING_CATEGORY(lcTools, "ormix.tools", QtWarningMsg)

// The send and receive trace; every other protocol line is a rejection, a timeout or a
// decoder's message.
bool IsTraceLine(const QString &line) {
    static const QRegularExpression re(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} (Send |Received: )"));
    return re.match(line).hasMatch();
}
} // namespace

CliSession::CliSession(CliOptions options, QObject *parent)
    : QObject(parent), options_(std::move(options)) {
    limit_.setSingleShot(true);
    limit_.setInterval(kRunLimitMs);
    connect(&limit_, &QTimer::timeout, this, [this] {
        if (failureLine_.isEmpty())
            failureLine_ = QStringLiteral("обмен не закончился за %1 с").arg(kRunLimitMs / 1000);
        Finish(ExitMeter);
    });
}

CliSession::~CliSession() {
    engine_.reset(); // before the port it listens to
}

void CliSession::SetUpMeterPort(link::TVaComm &port, const QString &name, int baud) {
    SetupMeterPort(port);
    if (name.startsWith('/'))
        port.SetDeviceName(DeviceNameForPath(name));
    else
        port.SetPortNum(PortNumberOf(name).value_or(1));
    port.SetBaudrate(MeterSpeedRate(baud).value_or(br4800));
}

QString CliSession::DefaultPortName() {
    QSettings settings(QStringLiteral("Veltaron"), QStringLiteral("Ormix"));
    bool ok = false;
    int n = settings.value(QStringLiteral("Port"), 1).toInt(&ok);
    if (!ok || n <= 0) n = 1;
    return QStringLiteral("COM%1").arg(n);
}

void CliSession::Error(const QString &text) {
    if (ErrorLine) ErrorLine(QStringLiteral("ormix-cli: ") + text);
}

bool CliSession::UsesProductionDatabase() const {
    return options_.command == CliCommand::FixDb ||
           (options_.command == CliCommand::Write && options_.write.sql);
}

int CliSession::Run() {
    const QString name = options_.port.isEmpty() ? DefaultPortName() : options_.port;
    portName_ = name;
    // As the window does at its activation: a workstation the database does not know
    // touches no meter.
    if (UsesProductionDatabase()) {
        production_ = std::make_unique<CliProduction>();
        if (!production_->Identify([this](const QString &line) { Error(line); })) return ExitLog;
    }
    try {
        SetUpMeterPort(port_, name, options_.baud);
        engine_ = std::make_unique<TExchangeEngine>(&port_, this);
        engine_->Protocol().SetLogging(true);
        // Master mode is what writes the send and receive lines.
        engine_->Protocol().SetMasterMode(options_.trace);
        port_.Open();
    } catch (const EVaCommError &e) {
        Error(QStringLiteral("Ошибка открытия порта %1: %2").arg(name, e.text));
        return ExitPort;
    }

    connected_ = true;
    limit_.start();
    engine_->StartExchange();
    loop_.exec();
    limit_.stop();
    connected_ = false;
    try {
        engine_->EndConnection();
    } catch (const EVaCommError &e) {
        Error(QStringLiteral("Ошибка закрытия порта %1: %2").arg(name, e.text));
    }

    if (writeFailed_) exitCode_ = ExitMeter;
    if (exitCode_ == ExitMeter) {
        // With --trace the failing line is already on the screen.
        if (!options_.trace && !failureLine_.isEmpty())
            Error(ExchangeFailureText(portName_, failureRequest_, failureLine_));
        if (writeFailed_)
            Error(TExchangeEngine::WriteFailureTitle + QStringLiteral(": ") +
                  TExchangeEngine::WriteFailureText);
    }
    return exitCode_;
}

QByteArray CliSession::NextPollFrame() {
    if (phase_ == Phase::Reading) {
        if (!failureLine_.isEmpty()) {
            Finish(ExitMeter);
        } else if (cycleStarted_ && pollIndex_ == 0) {
            if (options_.command == CliCommand::FixDb) {
                Finish(FixInDatabase());
            } else if (options_.command == CliCommand::Write ||
                       options_.command == CliCommand::Schedule) {
                // The operator's click: the write goes behind the request now queued.
                phase_ = Phase::WriteQueued;
                QMetaObject::invokeMethod(this, &CliSession::StartWrite, Qt::QueuedConnection);
            } else {
                Finish(ExitDone);
            }
        }
    } else if (phase_ == Phase::WriteQueued && writeStarted_) {
        // The queue ran dry behind the write: the engine has logged it, or it failed (the
        // failure empties the queue before it reports the failed write, so its protocol
        // line tells).
        const bool failed = writeFailed_ || !failureLine_.isEmpty();
        Finish(failed ? ExitMeter : logFailed_ ? ExitLog : ExitDone);
    }

    const int major = snapshot_.FirmwareMajor();
    const PollStep step =
        NextPollRequest(pollIndex_, major, LayoutForFirmware(major).ddmControlsEnabled);
    if (pollIndex_ == 0) cycleStarted_ = true;
    pollIndex_ = step.nextIndex;
    return step.frame;
}

void CliSession::StartWrite() {
    if (phase_ != Phase::WriteQueued || writeStarted_) return;
    if (options_.command == CliCommand::Schedule) {
        StartSchedule();
        return;
    }
    const CliWriteOptions &w = options_.write;
    const int major = snapshot_.FirmwareMajor();
    const QString refusal = CheckWriteForFirmware(w, major, snapshot_.VersionText());
    if (!refusal.isEmpty()) {
        Error(refusal);
        if (ErrorLine) ErrorLine(CliUsageLine());
        Finish(ExitUsage);
        return;
    }

    // In SQL mode the clock follows the server's, before anything is queued.
    if (production_ && !production_->SyncClock([this](const QString &line) { Error(line); })) {
        Finish(ExitLog);
        return;
    }
    // The pickers follow the PC clock (or the server's); "now" is the moment of the click.
    const QDateTime now = production_ ? production_->Now() : QDateTime::currentDateTime();
    QDateTime clock = w.timeNow ? now : w.time.value_or(QDateTime());
    clock = clock.addMSecs(-clock.time().msec());
    written_ = WriteChoicesOf(w, major, clock);

    const WriteSequence seq = BuildWriteSequence(written_);
    if (!seq.ok()) {
        Error(seq.error);
        Finish(ExitUsage);
        return;
    }
    writeStarted_ = true;
    engine_->SetWritePending(true);
    for (const QByteArray &frame : seq.frames)
        engine_->Commands().Append(frame);
}

// The schedule's read or write, behind the poll request in flight as the page's buttons
// queue it; a write is logged as the window logs one, with none of the settings ticked.
void CliSession::StartSchedule() {
    const int major = snapshot_.FirmwareMajor();
    schedule_ = std::make_unique<ScheduleRun>(options_.schedule, major, options_.write.password);
    QString error;
    const QList<QByteArray> frames = schedule_->Frames(error);
    if (!error.isEmpty()) {
        Error(error);
        Finish(ExitUsage);
        return;
    }
    writeStarted_ = true;
    if (schedule_->IsWrite()) {
        written_ = WriteChoicesOf(options_.write, major, QDateTime());
        engine_->SetScheduleWritePending(true);
    }
    for (const QByteArray &frame : frames)
        engine_->Commands().Append(frame);
}

void CliSession::DecodeReply(const QByteArray &reply, const QByteArray &request) {
    if (request.isEmpty()) return;
    if (schedule_ && !schedule_->IsWrite()) {
        addingOwnLine_ = true;
        for (const QString &line : schedule_->Take(reply))
            engine_->Protocol().AddMessage(line);
        addingOwnLine_ = false;
    }
    const auto decoded =
        meter::DecodeReply(std::uint8_t(request[0]), reply, {QDate::currentDate().year()});
    // The password acknowledgement carries nothing to keep.
    if (!decoded || !snapshot_.Keep(*decoded)) return;
    if (const auto *clock = std::get_if<ClockReply>(&*decoded)) {
        addingOwnLine_ = true;
        for (const QString &line : clock->protocolLines)
            engine_->Protocol().AddMessage(line);
        addingOwnLine_ = false;
    }
}

void CliSession::LogCompletedWrite() {
    const CliWriteOptions &w = options_.write;
    if (w.noLog) {
        loggedTo_ = QStringLiteral("not logged (--no-log)");
        return;
    }
    if (production_) {
        meter::WriteChoices written = written_;
        written.writtenAt = production_->Now();
        const LogReport report = production_->Log(MeterShownOf(snapshot_), written);
        if (report.logged())
            loggedTo_ = QStringLiteral("logged to the production database");
        else if (report.outcome == LogReport::Outcome::Kept)
            loggedTo_ = QStringLiteral("kept in the unsent operations");
        if (!TellLogReport(report, [this](const QString &line) { Error(line); })) logFailed_ = true;
        return;
    }
    LocalLog log(w.logPath.isEmpty() ? SettingLog::DefaultPath() : w.logPath);
    meter::WriteChoices written = written_;
    written.writtenAt = QDateTime::currentDateTime();
    try {
        const LogReport report = log.LogCompletedWrite(MeterShownOf(snapshot_), written);
        if (report.logged()) {
            loggedTo_ = QStringLiteral("logged to %1").arg(log.Table().Path());
            return;
        }
        Error(report.text);
        if (report.outcome == LogReport::Outcome::Kept) {
            loggedTo_ = QStringLiteral("kept in unsent rows %1").arg(log.KeptPath());
            return;
        }
    } catch (const std::exception &e) {
        Error(QStringLiteral("Ошибка записи в БД: ") + QString::fromUtf8(e.what()));
    }
    logFailed_ = true;
}

// "Зафиксировать в БД" for the meter just read.
int CliSession::FixInDatabase() {
    if (!snapshot_.number || !snapshot_.number->number) {
        Error(QStringLiteral("Счетчик не сообщил заводской номер: фиксировать нечего"));
        return ExitMeter;
    }
    const LogReport report = production_->Fix(MeterShownOf(snapshot_));
    return TellLogReport(report, [this](const QString &line) { Error(line); }) ? ExitDone : ExitLog;
}

QString CliSession::WriteReport() const {
    return WrittenText(written_) + QStringLiteral("; ") + loggedTo_;
}

void CliSession::ShowWriteFailure(const QString &, const QString &) {
    writeFailed_ = true;
    qCDebug(lcTools) << "write failed:" << failureLine_;
}

void CliSession::ShowLineMessage(const QString &text) {
    // The window's panel 1; here it names the reason once, before the timeouts pile up.
    if (text == lineMessage_) return;
    lineMessage_ = text;
    Error(text);
}

void CliSession::ProtocolLineAdded(const QString &line) {
    if (options_.trace && ErrorLine) ErrorLine(line);
    if (!addingOwnLine_ && failureLine_.isEmpty() && !IsTraceLine(line)) {
        failureLine_ = line;
        if (engine_) failureRequest_ = engine_->TxFrame();
    }
}

void CliSession::Finish(int exitCode) {
    if (phase_ == Phase::Done) return;
    phase_ = Phase::Done;
    exitCode_ = exitCode;
    // No further frame is queued; the port is closed outside the port's event handler.
    connected_ = false;
    QMetaObject::invokeMethod(this, &CliSession::EndRun, Qt::QueuedConnection);
}

void CliSession::EndRun() {
    loop_.quit();
}

} // namespace ormix::cli
