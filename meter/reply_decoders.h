#pragma once
// The code -> decoder table: every reply the system decodes, turned into one plain result.
// The window routes each result to the page that shows it; the command-line tool keeps
// the poll results it prints. The table covers exactly the codes link/commands.h marks as
// having a decoder; every other accepted reply is an acknowledgement.
#include "meter/journal_decoders.h"
#include "meter/poll_decoders.h"
#include "meter/schedule_decoders.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <variant>

namespace ormix::meter {

// 0x14: the meter took a password frame (the access password field follows it).
struct PasswordAck {};
// 0x26, 0x28: one slot of the holiday or transfer list; nothing in an unused slot.
struct HolidayReply {
    std::optional<Holiday> holiday;
};
struct TransferReply {
    std::optional<Transfer> transfer;
};
// 0x12, 0x13: the journals of firmware below 6.
struct BillingMonthReply {
    OldJournalRecord record;
};
struct NumberedRecordReply {
    OldJournalRecord record;
};

using DecodedReply =
    std::variant<VersionReply, NumberReply, ClockReply, CorrectionReply, StatusReply, DisplayReply,
                 EnergyReply, OperatingTimeReply, DdmReply, BillingReply, LastSessionReply,
                 PasswordAck, ZoneReply, MaskReply, HolidayReply, TransferReply, YearlyRecord,
                 ConsumptionRecord, BillingMonthReply, NumberedRecordReply>;

// What a decoder needs besides the reply.
struct ReplyContext {
    // The year of the workstation's clock: consumption records carry none.
    int currentYear = 0;
};

// The result of the reply to command `code` (the code of the frame it answers, which a
// validated reply echoes); nothing for a code without a decoder.
std::optional<DecodedReply> DecodeReply(std::uint8_t code, const QByteArray &reply,
                                        const ReplyContext &context);
// `code` has an entry in the table.
bool HasReplyDecoder(std::uint8_t code);

} // namespace ormix::meter
