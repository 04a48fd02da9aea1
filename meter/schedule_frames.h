#pragma once
// The request frames of a schedule read and of a schedule write, each with its checksum,
// and the checks a schedule passes before anything of it is queued.
#include "meter/schedule.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace ormix::meter {

// BtnReadScheduleClick: 08 02; from firmware 10 on also 2E 02, 26 03 s and 28 03 s for the
// sixteen slots s = 0..15 (34 frames in all). Queued behind whatever is queued already.
QList<QByteArray> ScheduleReadFrames(int firmwareMajor);
// From firmware 10 on the read empties ListCel and ListTransfer when it is queued (not when
// the replies arrive); the slot replies then append to them in slot order.
inline bool ScheduleReadEmptiesLists(int firmwareMajor) {
    return firmwareMajor >= kExtrasFirmware;
}

// BtnWriteScheduleClick, first part. An empty text when the schedule may be written, else the
// message for a modal box titled "Ошибка". The checks run in single-tariff mode too:
//  - below firmware 10 the start times strictly increase from zone 0 to zone 5;
//  - from firmware 10 on they do not decrease, every zone has a mark, and at least one mark
//    stands in a weekday column (ПР alone is not enough);
//  - then what the frames could not carry: a tariff outside 1..3, more than 16 holidays or
//    transfers, a holiday day that does not exist, a transfer outside 2000..2099 or of a day
//    type outside 1..8 (only for what would be sent).
QString ValidateSchedule(const Schedule &schedule, int firmwareMajor);

struct ScheduleWriteChoices {
    Schedule schedule;      // the page, read once
    int accessPassword = 0; // LabeledPass2, 0..65535
    int firmwareMajor = 0;
};

struct ScheduleWriteSequence {
    QList<QByteArray> frames; // each with its checksum; empty when `error` is set
    QString error;            // the validation message, or the password range message
    bool ok() const { return error.isEmpty(); }
};

// BtnWriteScheduleClick: the access password 14 04 first, then 09 02 alone in single-tariff
// mode; otherwise 09 14 with the six zones and, from firmware 10 on, 2F 08 with the masks,
// 27 02 (clear) and one 27 05 per holiday, 29 02 (clear) and one 29 07 per transfer, each
// in list order with its position as the slot: 2 frames below firmware 10, 5 + holidays +
// transfers from 10 on. Nothing at all when ValidateSchedule refuses or the password is
// outside 0..65535. The caller sets ScheduleWritePending and appends the frames.
ScheduleWriteSequence BuildScheduleWrite(const ScheduleWriteChoices &choices);

// The validation messages.
QString ZonesMustIncreaseMessage();    // below firmware 10
QString ZonesMustNotDecreaseMessage(); // firmware 10 and above
QString ZoneUndefinedMessage(int zone);
QString NoWeekdayMarksMessage();

} // namespace ormix::meter
