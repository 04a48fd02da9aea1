#pragma once
// The page "Терминал" / "Протокол" (TabSheet4): Memo_Terminal mirrors the engine's protocol
// view (link/protocol_view.h, which keeps the last 1500 lines) while CheckBox_Terminal
// "Включен" is ticked.
#include <QWidget>

class QCheckBox;
class QPlainTextEdit;

namespace ormix::ui {

class ProtocolPage : public QWidget {
    Q_OBJECT
public:
    explicit ProtocolPage(QWidget *parent);

    // Master mode records silently and starts switched off; operator mode starts on.
    void ApplyModes(bool masterMode);
    bool LoggingOn() const;

    // The changes of the protocol view, as it reports them.
    void AddLine(const QString &line);
    void RemoveFirstLine();
    void Clear();

signals:
    void loggingSwitched(bool on);

private:
    QPlainTextEdit *Memo_Terminal{};
    QCheckBox *CheckBox_Terminal{};
};

} // namespace ormix::ui
