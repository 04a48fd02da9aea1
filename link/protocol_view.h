#pragma once
// The protocol view's rules (Memo_Terminal): line formats, which lines are written,
// the line limit and the beep. The window only mirrors the changes it is told about.
#include <QByteArray>
#include <QStringList>
#include <QTime>
#include <functional>

namespace ormix::link {

// "hh:nn:ss.zzz Send 00 02 80 71 "
QString ProtocolSendLine(const QTime &time, const QByteArray &frame);
// "hh:nn:ss.zzz Received: 81 03 01 E0 D8 " (only the bytes just read)
QString ProtocolReceiveLine(const QTime &time, const QByteArray &bytes);
// "hh:nn:ss:zzz Timeout." (a colon before the milliseconds)
QString ProtocolTimeoutLine(const QTime &time);

class TProtocolView {
public:
    static constexpr int MaxLines = 1500;

    enum class Change { LineAdded, FirstLineRemoved, Cleared };
    // Called after each change of the text, removals at the limit included.
    std::function<void(Change change, const QString &line)> OnChange;
    std::function<void()> OnBeep;

    // ModeFlags bit 0: the send/receive trace is written, and changes are silent.
    void SetMasterMode(bool on) { master_ = on; }
    bool MasterMode() const { return master_; }
    // CheckBox_Terminal.
    void SetLogging(bool on) { logging_ = on; }
    bool Logging() const { return logging_; }

    // Each writes its line when the rules allow; the time is the local time now.
    void AddSend(const QByteArray &frame);
    void AddReceived(const QByteArray &bytes);
    void AddTimeout();
    // Rejections and decoder messages: the text alone, needs logging only.
    void AddMessage(const QString &text);
    // A line the operator is told once, whether recording is on or not.
    void AddNotice(const QString &text);
    void Clear();

    const QStringList &Lines() const { return lines_; }

private:
    void add(const QString &line);
    void changed(Change change, const QString &line);

    QStringList lines_;
    bool master_ = false;
    bool logging_ = true;
};

} // namespace ormix::link
