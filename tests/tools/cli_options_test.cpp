// ormix-cli's argument checks: every bad value is refused before a port is opened, with a
// message naming the option and its range.
#include "tools/ormix_cli/cli_options.h"
#include "tools/ormix_cli/meter_snapshot.h"

#include "link/frame.h"

#include <gtest/gtest.h>

using namespace ormix::link;
using namespace ormix::meter;
using namespace ormix::cli;

namespace {

QStringList Args(std::initializer_list<const char *> list) {
    QStringList out;
    for (const char *a : list)
        out << QString::fromUtf8(a);
    return out;
}

struct BadCase {
    std::initializer_list<const char *> args;
    const char *message; // part of the refusal
};

TEST(CliArguments, RefusesBadValuesNamingTheOptionAndItsRange) {
    const BadCase cases[] = {
        {{"write", "--password", "1", "--correction", "40"},
         "--correction must be a whole number from -31 to 31"},
        {{"write", "--password", "1", "--correction", "-32"}, "--correction must be"},
        {{"write", "--password", "1", "--billing", "0", "5"},
         "--billing DAY must be a whole number from 1 to 31"},
        {{"write", "--password", "1", "--billing", "5", "24"},
         "--billing HOUR must be a whole number from 0 to 23"},
        {{"write", "--password", "1", "--billing", "5"}, "--billing takes two values"},
        {{"write", "--password", "65536"}, "--password must be a whole number from 0 to 65535"},
        {{"write", "--password", "abc"}, "--password must be"},
        {{"write", "--password"}, "--password needs a value"},
        {{"write", "--password", "1", "--new-password", "70000"}, "--new-password must be"},
        {{"write", "--password", "1", "--time", "2100-01-01 00:00:00"},
         "--time must be a date from 2000 to 2099"},
        {{"write", "--password", "1", "--time", "1999-12-31 23:59:59"},
         "--time must be a date from 2000 to 2099"},
        {{"write", "--password", "1", "--time", "2024-02-30 10:00:00"}, "--time must be now or"},
        {{"write", "--password", "1", "--time", "yesterday"}, "--time must be now or"},
        {{"write", "--password", "1", "--summer"}, "--summer goes with --time"},
        {{"write", "--password", "1", "--number", "16777216"},
         "--number must be a whole number from 0 to 16777215"},
        {{"write", "--password", "1", "--display", "16"},
         "--display must be a whole number from 0 to 15"},
        {{"write", "--password", "1", "--ddm", "-1"}, "--ddm must be"},
        {{"write", "--password", "1", "--log", "a.dbf", "--no-log"}, "exclude each other"},
        {{"write", "--password", "1", "--json"}, "--json belongs to read"},
        {{"write"}, "write needs --password"},
        {{"read", "--number", "5"}, "--number belongs to write"},
        {{"--baud", "300", "read"}, "--baud must be 1200, 2400, 4800 or 9600"},
        {{"--port", "ttyS0", "read"}, "--port must be a port name"},
        {{"read", "--trace=yes"}, "--trace takes no value"},
        {{"read", "--bogus"}, "unknown option --bogus"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"read", "write"}, "unexpected argument \"write\""},
        {{}, "no command given"},
    };
    for (const BadCase &c : cases) {
        const CliParseResult r = ParseCliArguments(Args(c.args));
        EXPECT_FALSE(r.ok()) << Args(c.args).join(' ').toStdString();
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.message)))
            << Args(c.args).join(' ').toStdString() << " -> " << r.error.toStdString();
    }
}

TEST(CliArguments, ReadsEveryWriteOption) {
    const CliParseResult r = ParseCliArguments(Args({"--port=/dev/pts/7",
                                                     "--baud",
                                                     "9600",
                                                     "--trace",
                                                     "write",
                                                     "--password",
                                                     "1111",
                                                     "--time",
                                                     "2021-03-15 14:07:09",
                                                     "--summer",
                                                     "--new-password",
                                                     "4321",
                                                     "--number",
                                                     "777",
                                                     "--correction",
                                                     "-5",
                                                     "--status-reset",
                                                     "--billing",
                                                     "15",
                                                     "7",
                                                     "--display",
                                                     "5",
                                                     "--ddm",
                                                     "4242",
                                                     "--reset-billing",
                                                     "--reset-schedule",
                                                     "--log",
                                                     "x/Setting.DBF"}));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const CliOptions &o = r.options;
    EXPECT_EQ(o.command, CliCommand::Write);
    EXPECT_EQ(o.port, "/dev/pts/7");
    EXPECT_EQ(o.baud, 9600);
    EXPECT_TRUE(o.trace);
    const CliWriteOptions &w = o.write;
    EXPECT_EQ(w.password, 1111);
    EXPECT_EQ(w.time, QDateTime(QDate(2021, 3, 15), QTime(14, 7, 9)));
    EXPECT_FALSE(w.timeNow);
    EXPECT_TRUE(w.summer);
    EXPECT_EQ(w.newPassword, 4321);
    EXPECT_EQ(w.number, 777);
    EXPECT_EQ(w.correction, -5);
    EXPECT_TRUE(w.statusReset);
    EXPECT_EQ(w.billingDay, 15);
    EXPECT_EQ(w.billingHour, 7);
    EXPECT_EQ(w.display, 5);
    EXPECT_EQ(w.ddm, 4242);
    EXPECT_TRUE(w.resetBilling);
    EXPECT_TRUE(w.resetSchedule);
    EXPECT_EQ(w.logPath, "x/Setting.DBF");
}

