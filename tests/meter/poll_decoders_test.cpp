#include "meter/poll_decoders.h"
#include "meter_test_util.h"

#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::meter;

namespace {
TEST(VersionReply, TextAndLayoutPerGeneration) {
    const struct {
        int minorBcd, majorBcd;
        const char *text;
        int major, typeId;
        bool ddm, oldJournals, newJournals, checkReset, extras;
        std::optional<std::uint32_t> ddmMax;
    } cases[] = {
        {0x02, 0x01, "1.2", 1, 1, false, true, false, false, false, 65535},
        {0x03, 0x05, "5.3", 5, 6, true, true, false, false, false, 65535},
        {0x12, 0x05, "5.12", 5, 6, true, true, false, false, false, 65535},
        {0x01, 0x06, "6.1", 6, 6, true, false, true, true, false, std::nullopt},
        {0x00, 0x10, "10.0", 10, 6, true, false, true, true, true, std::nullopt},
    };
    for (const auto &c : cases) {
        const VersionReply r = DecodeVersion(WithCrc(Bytes({0x00, 0x04, c.minorBcd, c.majorBcd})));
        SCOPED_TRACE(c.text);
        EXPECT_EQ(r.text, QString::fromLatin1(c.text));
        ASSERT_TRUE(r.layout);
        const FirmwareLayout &l = *r.layout;
        EXPECT_EQ(l.firmwareMajor, c.major);
        EXPECT_EQ(l.meterTypeId, c.typeId);
        EXPECT_EQ(l.ddmControlsEnabled, c.ddm);
        EXPECT_EQ(l.ddmValue, c.ddm ? std::nullopt : std::optional<int>(1));
        EXPECT_EQ(l.ddmMaximum, c.ddmMax);
        EXPECT_EQ(l.oldJournalsVisible, c.oldJournals);
        EXPECT_EQ(l.newJournalsVisible, c.newJournals);
        EXPECT_EQ(l.checkResetVisible, c.checkReset);
        EXPECT_EQ(l.scheduleExtrasVisible, c.extras);
    }
}

TEST(NumberReply, NumberAndEditability) {
    const NumberReply numbered = DecodeNumber(WithCrc(Bytes({0x01, 0x05, 0x39, 0x30, 0x01})));
    EXPECT_EQ(numbered.number, 0x013039u);
    EXPECT_FALSE(numbered.editable());
    const NumberReply blank = DecodeNumber(WithCrc(Bytes({0x01, 0x05, 0, 0, 0})));
    EXPECT_EQ(blank.number, 0u);
    EXPECT_TRUE(blank.editable());
}

// 15 March 2011, 14:07:09, a Tuesday, summer-time switching on.
QByteArray ClockReplyBytes(int s, int m, int h, int wd, int d, int mo, int y, int flags) {
    return WithCrc(Bytes({0x04, 0x0A, s, m, h, wd, d, mo, y, flags}));
}

TEST(ClockReply, ValidAndInvalidParts) {
    RuLocale ru;
    const QString weekdayWarning = QStringLiteral("Предупреждение: Получен ошибочный день недели");
    const QString badTime = QStringLiteral("Получено ошибочное время");
    const QString badDate = QStringLiteral("Получена ошибочная дата");
    const struct {
        const char *name;
        QByteArray reply;
        std::optional<QString> text;
        QStringList lines;
        std::optional<QDateTime> moment;
    } cases[] = {
        {"valid",
         ClockReplyBytes(0x09, 0x07, 0x14, 2, 0x15, 0x03, 0x11, 0x80),
         QStringLiteral("15.03.2011 14:07:09"),
         {},
         QDateTime(QDate(2011, 3, 15), QTime(14, 7, 9), Qt::UTC)},
        {"wrong weekday",
         ClockReplyBytes(0x09, 0x07, 0x14, 3, 0x15, 0x03, 0x11, 0),
         QStringLiteral("15.03.2011 14:07:09"),
         {weekdayWarning},
         QDateTime(QDate(2011, 3, 15), QTime(14, 7, 9), Qt::UTC)},
        // 0x5A is read as 60 seconds: not a time of day. The date stands alone.
        {"bad time",
         ClockReplyBytes(0x5A, 0x07, 0x14, 2, 0x15, 0x03, 0x11, 0),
         QStringLiteral("15.03.2011"),
         {badTime},
         QDateTime(QDate(2011, 3, 15), QTime(0, 0), Qt::UTC)},
        {"hour 24",
         ClockReplyBytes(0x00, 0x00, 0x24, 2, 0x15, 0x03, 0x11, 0),
         QStringLiteral("15.03.2011"),
         {badTime},
         QDateTime(QDate(2011, 3, 15), QTime(0, 0), Qt::UTC)},
        // Without a date the weekday is not judged.
        {"bad date",
         ClockReplyBytes(0x09, 0x07, 0x14, 5, 0x31, 0x02, 0x11, 0),
         QStringLiteral("14:07:09"),
         {badDate},
         std::nullopt},
        {"both bad",
         ClockReplyBytes(0x60, 0x07, 0x14, 2, 0x00, 0x13, 0x11, 0),
         std::nullopt,
         {badTime, badDate},
         std::nullopt},
        {"leap day",
         ClockReplyBytes(0x00, 0x00, 0x00, 4, 0x29, 0x02, 0x24, 0),
         QStringLiteral("29.02.2024 00:00:00"),
         {},
         QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ClockReply r = DecodeClock(c.reply);
        EXPECT_EQ(r.curTimeText, c.text);
        EXPECT_EQ(r.protocolLines, c.lines);
        EXPECT_EQ(r.meterMoment, c.moment);
    }
    EXPECT_EQ(DecodeClock(cases[0].reply).summerTime, true);
    EXPECT_EQ(DecodeClock(cases[1].reply).summerTime, false);
}

TEST(ClockReply, TextsFollowTheLocale) {
    const QByteArray reply = ClockReplyBytes(0x09, 0x07, 0x14, 2, 0x15, 0x03, 0x11, 0x80);
    UsLocale us;
    EXPECT_EQ(DecodeClock(reply).curTimeText, QStringLiteral("3/15/11 2:07:09 PM"));
}

TEST(Drift, RunningAverageAndConditions) {
    UsLocale us;
    const QDateTime now(QDate(2024, 5, 20), QTime(10, 0), Qt::LocalTime);
    const QDateTime tenDaysAgo = now.addDays(-10);

    const auto first = UpdateDrift(now.addSecs(50), now, tenDaysAgo, {});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text, QStringLiteral("5.00"));
    const auto second = UpdateDrift(now.addSecs(52), now, tenDaysAgo, first->state);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->text, QStringLiteral("5.10"));
    EXPECT_EQ(second->state.count, 2);

