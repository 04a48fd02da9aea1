#include "fuzz/reply_decoding.h"

#include "fuzz/fuzz_main.h"
#include "link/commands.h"
#include "meter/journal_requests.h"
#include "meter/reply_decoders.h"
#include "meter/schedule_editing.h"
#include "meter/status_text.h"

#include <variant>
#include <vector>

namespace ormix::fuzz {

using namespace ormix::meter;
namespace Cmd = ormix::link::Cmd;

namespace {

int Length(const QByteArray &reply) {
    return reply.size() >= 2 ? std::uint8_t(reply[1]) : 0;
}

void CheckRow(const std::optional<GridRowUpdate> &update) {
    if (update) FUZZ_CHECK(update->row >= 1 && update->row <= kOldTableRows);
}

// What each decoder promises of its result, and the follow-up code the window runs on it.
struct Promises {
    const QByteArray &reply;
    int firmwareMajor;

    void operator()(const VersionReply &r) const {
        FUZZ_CHECK(r.major.has_value() == r.layout.has_value());
        if (r.major) LayoutForFirmware(*r.major);
    }
    void operator()(const ClockReply &r) const {
        FUZZ_CHECK(!r.date || r.date->isValid());
        FUZZ_CHECK(!r.time || r.time->isValid());
        FUZZ_CHECK(r.meterMoment.has_value() == r.date.has_value());
        if (r.meterMoment)
            UpdateDrift(*r.meterMoment, r.meterMoment->addDays(1), r.meterMoment->addDays(-3), {});
    }
    void operator()(const CorrectionReply &r) const {
        FUZZ_CHECK(!r.correction || (*r.correction >= -31 && *r.correction <= 31));
    }
    void operator()(const StatusReply &r) const {
        if (!r.status) return;
        MainStatusLines(*r.status, firmwareMajor);
        StatusUpdate(*r.status, 0, firmwareMajor);
    }
    void operator()(const DisplayReply &r) const {
        FUZZ_CHECK(r.mask.has_value() == r.boxes.has_value());
        if (r.mask)
            for (int bit = 0; bit < 4; ++bit)
                FUZZ_CHECK((*r.boxes)[bit] == bool(*r.mask & (1 << bit)));
    }
    void operator()(const EnergyReply &r) const {
        for (int t = 0; t < 3; ++t)
            FUZZ_CHECK(r.current[t].has_value() == r.currentKwh[t].has_value());
    }
    void operator()(const DdmReply &r) const { FUZZ_CHECK(!r.number || *r.number <= 0xFFFFFF); }
    void operator()(const LastSessionReply &r) const {
        FUZZ_CHECK(r.moment.has_value() == r.text.has_value());
    }
    void operator()(const ZoneReply &r) const {
        FUZZ_CHECK(r.singleTariff == (Length(reply) == 2));
        if (Length(reply) != 20)
            for (const auto &t : r.tariffs)
                FUZZ_CHECK(!t);
    }
    void operator()(const HolidayReply &r) const {
        if (r.holiday) FUZZ_CHECK(IsValidHoliday(*r.holiday));
    }
    void operator()(const TransferReply &r) const {
        if (!r.transfer) return;
        FUZZ_CHECK(r.transfer->date.isValid() && r.transfer->date.year() >= 2000); // BCD up to F
        FUZZ_CHECK(r.transfer->dayType >= 1 && r.transfer->dayType <= kDayTypeCount);
    }
    void operator()(const YearlyRecord &r) const {
        CheckRow(r.update);
        FUZZ_CHECK(!r.gaugePosition ||
                   (*r.gaugePosition >= 0 && *r.gaugePosition <= kYearlyGaugeMaximum));
    }
    void operator()(const ConsumptionRecord &r) const {
        FUZZ_CHECK(!r.gaugePosition ||
                   (*r.gaugePosition >= 0 && *r.gaugePosition <= kConsumptionGaugeMaximum));
        FUZZ_CHECK(!r.item || r.item->size() == 7);
    }
    void operator()(const BillingMonthReply &r) const { CheckRow(r.record.update); }
    void operator()(const NumberedRecordReply &r) const { CheckRow(r.record.update); }
    // The rest promise nothing beyond not crashing.
    template <typename Other> void operator()(const Other &) const {}
};

bool IsScheduleReply(std::uint8_t code) {
    return code == Cmd::ReadZones || code == Cmd::ReadDayAttributes || code == Cmd::ReadHoliday ||
           code == Cmd::ReadTransfer;
}

// The page's own way of taking a schedule reply: a list never grows past what a meter holds.
void ApplyToSchedule(const QByteArray &reply) {
    Schedule schedule;
    for (int i = 0; i < kMaxHolidays + 2; ++i)
        ApplyScheduleReply(schedule, reply);
    FUZZ_CHECK(schedule.holidays.size() <= kMaxHolidays);
    FUZZ_CHECK(schedule.transfers.size() <= kMaxTransfers);
}

std::vector<std::uint8_t> CodesWithDecoder() {
    std::vector<std::uint8_t> codes;
    for (int code = 0; code < 256; ++code)
        if (HasReplyDecoder(std::uint8_t(code))) codes.push_back(std::uint8_t(code));
    return codes;
}

} // namespace

const std::vector<std::uint8_t> &DecodedCodes() {
    static const std::vector<std::uint8_t> codes = CodesWithDecoder();
    return codes;
}

void DecodeReplyChecked(std::uint8_t code, const QByteArray &reply, int firmwareMajor, int year) {
    ReplyContext context;
    context.currentYear = year;
    const std::optional<DecodedReply> decoded = DecodeReply(code, reply, context);
    FUZZ_CHECK(decoded.has_value() == HasReplyDecoder(code));
    if (decoded) std::visit(Promises{reply, firmwareMajor}, *decoded);
    if (IsScheduleReply(code)) ApplyToSchedule(reply);
}

} // namespace ormix::fuzz
