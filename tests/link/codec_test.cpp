#include "link/commands.h"
#include "link/encodings.h"
#include "link/frame.h"

#include <gtest/gtest.h>

using namespace ormix::link;

namespace {
QByteArray hex(const char *text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

struct FrameCase {
    const char *name;
    QByteArray frame; // without checksum
    const char *onLine;
};

TEST(Codec, FramesCarryTheWorkedChecksums) {
    const FrameCase cases[] = {
        {"version", MakeFrame(Cmd::ReadVersion).left(2), "00 02 80 71"},
        {"number", hex("01 02"), "01 02 81 E1"},
        {"clock", hex("04 02"), "04 02 82 B1"},
        {"status", hex("0A 02"), "0A 02 86 D1"},
        {"energy", hex("17 02"), "17 02 8F 81"},
        {"ddm session", hex("2A 02"), "2A 02 9F 11"},
        {"error reply", hex("81 03 01"), "81 03 01 E0 D8"},
        {"reset status", hex("0B 02"), "0B 02 87 41"},
        {"reset billing", hex("24 02"), "24 02 9B 71"},
        {"reset schedule", hex("09 02"), "09 02 86 21"},
        {"correction +5", hex("07 03") + char(EncodeCorrection(5)), "07 03 25 01 2A"},
        {"correction -5", hex("07 03") + char(EncodeCorrection(-5)), "07 03 05 00 F2"},
        {"display", hex("0E 03 05"), "0E 03 05 D0 F0"},
        {"clock write",
         hex("05 0A") + EncodeCalendarBlock(QDate(2011, 3, 15), QTime(14, 7, 9), true),
         "05 0A 09 07 14 02 15 03 11 80 2B 35"},
    };
    for (const auto &c : cases) {
        QByteArray f = c.frame;
        AppendCrc(f);
        EXPECT_EQ(f.toHex(' ').toUpper(), QByteArray(c.onLine)) << c.name;
        EXPECT_TRUE(CheckCrc(f)) << c.name;
    }
    EXPECT_EQ(MakeFrame(Cmd::ReadVersion), hex("00 02 80 71"));
    EXPECT_EQ(Crc16(QByteArray("123456789")), 0x4B37);
    QByteArray empty;
    AppendCrc(empty);
    EXPECT_EQ(empty, hex("FF FF"));
}

TEST(Codec, CheckCrcRejectsSwappedOrDamagedChecksums) {
    EXPECT_FALSE(CheckCrc(hex("00 02 71 80")));
    EXPECT_FALSE(CheckCrc(hex("00 03 80 71")));
    EXPECT_FALSE(CheckCrc(hex("80")));
}

TEST(Codec, ErrorRepliesAndTheirTexts) {
    const QByteArray request = hex("01 02 81 E1");
    QByteArray unknown = hex("81 03 07");
    AppendCrc(unknown);
    EXPECT_TRUE(IsErrorReply(hex("81 03 01 E0 D8"), request));
    EXPECT_TRUE(IsErrorReply(unknown, request));
    EXPECT_FALSE(IsErrorReply(hex("81 03 01 E0 D9"), request)) << "wrong checksum";
    EXPECT_FALSE(IsErrorReply(hex("81 03 01 E0 D8"), hex("00 02 80 71"))) << "other request";
    EXPECT_FALSE(IsErrorReply(hex("81 03 01 E0 D8 00"), request)) << "six bytes";

    const std::pair<int, const char *> texts[] = {
        {1, "Ошибка: Неизвестная функция"},
        {2, "Ошибка: Неверная длина запроса"},
        {3, "Ошибка: Неверная контрольная сумма"},
        {4, "Ошибка: Неверные данные запроса"},
        {5, "Ошибка: Память защищена"},
        {6, "Ошибка: Доступ запрещен"},
        {0, "Неизвестная ошибка"},
        {7, "Неизвестная ошибка"},
    };
    for (const auto &[code, text] : texts)
        EXPECT_EQ(ErrorReplyText(code), QString::fromUtf8(text)) << code;
}

TEST(Codec, NumberEncodings) {
    EXPECT_EQ(BcdToInt(0x59), 59);
    EXPECT_EQ(BcdToInt(0x3A), 40);
    EXPECT_EQ(IntToBcd(14), 0x14);
    EXPECT_EQ(IntToBcd(7), 0x07);

    EXPECT_EQ(ReadCounter17(hex("FF FF FF"), 0), 131071u);
    EXPECT_EQ(ReadCounter17(hex("01 00 FE"), 0), 1u);
    EXPECT_EQ(ReadLE24(hex("40 E2 01"), 0), 123456u);
    EXPECT_EQ(ReadLE32(hex("FF FF FF FF"), 0), 4294967295u);
    QByteArray le;
    AppendLE16(le, 0x1234);
    AppendLE24(le, 0x56789A);
    EXPECT_EQ(le, hex("34 12 9A 78 56"));

    EXPECT_EQ(OperatingTimeText(7322), "61:1");
    EXPECT_EQ(OperatingTimeText(0), "0:0");
    EXPECT_EQ(OperatingTimeText(7199), "59:59");

    EXPECT_EQ(SecondsSince2000ToDateTime(86400).date(), QDate(2000, 1, 2));
    EXPECT_EQ(SecondsSince2000ToDateTime(86400).time(), QTime(0, 0));
    EXPECT_EQ(DateTimeToSecondsSince2000(SecondsSince2000ToDateTime(123456789)), 123456789u);

    const std::pair<int, std::uint8_t> corrections[] = {
        {5, 0x25}, {-5, 0x05}, {0, 0x20}, {31, 0x3F}, {-31, 0x1F}};
    for (const auto &[value, byte] : corrections) {
        EXPECT_EQ(EncodeCorrection(value), byte) << value;
        EXPECT_EQ(DecodeCorrection(byte), value) << value;
    }

    const CalendarBlock c = ReadCalendarBlock(hex("09 07 14 02 15 03 11 80"), 0);
    EXPECT_EQ(c.seconds, 9);
    EXPECT_EQ(c.hours, 14);
    EXPECT_EQ(c.weekday, 2);
    EXPECT_EQ(c.year, 2011);
    EXPECT_TRUE(c.summerTime);
    EXPECT_EQ(HexBytes(hex("0a ff")), "0A FF ");
}
} // namespace
