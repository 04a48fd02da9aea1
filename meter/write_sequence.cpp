#include "meter/write_sequence.h"

#include "link/commands.h"
#include "link/encodings.h"
#include "link/frame.h"

#include <QtGlobal>

using namespace ormix::link;

namespace ormix::meter {

namespace {
QByteArray PasswordFrame(qint64 password) {
    QByteArray data;
    AppendLE16(data, static_cast<std::uint32_t>(password));
    return MakeFrame(Cmd::Password, data);
}

QByteArray Byte(int v) {
    return QByteArray(1, static_cast<char>(v));
}
} // namespace

QString WriteDateRangeMessage() {
    return QStringLiteral("Дата должна быть в пределах 2000–2099 годов");
}
QString WriteTimeInvalidMessage() {
    return QStringLiteral("Неверное время для записи");
}
QString WritePasswordRangeMessage() {
    return QStringLiteral("Пароль должен быть числом от 0 до 65535");
}

WriteSequence BuildWriteSequence(const WriteChoices &c) {
    WriteSequence seq;
    const bool sendNewPassword =
        PasswordAckSwitches(c.checkPassword, c.newPassword, c.accessPassword);

    // Everything that cannot be carried is refused before a single frame exists, so a
    // half-built sequence never reaches the meter.
    if (!PasswordInRange(c.accessPassword) ||
        (sendNewPassword && !PasswordInRange(c.newPassword))) {
        seq.error = WritePasswordRangeMessage();
        return seq;
    }
    if (c.checkTime) {
        // The calendar block holds the year as two BCD digits after 2000.
        if (!c.date.isValid() || c.date.year() < 2000 || c.date.year() > 2099) {
            seq.error = WriteDateRangeMessage();
            return seq;
        }
        if (!c.time.isValid()) {
            seq.error = WriteTimeInvalidMessage();
            return seq;
        }
    }

    seq.frames << PasswordFrame(c.accessPassword);
    if (c.checkTime)
        seq.frames << MakeFrame(Cmd::WriteClock, EncodeCalendarBlock(c.date, c.time, c.summerTime));
    if (sendNewPassword) seq.frames << PasswordFrame(c.newPassword);
    if (c.factoryNumberMarked) {
        QByteArray data;
        AppendLE24(data, static_cast<std::uint32_t>(
                             qBound<qint64>(0, c.factoryNumber, kFactoryNumberMax)));
        seq.frames << MakeFrame(Cmd::WriteNumber, data);
    }
    if (c.checkCorrect) {
        const int v = qBound(-kCorrectionLimit, c.correction, kCorrectionLimit);
        seq.frames << MakeFrame(Cmd::WriteCorrection, Byte(EncodeCorrection(v)));
    }
    if (c.checkStatus) seq.frames << MakeFrame(Cmd::ResetStatus);
    if (c.checkSchedule && c.firmwareMajor >= 6) {
        QByteArray data;
        data.append(static_cast<char>(IntToBcd(qBound(0, c.billingHour, 23))));
        data.append(static_cast<char>(IntToBcd(qBound(1, c.billingDay, 31))));
        seq.frames << MakeFrame(Cmd::WriteBilling, data);
    }
    if (c.checkIndi) {
        seq.frames << MakeFrame(Cmd::WriteDisplay, Byte(c.display & 0x0F));
    }
    if (c.checkDdm && c.ddmEnabled) {
        QByteArray data;
        if (c.firmwareMajor >= 6)
            AppendLE24(data,
                       static_cast<std::uint32_t>(qBound<qint64>(0, c.ddmNumber, kDdmMaxNew)));
        else
            AppendLE16(data,
                       static_cast<std::uint32_t>(qBound<qint64>(0, c.ddmNumber, kDdmMaxOld)));
        seq.frames << MakeFrame(Cmd::WriteDdm, data);
    }
    if (c.checkResetVisible && c.checkReset) seq.frames << MakeFrame(Cmd::ResetBillingReadings);
    if (c.checkResetTariff) seq.frames << MakeFrame(Cmd::WriteZones);
    return seq;
}

} // namespace ormix::meter
