#pragma once
// The settings write: the operator's choices turned into request frames, in the order the
// meter expects them: access password, clock, new password, factory number, correction,
// status reset, billing day and hour, display set, DDM number, billing-readings reset,
// tariff-schedule reset.
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>

namespace ormix::meter {

struct WriteChoices {
    int accessPassword = 0; // LabeledPass2, 0..65535
    int newPassword = 0;    // LabeledPass1, 0..65535 when CheckPassword is ticked
    bool checkPassword = false;

    bool checkTime = false;
    QDate date;              // DatePicker, years 2000..2099
    QTime time;              // TimePicker
    bool summerTime = false; // CheckBoxClock

    qint64 factoryNumber = 0;         // SpinEdit_Number
    bool factoryNumberMarked = false; // its Tag is 1: typed, "+" or scanner

    bool checkCorrect = false;
    int correction = 0; // SpinClock

    bool checkStatus = false;

    bool checkSchedule = false; // CheckShedule; sent from firmware 6 on
    int billingDay = 1;         // SpinDay
    int billingHour = 0;        // SpinHour

    bool checkIndi = false;
    std::array<bool, 4> display{}; // CheckBox1..CheckBox4

    bool checkDdm = false;   // CheckVDM ticked
    bool ddmEnabled = false; // CheckVDM enabled (firmware 3 and above)
    qint64 ddmNumber = 0;    // SpinEditVDM

    bool checkResetVisible = false; // CheckReset is shown from firmware 6 on
    bool checkReset = false;
    bool checkResetTariff = false;

    int firmwareMajor = 0;
};

// Value ranges; a value outside is set to the nearest bound before it enters a frame.
constexpr qint64 kFactoryNumberMax = 16777215;
constexpr int kCorrectionLimit = 31;
constexpr qint64 kDdmMaxOld = 65535;    // firmware below 6: 16-bit
constexpr qint64 kDdmMaxNew = 16777215; // firmware 6 and above: 24-bit
constexpr int kPasswordMax = 65535;

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
inline bool PasswordAckSwitches(bool checkPassword, int newPassword, int accessPassword) {
    return checkPassword && newPassword != accessPassword;
}

// Messages of a refused write.
QString WriteDateRangeMessage(); // "Дата должна быть в пределах 2000–2099 годов"
QString WriteTimeInvalidMessage();
QString WritePasswordRangeMessage();

} // namespace ormix::meter
