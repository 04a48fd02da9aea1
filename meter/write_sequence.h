#pragma once
// The settings write: the operator's choices turned into request frames, in the order the
// meter expects them: access password, clock, new password, factory number, correction,
// status reset, billing day and hour, display set, DDM number, billing-readings reset,
// tariff-schedule reset.
#include "meter/write_choices.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace ormix::meter {

struct WriteSequence {
    QList<QByteArray> frames; // each with its checksum; empty when `error` is set
    QString error;            // why nothing can be sent, in the system's words
    bool ok() const { return error.isEmpty(); }
};

// The frames of a settings write. Refused, with nothing to send, when the clock is to be
// written with a date outside 2000..2099 (the meter keeps only two digits of the year) or an
// invalid time, or when a password that would be sent is outside 0..65535.
WriteSequence BuildWriteSequence(const WriteChoices &choices);

// The acknowledgement of a password frame (0x14) switches AccessPassword to NewPassword (and
// LabeledPass2 to LabeledPass1's text) when CheckPassword is ticked and the two differ.
// The same condition decides whether the new-password frame is queued.
inline bool PasswordAckSwitches(bool checkPassword, qint64 newPassword, qint64 accessPassword) {
    return checkPassword && newPassword != accessPassword;
}

// Messages of a refused write.
QString WriteDateRangeMessage(); // "Дата должна быть в пределах 2000–2099 годов"
QString WriteTimeInvalidMessage();
QString WritePasswordRangeMessage();

} // namespace ormix::meter