    const auto behind = UpdateDrift(now.addSecs(-30), now, tenDaysAgo, {});
    ASSERT_TRUE(behind);
    EXPECT_EQ(behind->text, QStringLiteral("-3.00"));

    // No figure within 12 hours of the last setting, or without one.
    EXPECT_FALSE(UpdateDrift(now.addSecs(50), now, now.addSecs(-12 * 3600), {}));
    EXPECT_TRUE(UpdateDrift(now.addSecs(50), now, now.addSecs(-12 * 3600 - 1), {}));
    EXPECT_FALSE(UpdateDrift(now.addSecs(50), now, QDateTime(), {}));
}

TEST(Drift, TextFormats) {
    {
        RuLocale ru;
        EXPECT_EQ(DriftText(5.1), QStringLiteral("5,10"));
        EXPECT_EQ(DriftText(99999.994), QStringLiteral("99999,99"));
        EXPECT_EQ(DriftText(123456.0), QStringLiteral("1,2346E+05"));
    }
    UsLocale us;
    EXPECT_EQ(DriftText(-0.004), QStringLiteral("-0.00"));
}

TEST(SmallReplies, CorrectionStatusDisplayBillingDdm) {
    const struct {
        int byte, value;
    } corrections[] = {{0x25, 5}, {0x05, -5}, {0x20, 0}, {0x3F, 31}, {0x1F, -31}, {0x00, 0}};
    for (const auto &c : corrections)
        EXPECT_EQ(DecodeCorrectionReply(WithCrc(Bytes({0x06, 0x03, c.byte}))).correction, c.value);

    EXPECT_EQ(DecodeStatus(WithCrc(Bytes({0x0A, 0x03, 0x91}))).status, 0x91);

    const DisplayReply display = DecodeDisplay(WithCrc(Bytes({0x0D, 0x03, 0x05})));
    EXPECT_EQ(display.boxes, (std::array<bool, 4>{true, false, true, false}));
    EXPECT_EQ(DecodeDisplay(WithCrc(Bytes({0x0D, 0x03, 0xFA}))).boxes,
              (std::array<bool, 4>{false, true, false, true}));

    const BillingReply billing = DecodeBilling(WithCrc(Bytes({0x22, 0x04, 0x14, 0x25})));
    EXPECT_EQ(billing.hour, 14);
    EXPECT_EQ(billing.day, 25);

    // 16-bit with L = 4 (the checksum after it is not a third byte), 24-bit from L = 5.
    EXPECT_EQ(DecodeDdm(WithCrc(Bytes({0x15, 0x04, 0x34, 0x12}))).number, 0x1234u);
    EXPECT_EQ(DecodeDdm(WithCrc(Bytes({0x15, 0x05, 0x56, 0x34, 0x12}))).number, 0x123456u);
    EXPECT_EQ(DecodeDdm(WithCrc(Bytes({0x15, 0x06, 0x56, 0x34, 0x12, 0x99}))).number, 0x123456u);
}

