#pragma once
// What the operator chose to write, as one plain value: read once from the settings page
// when "Записать" is executed (the command-line tool fills it from its options), turned into
// frames by the write sequence, and recorded by whichever log takes the completed write.
// Reading it at the click and keeping it with the pending write means the log records
// what was sent, also when a box is unticked while the frames go out.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

namespace ormix::meter {

struct WriteChoices {
    int firmwareMajor = 0; // FirmwareMajor: which frames and fields this meter takes

    int accessPassword = 0;     // AccessPassword (LabeledPass2), sent first to open the meter
    bool checkPassword = false; // CheckPassword
    qint64 newPassword = 0;     // NewPassword (LabeledPass1)

    bool checkTime = false;  // CheckTime
    QDate date;              // DatePicker, years 2000..2099
    QTime time;              // TimePicker
    bool summerTime = false; // CheckBoxClock

    qint64 factoryNumber = 0;         // SpinEdit_Number
    bool factoryNumberMarked = false; // its Tag is 1: typed, proposed by "+" or scanned

    bool checkCorrect = false; // CheckCorrect
    int correction = 0;        // SpinClock

    bool checkStatus = false; // CheckStatus

    bool checkSchedule = false; // CheckShedule; sent and logged from firmware 6 on
    int billingDay = 1;         // SpinDay
    int billingHour = 0;        // SpinHour

    bool checkIndi = false; // CheckIndi
    int display = 0;        // CheckBox1..CheckBox4 as bits 0..3

    bool checkDdm = false;   // CheckVDM ticked
    bool ddmEnabled = false; // CheckVDM enabled (firmware 3 and above)
    qint64 ddmNumber = 0;    // SpinEditVDM

    bool checkResetVisible = false; // CheckReset is shown from firmware 6 on
    bool checkReset = false;
    bool checkResetTariff = false; // CheckResetTariff (SQL mode)

    // The moment the meter took the whole write, set when the queue ran empty (the
    // server's time where the workstation follows it).
    QDateTime writtenAt;
};

// Value ranges of a settings write; a spin-edit value outside is set to the nearest bound
// before it enters a frame.
constexpr qint64 kFactoryNumberMax = 16777215; // 24 bits
constexpr int kCorrectionLimit = 31;
constexpr qint64 kDdmMaxOld = 65535;    // firmware below 6: 16-bit
constexpr qint64 kDdmMaxNew = 16777215; // firmware 6 and above: 24-bit
constexpr int kPasswordMax = 65535;     // 16 bits

inline bool PasswordInRange(qint64 password) {
    return password >= 0 && password <= kPasswordMax;
}

// A decimal integer as the password fields take it: an optional minus sign and digits,
// nothing around them; nothing for any other text.
std::optional<qint64> DecimalInteger(const QString &text);
// The password condition of one field: its text is a decimal integer from 0 to 65535.
inline bool PasswordText(const QString &text) {
    const auto v = DecimalInteger(text);
    return v && PasswordInRange(*v);
}

} // namespace ormix::meter
