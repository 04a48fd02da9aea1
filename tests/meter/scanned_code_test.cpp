// The scanner's bytes, event by event, into the factory numbers they give.
#include "meter/scanned_code.h"

#include <gtest/gtest.h>
#include <vector>

using namespace ormix::meter;

namespace {

TEST(ScannedCode, ReceiveEventsGiveTheNumbersOfCompleteCodes) {
    const struct {
        const char *what;
        std::vector<QByteArray> events;
        std::vector<std::optional<int>> results; // one per event
    } cases[] = {
        {"split code", {"12", "34", "56", "\r"}, {{}, {}, {}, 123456}},
        {"CR LF: the LF is trimmed off the next code", {"123\r\n", "456\r"}, {123, 456}},
        {"two codes in one event", {"123\r456\r"}, {0}},
        {"letters", {"ABC123\r"}, {0}},
        {"above 2147483647", {"2147483648\r"}, {0}},
        {"the largest", {"2147483647\r"}, {2147483647}},
        {"negative", {"-5\r"}, {0}},
        {"blanks and controls around",
         {" \t\x02"
          "000077 \x03\r"},
         {77}},
        {"only a carriage return", {"\r"}, {0}},
        {"a zero byte inside",
         {QByteArray("12\0"
                     "34\r",
                     6)},
         {0}},
        {"garbage bytes", {QByteArray("\xff\xfe\x80\r", 4)}, {0}},
    };
    for (const auto &c : cases) {
        ScanBuffer buffer;
        ASSERT_EQ(c.events.size(), c.results.size()) << c.what;
        for (size_t i = 0; i < c.events.size(); ++i)
            EXPECT_EQ(buffer.Take(c.events[i]), c.results[i]) << c.what << ", event " << i;
        EXPECT_TRUE(buffer.Pending().isEmpty() || buffer.Pending() == "\n") << c.what;
    }
}

TEST(ScannedCode, ALongLineWithoutCarriageReturnIsDroppedWithItsTail) {
    ScanBuffer buffer;
    const QByteArray noise(ScanBuffer::kCapacity + 1, '7');
    EXPECT_EQ(buffer.Take(noise), std::nullopt);
    EXPECT_TRUE(buffer.Pending().isEmpty());
    // The end of that line is not a code of its own: no partial number reaches the field.
    EXPECT_EQ(buffer.Take("1234"), std::nullopt);
    EXPECT_EQ(buffer.Take("56\r"), std::nullopt);
    // The next line is read again.
    EXPECT_EQ(buffer.Take("42\r"), 42);

    // Just under the capacity is kept, whatever its content.
    const QByteArray longCode = QByteArray(ScanBuffer::kCapacity - 2, '0') + "5";
    EXPECT_EQ(buffer.Take(longCode), std::nullopt);
    EXPECT_EQ(buffer.Take("\r"), 5);
}

} // namespace