TEST(EnergyReply, OldFormatWholeAndHundredths) {
    // Hundredths 5, 0, 123; whole kWh 1234, 0 and a 17-bit counter whose top byte is 0xFF.
    const QByteArray shortReply =
        Bytes({0x0F, 14, 5, 0, 123, 0xD2, 0x04, 0x00, 0, 0, 0, 0xFF, 0xFF, 0xFF});
    QByteArray longReply = shortReply;
    longReply[1] = 23;
    longReply += Bytes({0x10, 0x27, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01});
    const struct {
        QByteArray reply;
        std::array<QString, 3> billing;
    } cases[] = {
        {WithCrc(shortReply), {}},
        {WithCrc(longReply), {"10000", "1", "65536"}},
    };
    for (const auto &c : cases) {
        {
            RuLocale ru;
            const EnergyReply r = DecodeEnergyOld(c.reply);
            EXPECT_EQ(r.current[0], QStringLiteral("1234,05"));
            EXPECT_EQ(r.current[1], QStringLiteral("0,00"));
            EXPECT_EQ(r.current[2], QStringLiteral("131071,123"));
            EXPECT_EQ(r.billing, c.billing);
        }
        UsLocale us;
        EXPECT_EQ(DecodeEnergyOld(c.reply).current[0], QStringLiteral("1234.05"));
    }
}

TEST(EnergyReply, NewFormatQuarterWattHours) {
    QByteArray reply = Bytes({0x17, 14});
    for (std::uint32_t count : {12345678u, 0u, 4294967295u})
        AppendLE32(reply, count);
    QByteArray longReply = reply;
    longReply[1] = 26;
    for (std::uint32_t count : {4000u, 1u, 2u})
        AppendLE32(longReply, count);

    RuLocale ru;
    const EnergyReply s = DecodeEnergy(WithCrc(reply));
    EXPECT_EQ(s.current[0], QStringLiteral("3086,42"));
    EXPECT_EQ(s.current[1], QStringLiteral("0,00"));
    EXPECT_EQ(s.current[2], QStringLiteral("1073741,82"));
    EXPECT_EQ(s.billing, (std::array<QString, 3>{}));
    const EnergyReply l = DecodeEnergy(WithCrc(longReply));
    EXPECT_EQ(l.current[0], QStringLiteral("3086,42"));
    EXPECT_EQ(l.billing, (std::array<QString, 3>{"1,00", "0,00", "0,00"}));
    EXPECT_DOUBLE_EQ(*l.billingKwh[0], 1.0);
}

TEST(OperatingTimeReply, RawCountHoursAndCorrections) {
    const OperatingTimeReply r =
        DecodeOperatingTime(WithCrc(Bytes({0x11, 0x06, 0x9A, 0x1C, 0x00, 3})));
    EXPECT_EQ(r.rawText, QStringLiteral("7322"));
    EXPECT_EQ(r.hoursText, QStringLiteral("61:1"));
    EXPECT_EQ(r.correctionsText, QStringLiteral("3"));
}

TEST(LastSessionReply, SecondsSince2000) {
    RuLocale ru;
    QByteArray reply = Bytes({0x2A, 0x07, 0xEE});
    AppendLE32(reply, 86400 + 3661);
    const LastSessionReply r = DecodeLastSession(WithCrc(reply));
    EXPECT_EQ(r.moment, QDateTime(QDate(2000, 1, 2), QTime(1, 1, 1), Qt::UTC));
    EXPECT_EQ(r.text, QStringLiteral("02.01.2000 01:01:01"));
}