TEST(CliArguments, DefaultsAndHelp) {
    const CliParseResult read = ParseCliArguments(Args({"read", "--json"}));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.options.command, CliCommand::Read);
    EXPECT_TRUE(read.options.json);
    EXPECT_TRUE(read.options.port.isEmpty()); // the saved port
    EXPECT_EQ(read.options.baud, 4800);       // the window's start-up speed

    const CliParseResult now =
        ParseCliArguments(Args({"write", "--password", "0", "--time", "now"}));
    ASSERT_TRUE(now.ok());
    EXPECT_TRUE(now.options.write.timeNow);
    EXPECT_FALSE(now.options.write.ddm.has_value());

    EXPECT_EQ(ParseCliArguments(Args({"--help"})).options.command, CliCommand::Help);
    EXPECT_EQ(ParseCliArguments(Args({"write", "--help"})).options.command, CliCommand::Help);
}

TEST(CliArguments, RefusesWhatTheMetersFirmwareCannotTake) {
    struct Case {
        CliWriteOptions w;
        int major;
        const char *message; // empty: accepted
    };
    CliWriteOptions billing;
    billing.billingDay = 15;
    billing.billingHour = 7;
    CliWriteOptions resetBilling;
    resetBilling.resetBilling = true;
    CliWriteOptions ddm;
    ddm.ddm = 4242;
    CliWriteOptions bigDdm;
    bigDdm.ddm = 70000;
    const Case cases[] = {
        {billing, 5, "--billing needs firmware 6 or later; this meter has 5.3"},
        {billing, 6, ""},
        {resetBilling, 5, "--reset-billing needs firmware 6"},
        {resetBilling, 10, ""},
        {ddm, 2, "--ddm needs firmware 3 or later"},
        {ddm, 3, ""},
        {bigDdm, 5, "--ddm must be a whole number from 0 to 65535"},
        {bigDdm, 6, ""},
    };
    for (const Case &c : cases) {
        const QString version = QStringLiteral("%1.3").arg(c.major);
        const QString refusal = CheckWriteForFirmware(c.w, c.major, version);
        if (*c.message == 0)
            EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
        else
            EXPECT_TRUE(refusal.contains(QString::fromUtf8(c.message))) << refusal.toStdString();
    }
}

// A reply through the decoder table into the snapshot, as the session hands it over.
bool Decode(MeterSnapshot &s, const QByteArray &reply) {
    const auto decoded = ormix::meter::DecodeReply(std::uint8_t(reply[0]), reply, {2026});
    return decoded && s.Keep(*decoded);
}

// The text output uses the settings page's captions, one "name : value" a line.
TEST(CliSnapshot, TextLinesCarryThePageCaptions) {
    MeterSnapshot s;
    ASSERT_TRUE(Decode(s, MakeFrame(0x00, QByteArray::fromHex("0205"))));   // 5.2
    ASSERT_TRUE(Decode(s, MakeFrame(0x01, QByteArray::fromHex("40e201")))); // 123456
    ASSERT_TRUE(Decode(s, MakeFrame(0x06, QByteArray::fromHex("05"))));     // -5
    ASSERT_TRUE(Decode(s, MakeFrame(0x0A, QByteArray::fromHex("91"))));
    ASSERT_TRUE(Decode(s, MakeFrame(0x0D, QByteArray::fromHex("05"))));
    ASSERT_TRUE(Decode(s, MakeFrame(0x11, QByteArray::fromHex("9a1c0003")))); // 7322, 3
    EXPECT_FALSE(Decode(s, MakeFrame(0x14)));

    const QStringList lines = SnapshotText(s);
    const QStringList expected = {
        "Версия ПО : 5.2",
        "Заводской № : 123456",
        "Суточная коррекция часов : -5",
        "Статус : 145",
        "Расшифровка статуса : Разряд батареи таймера календаря.",
        "Расшифровка статуса : Фиксация нарушения режима потребления.",
        "Расшифровка статуса : Канал 0 вышел из класса (0<Ф=В).",
        "Индикация : 5 (Суммарная, Дата)",
        "Время вкл. состояния : 61:1",
        "Счетчик коррекций : 3",
    };
    EXPECT_EQ(lines, expected);
}

} // namespace
