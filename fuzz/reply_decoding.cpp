#include "fuzz/reply_decoding.h"

#include "fuzz/fuzz_main.h"
#include "link/commands.h"
#include "meter/journal_decoders.h"
#include "meter/journal_requests.h"
#include "meter/poll_decoders.h"
#include "meter/schedule_decoders.h"
#include "meter/schedule_editing.h"
#include "meter/status_text.h"

namespace ormix::fuzz {

using namespace ormix::meter;

const std::uint8_t kDecodedCodes[] = {
    Cmd::ReadVersion,       Cmd::ReadNumber,
    Cmd::ReadClock,         Cmd::ReadCorrection,
    Cmd::ReadZones,         Cmd::ReadStatus,
    Cmd::ReadDisplay,       Cmd::ReadEnergyOld,
    Cmd::ReadOperatingTime, Cmd::ReadBillingMonthOld,
    Cmd::ReadRecordOld,     Cmd::Password,
    Cmd::ReadDdm,           Cmd::ReadEnergy,
    Cmd::ReadYearlyRecord,  Cmd::ReadConsumption,
    Cmd::ReadBilling,       Cmd::ReadHoliday,
    Cmd::ReadTransfer,      Cmd::ReadLastDdmSession,
    Cmd::ReadDayAttributes,
};
const int kDecodedCodeCount = int(sizeof kDecodedCodes);

namespace {

int Length(const QByteArray &reply) {
    return reply.size() >= 2 ? std::uint8_t(reply[1]) : 0;
}

void CheckRow(const std::optional<GridRowUpdate> &update) {
    if (update) FUZZ_CHECK(update->row >= 1 && update->row <= kOldTableRows);
}

void DecodePoll(std::uint8_t code, const QByteArray &reply, int firmwareMajor) {
    switch (code) {
    case Cmd::ReadVersion: {
        const VersionReply r = DecodeVersion(reply);
        FUZZ_CHECK(r.major.has_value() == r.layout.has_value());
        if (r.major) LayoutForFirmware(*r.major);
        break;
    }
    case Cmd::ReadNumber:
        DecodeNumber(reply);
        break;
    case Cmd::ReadClock: {
        const ClockReply r = DecodeClock(reply);
        FUZZ_CHECK(!r.date || r.date->isValid());
        FUZZ_CHECK(!r.time || r.time->isValid());
        FUZZ_CHECK(r.meterMoment.has_value() == r.date.has_value());
        if (r.meterMoment)
            UpdateDrift(*r.meterMoment, r.meterMoment->addDays(1), r.meterMoment->addDays(-3), {});
        break;
    }
    case Cmd::ReadCorrection: {
        const CorrectionReply r = DecodeCorrectionReply(reply);
        FUZZ_CHECK(!r.correction || (*r.correction >= -31 && *r.correction <= 31));
        break;
    }
    case Cmd::ReadStatus:
        if (const StatusReply r = DecodeStatus(reply); r.status) {
            MainStatusLines(*r.status, firmwareMajor);
            StatusUpdate(*r.status, 0, firmwareMajor);
        }
        break;
    case Cmd::ReadDisplay: {
        const DisplayReply r = DecodeDisplay(reply);
        FUZZ_CHECK(r.mask.has_value() == r.boxes.has_value());
        if (r.mask)
            for (int bit = 0; bit < 4; ++bit)
                FUZZ_CHECK((*r.boxes)[bit] == bool(*r.mask & (1 << bit)));
        break;
    }
    case Cmd::ReadEnergyOld:
    case Cmd::ReadEnergy: {
        const EnergyReply r =
            code == Cmd::ReadEnergy ? DecodeEnergy(reply) : DecodeEnergyOld(reply);
        for (int t = 0; t < 3; ++t)
            FUZZ_CHECK(r.current[t].has_value() == r.currentKwh[t].has_value());
        break;
    }
    case Cmd::ReadOperatingTime:
        DecodeOperatingTime(reply);
        break;
    case Cmd::ReadDdm: {
        const DdmReply r = DecodeDdm(reply);
        FUZZ_CHECK(!r.number || *r.number <= 0xFFFFFF);
        break;
    }
    case Cmd::ReadBilling:
        DecodeBilling(reply);
        break;
    case Cmd::ReadLastDdmSession: {
        const LastSessionReply r = DecodeLastSession(reply);
        FUZZ_CHECK(r.moment.has_value() == r.text.has_value());
        break;
    }
    }
}

void DecodeSchedule(std::uint8_t code, const QByteArray &reply) {
    switch (code) {
    case Cmd::ReadZones: {
        const ZoneReply r = DecodeZoneReply(reply);
        FUZZ_CHECK(r.singleTariff == (Length(reply) == 2));
        if (Length(reply) != 20)
            for (const auto &t : r.tariffs)
                FUZZ_CHECK(!t);
        break;
    }
    case Cmd::ReadDayAttributes:
        DecodeMaskReply(reply);
        break;
    case Cmd::ReadHoliday:
        if (const auto h = DecodeHolidayReply(reply)) FUZZ_CHECK(IsValidHoliday(*h));
        break;
    case Cmd::ReadTransfer:
        if (const auto t = DecodeTransferReply(reply)) {
            FUZZ_CHECK(t->date.isValid() && t->date.year() >= 2000); // BCD digits go up to F
            FUZZ_CHECK(t->dayType >= 1 && t->dayType <= kDayTypeCount);
        }
        break;
    }
    // The page's own way of taking the reply: a list never grows past what a meter holds.
    Schedule schedule;
    for (int i = 0; i < kMaxHolidays + 2; ++i)
        ApplyScheduleReply(schedule, reply);
    FUZZ_CHECK(schedule.holidays.size() <= kMaxHolidays);
    FUZZ_CHECK(schedule.transfers.size() <= kMaxTransfers);
}

void DecodeJournal(std::uint8_t code, const QByteArray &reply, int year) {
    switch (code) {
    case Cmd::ReadYearlyRecord: {
        const YearlyRecord r = DecodeYearlyRecord(reply);
        CheckRow(r.update);
        FUZZ_CHECK(!r.gaugePosition ||
                   (*r.gaugePosition >= 0 && *r.gaugePosition <= kYearlyGaugeMaximum));
        break;
    }
    case Cmd::ReadConsumption: {
        const ConsumptionRecord r = DecodeConsumptionRecord(reply, year);
        FUZZ_CHECK(!r.gaugePosition ||
                   (*r.gaugePosition >= 0 && *r.gaugePosition <= kConsumptionGaugeMaximum));
        FUZZ_CHECK(!r.item || r.item->size() == 7);
        break;
    }
    case Cmd::ReadBillingMonthOld:
        CheckRow(DecodeBillingMonthRecord(reply).update);
        break;
    case Cmd::ReadRecordOld:
        CheckRow(DecodeNumberedRecord(reply).update);
        break;
    }
}

} // namespace

void DecodeReplyChecked(std::uint8_t code, const QByteArray &reply, int firmwareMajor, int year) {
    switch (code) {
    case Cmd::ReadZones:
    case Cmd::ReadDayAttributes:
    case Cmd::ReadHoliday:
    case Cmd::ReadTransfer:
        DecodeSchedule(code, reply);
        break;
    case Cmd::ReadYearlyRecord:
    case Cmd::ReadConsumption:
    case Cmd::ReadBillingMonthOld:
    case Cmd::ReadRecordOld:
        DecodeJournal(code, reply, year);
        break;
    default:
        DecodePoll(code, reply, firmwareMajor); // the password's acknowledgement carries nothing
    }
}

} // namespace ormix::fuzz