// Full replies of every poll code: every prefix of them (the buffer cut anywhere) and every
// smaller length byte must decode without reading past either end. ExactBytes makes a read
// past the buffer an AddressSanitizer report.
TEST(ShortReplies, NeverReadPastTheFrame) {
    QByteArray energy = Bytes({0x17, 26});
    for (int i = 0; i < 6; ++i)
        AppendLE32(energy, 0x01020304u * (i + 1));
    const QByteArray full[] = {
        WithCrc(Bytes({0x00, 0x04, 0x02, 0x06})),
        WithCrc(Bytes({0x01, 0x05, 1, 2, 3})),
        ClockReplyBytes(0x09, 0x07, 0x14, 2, 0x15, 0x03, 0x11, 0x80),
        WithCrc(Bytes({0x06, 0x03, 0x25})),
        WithCrc(Bytes({0x0A, 0x03, 0x91})),
        WithCrc(Bytes({0x0D, 0x03, 0x0F})),
        WithCrc(Bytes(
            {0x0F, 23, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21})),
        WithCrc(energy),
        WithCrc(Bytes({0x11, 0x06, 1, 2, 3, 4})),
        WithCrc(Bytes({0x15, 0x05, 1, 2, 3})),
        WithCrc(Bytes({0x22, 0x04, 0x12, 0x25})),
        WithCrc(Bytes({0x2A, 0x07, 0, 1, 2, 3, 4})),
    };
    auto decodeAll = [](const QByteArray &b) {
        DecodeVersion(b);
        DecodeNumber(b);
        DecodeClock(b);
        DecodeCorrectionReply(b);
        DecodeStatus(b);
        DecodeDisplay(b);
        DecodeEnergyOld(b);
        DecodeEnergy(b);
        DecodeOperatingTime(b);
        DecodeDdm(b);
        DecodeBilling(b);
        DecodeLastSession(b);
    };
    for (const QByteArray &reply : full) {
        for (qsizetype n = 0; n <= reply.size(); ++n) {
            const ExactBytes cut(reply.left(n));
            decodeAll(cut.view());
        }
        for (int length = 0; length < 256; ++length) {
            QByteArray relabelled = reply;
            relabelled[1] = static_cast<char>(length);
            const ExactBytes exact(relabelled);
            decodeAll(exact.view());
        }
    }
}

TEST(ShortReplies, DecodeOnlyWhatTheLengthByteCovers) {
    // A length byte below the data: the checksum that follows is never taken for data.
    const VersionReply version = DecodeVersion(WithCrc(Bytes({0x00, 0x03, 0x05})));
    EXPECT_EQ(version.minor, 5);
    EXPECT_FALSE(version.major);
    EXPECT_FALSE(version.text);
    EXPECT_FALSE(version.layout);

    EXPECT_FALSE(DecodeNumber(WithCrc(Bytes({0x01, 0x04, 1, 2}))).number);
    EXPECT_FALSE(DecodeStatus(WithCrc(Bytes({0x0A, 0x02}))).status);

    // Time only: no date, no weekday warning, no summer flag.
    const ClockReply clock = DecodeClock(WithCrc(Bytes({0x04, 0x06, 0x09, 0x07, 0x14, 0x05})));
    EXPECT_TRUE(clock.time);
    EXPECT_FALSE(clock.date);
    EXPECT_TRUE(clock.protocolLines.isEmpty());
    EXPECT_FALSE(clock.summerTime);

    // Tariff 1 complete, tariff 2 cut inside its counter.
    const EnergyReply energy =
        DecodeEnergyOld(WithCrc(Bytes({0x0F, 0x0A, 1, 2, 3, 10, 0, 0, 20, 0})));
    EXPECT_TRUE(energy.current[0]);
    EXPECT_FALSE(energy.current[1]);
    EXPECT_FALSE(energy.current[2]);

    // A long-variant length with the billing values missing from the buffer.
    QByteArray cut = Bytes({0x17, 26});
    for (int i = 0; i < 3; ++i)
        AppendLE32(cut, 4000);
    const EnergyReply partial = DecodeEnergy(cut);
    EXPECT_TRUE(partial.current[2]);
    EXPECT_EQ(partial.billing, (std::array<QString, 3>{}));

    const OperatingTimeReply time = DecodeOperatingTime(WithCrc(Bytes({0x11, 0x05, 1, 0, 0})));
    EXPECT_EQ(time.rawText, QStringLiteral("1"));
    EXPECT_FALSE(time.correctionsText);

    EXPECT_FALSE(DecodeLastSession(WithCrc(Bytes({0x2A, 0x06, 0, 1, 2, 3}))).moment);
}
} // namespace
