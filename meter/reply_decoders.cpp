#include "meter/reply_decoders.h"

#include "link/commands.h"

#include <array>

namespace ormix::meter {
namespace {

namespace Cmd = link::Cmd;
using Decode = DecodedReply (*)(const QByteArray &reply, const ReplyContext &context);

struct Entry {
    std::uint8_t code;
    Decode decode;
};

const std::array kDecoders{
    // The poll cycle.
    Entry{Cmd::ReadVersion, [](auto &r, auto &) -> DecodedReply { return DecodeVersion(r); }},
    Entry{Cmd::ReadNumber, [](auto &r, auto &) -> DecodedReply { return DecodeNumber(r); }},
    Entry{Cmd::ReadClock, [](auto &r, auto &) -> DecodedReply { return DecodeClock(r); }},
    Entry{Cmd::ReadCorrection,
          [](auto &r, auto &) -> DecodedReply { return DecodeCorrectionReply(r); }},
    Entry{Cmd::ReadStatus, [](auto &r, auto &) -> DecodedReply { return DecodeStatus(r); }},
    Entry{Cmd::ReadDisplay, [](auto &r, auto &) -> DecodedReply { return DecodeDisplay(r); }},
    Entry{Cmd::ReadEnergyOld, [](auto &r, auto &) -> DecodedReply { return DecodeEnergyOld(r); }},
    Entry{Cmd::ReadEnergy, [](auto &r, auto &) -> DecodedReply { return DecodeEnergy(r); }},
    Entry{Cmd::ReadOperatingTime,
          [](auto &r, auto &) -> DecodedReply { return DecodeOperatingTime(r); }},
    Entry{Cmd::ReadDdm, [](auto &r, auto &) -> DecodedReply { return DecodeDdm(r); }},
    Entry{Cmd::ReadBilling, [](auto &r, auto &) -> DecodedReply { return DecodeBilling(r); }},
    Entry{Cmd::ReadLastDdmSession,
          [](auto &r, auto &) -> DecodedReply { return DecodeLastSession(r); }},
    // The settings write.
    Entry{Cmd::Password, [](auto &, auto &) -> DecodedReply { return PasswordAck{}; }},
    // The tariff schedule.
    Entry{Cmd::ReadZones, [](auto &r, auto &) -> DecodedReply { return DecodeZoneReply(r); }},
    Entry{Cmd::ReadDayAttributes,
          [](auto &r, auto &) -> DecodedReply { return DecodeMaskReply(r); }},
    Entry{Cmd::ReadHoliday,
          [](auto &r, auto &) -> DecodedReply { return HolidayReply{DecodeHolidayReply(r)}; }},
    Entry{Cmd::ReadTransfer,
          [](auto &r, auto &) -> DecodedReply { return TransferReply{DecodeTransferReply(r)}; }},
    // The journals.
    Entry{Cmd::ReadYearlyRecord,
          [](auto &r, auto &) -> DecodedReply { return DecodeYearlyRecord(r); }},
    Entry{
        Cmd::ReadConsumption,
        [](auto &r, auto &c) -> DecodedReply { return DecodeConsumptionRecord(r, c.currentYear); }},
    Entry{Cmd::ReadBillingMonthOld,
          [](auto &r, auto &) -> DecodedReply {
              return BillingMonthReply{DecodeBillingMonthRecord(r)};
          }},
    Entry{Cmd::ReadRecordOld,
          [](auto &r, auto &) -> DecodedReply {
              return NumberedRecordReply{DecodeNumberedRecord(r)};
          }},
};

const Entry *Find(std::uint8_t code) {
    for (const Entry &e : kDecoders)
        if (e.code == code) return &e;
    return nullptr;
}

} // namespace

std::optional<DecodedReply> DecodeReply(std::uint8_t code, const QByteArray &reply,
                                        const ReplyContext &context) {
    if (const Entry *e = Find(code)) return e->decode(reply, context);
    return std::nullopt;
}

bool HasReplyDecoder(std::uint8_t code) {
    return Find(code) != nullptr;
}

} // namespace ormix::meter
