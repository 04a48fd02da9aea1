#pragma once
// What the settings page shows of the connected meter, as the logs record it: filled from
// the poll decoders' results (by the page, or by the command-line tool from its read) and
// taken when a write has completed. The readings and the version are recorded as the texts
// shown; every other field is the value itself.
#include "meter/write_choices.h"

#include <QString>
#include <array>
#include <optional>

namespace ormix::meter {

struct MeterShown {
    qint64 factoryNumber = 0;           // SpinEdit_Number
    bool numberFieldEnabled = false;    // the meter reported 0: its number is given now
    int meterTypeId = 6;                // MeterTypeId
    QString versionText;                // LabeledVersion, "major.minor"
    std::optional<qint64> onTime;       // EditOff: the raw operating-time count, half-minutes
    std::optional<int> correctionCount; // LabeledNCorrect
    int lastStatus = 0;                 // LastStatus
    // EditTariff1..3 and LabeledTariff1..3 as shown: FormatReading in the locale of the
    // page, empty where the meter gave none.
    std::array<QString, 3> currentReadingText;
    std::array<QString, 3> billingReadingText;
    QString driftText; // LabeledDelta, seconds a day; empty where no drift was measured
};

// The number a log records: the one written when the write carried one, else the one
// shown.
inline qint64 LoggedFactoryNumber(const MeterShown &shown, const WriteChoices &choices) {
    return choices.factoryNumberMarked ? choices.factoryNumber : shown.factoryNumber;
}

} // namespace ormix::meter
