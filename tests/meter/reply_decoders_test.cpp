// The code -> decoder table: the codes it covers, the result each code gives, and that no
// decoder of it reads past a short reply.
#include "link/commands.h"
#include "meter/reply_decoders.h"
#include "meter_test_util.h"

#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::meter;

namespace {

constexpr ReplyContext kContext{2026};

TEST(ReplyDecoders, CoverExactlyTheCodesTheCommandTableDecodes) {
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(HasReplyDecoder(std::uint8_t(code)), HasDecoder(std::uint8_t(code)))
            << std::hex << code;
    // Every acknowledged write is a command of the table without a decoder.
    for (const CommandInfo &c : CommandTable()) {
        if (c.kind == CommandInfo::Write && c.code != Cmd::Password) {
            EXPECT_FALSE(c.hasDecoder) << std::hex << int(c.code);
        }
    }
}

// The code of the frame that was answered chooses the decoder, not the reply's length.
TEST(ReplyDecoders, EachCodeGivesItsOwnResult) {
    UsLocale locale;
    const auto decode = [](std::uint8_t code, const QByteArray &data) {
        return DecodeReply(code, MakeFrame(code, data), kContext);
    };
    EXPECT_TRUE(std::holds_alternative<VersionReply>(*decode(0x00, Bytes({0x02, 0x06}))));
    EXPECT_TRUE(std::holds_alternative<PasswordAck>(*decode(0x14, {})));
    EXPECT_TRUE(std::holds_alternative<ZoneReply>(*decode(0x08, {})));
    EXPECT_TRUE(std::holds_alternative<MaskReply>(*decode(0x2E, QByteArray(6, 0))));
    EXPECT_TRUE(std::holds_alternative<HolidayReply>(*decode(0x26, Bytes({0, 0x08, 0x03}))));
    EXPECT_TRUE(std::holds_alternative<TransferReply>(*decode(0x28, QByteArray(5, 0))));
    EXPECT_TRUE(std::holds_alternative<YearlyRecord>(*decode(0x18, QByteArray(17, 0))));
    EXPECT_TRUE(std::holds_alternative<ConsumptionRecord>(*decode(0x19, QByteArray(19, 0))));
    EXPECT_TRUE(std::holds_alternative<BillingMonthReply>(*decode(0x12, QByteArray(13, 0))));
    EXPECT_TRUE(std::holds_alternative<NumberedRecordReply>(*decode(0x13, QByteArray(7, 0))));

    // The same twelve data bytes as the old and the new energy reply.
    const QByteArray twelve = Bytes({0x05, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0});
    const auto old = std::get<EnergyReply>(*decode(0x0F, twelve));
    const auto now = std::get<EnergyReply>(*decode(0x17, twelve));
    EXPECT_EQ(old.current[0], "16.05");
    EXPECT_EQ(now.current[0], "67108.87"); // 0x10000005 quarter-watt-hours

    const auto holiday = std::get<HolidayReply>(*decode(0x26, Bytes({0, 0x08, 0x03})));
    EXPECT_EQ(holiday.holiday, (Holiday{8, 3}));
    for (std::uint8_t ack :
         {0x02, 0x05, 0x07, 0x09, 0x0B, 0x0E, 0x16, 0x23, 0x24, 0x27, 0x29, 0x2F})
        EXPECT_FALSE(decode(ack, {})) << std::hex << int(ack);
}

// A reply that claims more than it brings, cut at every length: each decoder of the table
// reads only what is there (AddressSanitizer watches the end of each block).
TEST(ReplyDecoders, NoDecoderReadsPastAShortReply) {
    for (int code = 0; code < 256; ++code) {
        if (!HasReplyDecoder(std::uint8_t(code))) continue;
        QByteArray full(40, char(0x99));
        full[0] = char(code);
        full[1] = char(0xFF);
        for (qsizetype n = 0; n <= full.size(); ++n) {
            const ExactBytes reply(full.left(n));
            EXPECT_TRUE(DecodeReply(std::uint8_t(code), reply.view(), kContext))
                << std::hex << code << " cut at " << std::dec << n;
        }
    }
}

} // namespace
