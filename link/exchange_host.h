#pragma once
// What the exchange engine needs from its owner (the main window, a command-line tool,
// a test). The engine calls these on the thread it lives on; none of them may delete the
// engine. Everything but the poll frame, the decoder and the connected notion has a
// do-nothing default so a tool without a screen implements only what it uses.
#include <QByteArray>
#include <QString>

namespace ormix::link {

enum class TIndicator { Success, Failure }; // Shape1: pure green / pure red

class TExchangeHost {
public:
    virtual ~TExchangeHost() = default;

    // Connected: ActionDisconnect is enabled.
    virtual bool IsConnected() const = 0;
    // The next periodic request, checksum appended, PollIndex advanced.
    virtual QByteArray NextPollFrame() = 0;
    // PollIndex back to 0 (first exchange after a connect).
    virtual void ResetPoll() {}
    // The decoder for the command code of `request`; `reply` passed every check. The
    // engine removes the head afterwards; a throw goes to the general error report.
    virtual void DecodeReply(const QByteArray &reply, const QByteArray &request) = 0;

    // The condition under which ActionSetting may be enabled when bytes arrive.
    virtual bool PasswordConditionHolds() const { return true; }
    virtual void SetActionSettingEnabled(bool) {}
    virtual void SetActionFixDbEnabled(bool) {}
    virtual void ClearMeterView() {}

    // A write sequence ran to its end: LogProductionRecord or LogLocalRecord by SqlMode.
    // Errors are the logger's to report; the engine goes on whatever happens here.
    virtual void LogCompletedWrite() {}
    // LabeledPass2 disabled after a completed write, until the next connect.
    virtual void DisableAccessPassword() {}
    virtual void ShowIndicator(TIndicator) {}
    virtual void HideIndicator() {}
    virtual void ActionReset() {}
    // Task-modal error box; returns when the operator closed it. Timer1 is off meanwhile.
    virtual void ShowWriteFailure(const QString &title, const QString &text) {
        (void)title;
        (void)text;
    }

    // StatusBar1: panel 0 shows SendCount, panel 1 carries line messages.
    virtual void ShowSendCount(int) {}
    virtual void ClearLinePanel() {}
    virtual void ShowLineMessage(const QString &text) { (void)text; }

    // Memo_Terminal mirrors the protocol view (link/protocol_view.h) through these.
    virtual void ProtocolLineAdded(const QString &line) { (void)line; }
    virtual void ProtocolFirstLineRemoved() {}
    virtual void ProtocolCleared() {}
    virtual void Beep() {}
};

} // namespace ormix::link
