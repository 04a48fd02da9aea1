#include "link/protocol_view.h"

#include "link/frame.h"

namespace ormix::link {

QString ProtocolSendLine(const QTime &time, const QByteArray &frame) {
    return time.toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral(" Send ") +
           HexBytes(frame);
}

QString ProtocolReceiveLine(const QTime &time, const QByteArray &bytes) {
    return time.toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral(" Received: ") +
           HexBytes(bytes);
}

QString ProtocolTimeoutLine(const QTime &time) {
    return time.toString(QStringLiteral("hh:mm:ss:zzz")) + QStringLiteral(" Timeout.");
}

void TProtocolView::AddSend(const QByteArray &frame) {
    if (logging_ && master_) add(ProtocolSendLine(QTime::currentTime(), frame));
}

void TProtocolView::AddReceived(const QByteArray &bytes) {
    if (logging_ && master_) add(ProtocolReceiveLine(QTime::currentTime(), bytes));
}

void TProtocolView::AddTimeout() {
    if (logging_) add(ProtocolTimeoutLine(QTime::currentTime()));
}

void TProtocolView::AddMessage(const QString &text) {
    if (logging_) add(text);
}

void TProtocolView::AddNotice(const QString &text) {
    add(text);
}

void TProtocolView::Clear() {
    lines_.clear();
    changed(Change::Cleared, QString());
}

void TProtocolView::add(const QString &line) {
    lines_.append(line);
    changed(Change::LineAdded, line);
}

// Memo_TerminalChange: the removal at the limit is itself a change, so a line added to a
// full view sounds twice outside master mode.
void TProtocolView::changed(Change change, const QString &line) {
    if (OnChange) OnChange(change, line);
    if (lines_.size() > MaxLines) {
        lines_.removeFirst();
        changed(Change::FirstLineRemoved, QString());
    }
    if (!master_ && OnBeep) OnBeep();
}

} // namespace ormix::link
