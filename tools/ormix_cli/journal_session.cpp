#include "tools/ormix_cli/journal_session.h"

#include "link/port_setup.h"
#include "link/port_table.h"
#include "meter/poll_cycle.h"
#include "meter/read_progress.h"
#include "meter/reply_decoders.h"

#include <QDate>
#include <QRegularExpression>

using namespace ormix::link;

namespace ormix::cli {

namespace {
// The send and receive trace; every other protocol line is a rejection, a timeout or a
// decoder's message.
bool IsTraceLine(const QString &line) {
    static const QRegularExpression re(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} (Send |Received: )"));
    return re.match(line).hasMatch();
}
constexpr int kVersionIndex = 0, kNumberIndex = 1; // of the poll cycle
} // namespace

JournalSession::JournalSession(const JournalOptions &options, const JournalOutput &output)
    : options_(options), output_(output), table_(options.kind) {
    limit_.setSingleShot(true);
    limit_.setInterval(kRunLimitMs);
    connect(&limit_, &QTimer::timeout, this, [this] {
        if (failureLine_.isEmpty())
            failureLine_ =
                QStringLiteral("the read did not end within %1 s").arg(kRunLimitMs / 1000);
        Finish(ExitMeter);
    });
}

JournalSession::~JournalSession() {
    engine_.reset(); // before the port it listens to
}

void JournalSession::Error(const QString &text) {
    if (output_.err) output_.err(QStringLiteral("ormix-cli: ") + text);
}

int JournalSession::Run() {
    const CliOptions &o = options_.common;
    const QString name = o.port.isEmpty() ? CliSession::DefaultPortName() : o.port;
    try {
        CliSession::SetUpMeterPort(port_, name, o.baud);
        engine_ = std::make_unique<TExchangeEngine>(&port_, this);
        engine_->Protocol().SetLogging(true);
        engine_->Protocol().SetMasterMode(o.trace); // master mode writes the trace
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
    if (journalQueued_ && output_.progress) output_.progress(QString());
    if (exitCode_ == ExitMeter && !o.trace && !failureLine_.isEmpty()) Error(failureLine_);
    return exitCode_;
}

// The queue ran dry: the version is asked until it is answered, then the factory number
// (for the title); once the journal has gone out, this is its end.
QByteArray JournalSession::NextPollFrame() {
    if (!failureLine_.isEmpty() && !journalQueued_) Finish(ExitMeter);
    if (journalQueued_)
        Finish(answered_ < queued_ || !failureLine_.isEmpty() ? ExitMeter : ExitDone);
    const int index = phase_ == Phase::Number ? kNumberIndex : kVersionIndex;
    return meter::NextPollRequest(index, std::max(firmwareMajor_, 0), false).frame;
}

void JournalSession::QueueJournal() {
    if (phase_ != Phase::Journal || journalQueued_) return;
    if (!FirmwareHasJournal(options_.kind, firmwareMajor_)) {
        Error(QStringLiteral("the meter (firmware %1) keeps no %2 journal: it is read from %3")
                  .arg(firmwareMajor_)
                  .arg(JournalKindName(options_.kind), JournalFirmwareText(options_.kind)));
        Finish(ExitUsage);
        return;
    }
    const QList<QByteArray> frames = JournalRequests(options_.kind);
    queued_ = int(frames.size());
    journalQueued_ = true;
    readTime_.start();
    ShowProgress();
    for (const QByteArray &frame : frames)
        engine_->Commands().Append(frame);
}

void JournalSession::ShowProgress() {
    if (!output_.progress) return;
    output_.progress(
        meter::ProgressText(meter::EstimateProgress(answered_, queued_, readTime_.elapsed())));
}

void JournalSession::DecodeReply(const QByteArray &reply, const QByteArray &request) {
    if (request.isEmpty() || phase_ == Phase::Done) return;
    const auto decoded =
        meter::DecodeReply(std::uint8_t(request[0]), reply, {QDate::currentDate().year()});
    if (!decoded) return;
    if (const auto *v = std::get_if<meter::VersionReply>(&*decoded)) {
        if (phase_ == Phase::Version && v->layout) {
            firmwareMajor_ = v->layout->firmwareMajor;
            phase_ = Phase::Number;
        }
    } else if (const auto *n = std::get_if<meter::NumberReply>(&*decoded)) {
        if (phase_ != Phase::Number) return;
        if (n->number) factoryNumber_ = *n->number;
        phase_ = Phase::Journal;
        // Behind the reply's removal from the queue, as a click would come.
        QMetaObject::invokeMethod(this, &JournalSession::QueueJournal, Qt::QueuedConnection);
    } else if (journalQueued_ && table_.Apply(*decoded)) {
        ++answered_;
        ShowProgress();
    }
}

void JournalSession::ProtocolLineAdded(const QString &line) {
    if (options_.common.trace && output_.err) output_.err(line);
    if (failureLine_.isEmpty() && !IsTraceLine(line)) failureLine_ = line;
}

void JournalSession::Finish(int exitCode) {
    if (phase_ == Phase::Done) return;
    phase_ = Phase::Done;
    exitCode_ = exitCode;
    connected_ = false; // no further frame goes out; the port closes outside its handler
    QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
}

} // namespace ormix::cli
