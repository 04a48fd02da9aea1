// What ormix-cli takes from the system and what it says: arguments as the bytes given,
// device paths opened as they stand, failures that name the port, the request and the cause.
#include "link/vacomm.h"
#include "tools/ormix_cli/cli_messages.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace ormix::cli;

namespace {

TEST(CliArgumentBytes, TakesTextAndRefusesBytesThatWouldNameAnotherFile) {
    struct Case {
        QByteArray raw;
        bool taken;
    };
    const Case cases[] = {
        {"/tmp/Setting.DBF", true},
        {"/tmp/\xd0\x96\xd1\x83\xd1\x80\xd0\xbd\xd0\xb0\xd0\xbb.dbf", true}, // "Журнал" in UTF-8
        {"/tmp/\xff\xfe.dbf", false}, // would be written as two U+FFFD
        {"\xd0", false},              // cut inside a character
        {"", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.raw.toPercentEncoding().toStdString());
        const CliArguments a = CliArgumentsFromBytes({"write", c.raw});
        EXPECT_EQ(a.error.isEmpty(), c.taken) << a.error.toStdString();
        if (c.taken) {
            ASSERT_EQ(a.args.size(), 2);
            EXPECT_EQ(QFile::encodeName(a.args[1]), c.raw);
        } else {
            EXPECT_TRUE(a.error.startsWith("argument 2 ")) << a.error.toStdString();
            EXPECT_TRUE(a.args.isEmpty());
        }
    }
}

// The serial component formats a device name; the name of a path must come out unchanged.
TEST(CliPort, AnAbsolutePathIsOpenedAsItStands) {
    for (const QString path : {"/dev/ttyUSB0", "/dev/serial/my%d", "/dev/a%%b", "/dev/100%"}) {
        SCOPED_TRACE(path.toStdString());
        ormix::link::TVaComm port;
        port.SetPortNum(7);
        port.SetDeviceName(DeviceNameForPath(path));
        EXPECT_EQ(port.FormattedDeviceName(), path);
    }
}

TEST(CliFailure, NamesThePortTheRequestAndWhatHappened) {
    struct Case {
        QByteArray request;
        QString line;
        QString text;
    };
    const Case cases[] = {
        {QByteArray("\x04\x02", 2), "07:12:13:345 Timeout.",
         "порт /dev/pts/3, запрос 0x04: нет ответа (07:12:13:345 Timeout.)"},
        {QByteArray("\x14\x04\x00\x00", 4), "Ошибка контрольной суммы",
         "порт /dev/pts/3, запрос 0x14: Ошибка контрольной суммы"},
        {{},
         "обмен не закончился за 60 с",
         "порт /dev/pts/3, запрос —: обмен не закончился за 60 с"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ExchangeFailureText("/dev/pts/3", c.request, c.line), c.text);
}

TEST(CliWritten, SaysWhatTheWriteChanged) {
    ormix::meter::WriteChoices w;
    EXPECT_EQ(WrittenText(w), "записано: только пароль доступа");
    w.checkTime = w.summerTime = true;
    w.date = QDate(2026, 12, 10);
    w.time = QTime(14, 5, 7);
    w.factoryNumberMarked = true;
    w.factoryNumber = 123456;
    w.checkIndi = true;
    w.display = 3;
    EXPECT_EQ(WrittenText(w), "записано: время 2026-12-10 14:05:07 (летнее), номер 123456, "
                              "индикация 3");
}

} // namespace
