#include "link/port_table.h"
#include "link/vacomm.h"
#include "pty_pair.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ormix::link;

namespace {

QStringList Names(const PortTable &t) {
    QStringList out;
    for (const PortEntry &e : t.Entries())
        out << e.name + "=" + e.devicePath;
    return out;
}

TEST(PortTable, FixedPortsKeepTheirNumberAdaptersFollowByStableName) {
    const QList<SerialDevice> devices = {
        {"ttyUSB1", "/dev/serial/by-id/usb-B", "usb-B"},
        {"ttyS3", "/dev/ttyS3", ""},
        {"ttyACM0", "/dev/ttyACM0", ""},
        {"ttyUSB0", "/dev/serial/by-id/usb-A", "usb-A"},
        {"ttyS0", "/dev/ttyS0", ""},
    };
    const PortTable t = PortTable::Build(devices, {{"COM4", 4, "/dev/pts/7"}, {"COM12", 12, "/x"}});
    EXPECT_EQ(Names(t),
              (QStringList{"COM1=/dev/ttyS0", "COM4=/dev/pts/7", "COM5=/dev/serial/by-id/usb-A",
                           "COM6=/dev/serial/by-id/usb-B", "COM7=/dev/ttyACM0", "COM12=/x"}));
    EXPECT_EQ(t.Entries().at(2).number, 5);

    const struct {
        const char *name;
        std::optional<QString> path;
    } cases[] = {
        {"COM5", "/dev/serial/by-id/usb-A"},
        {"Com5", "/dev/serial/by-id/usb-A"},
        {"com12", "/x"},
        {"/dev/ttyS9", "/dev/ttyS9"},
        {"COM2", std::nullopt},
        {"COM", std::nullopt},
        {"LPT1", std::nullopt},
        {"COM1x", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(t.Resolve(c.name), c.path) << c.name;
}

TEST(PortTable, MappingsFromConfigurationAndEnvironment) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("Ormix.conf"), QSettings::IniFormat);
    settings.setValue("Ports/COM9", "/dev/pts/4");
    settings.setValue("Ports/COM10", "/dev/serial/by-id/usb-X");
    settings.setValue("Ports/Scanner", "/dev/ttyS1"); // no COMn: skipped
    settings.setValue("Ports/COM11", "");
    const PortTable t =
        PortTable::Load(settings, "COM10=/dev/pts/5; com3=/dev/pts/6;junk;COM0=/a;=");
    EXPECT_EQ(t.Resolve("COM9"), "/dev/pts/4");
    EXPECT_EQ(t.Resolve("COM10"), "/dev/pts/5"); // the environment wins for this run
    EXPECT_EQ(t.Resolve("COM3"), "/dev/pts/6");
    EXPECT_EQ(t.Resolve("COM11"), std::nullopt);
    EXPECT_EQ(t.Resolve("COM0"), std::nullopt);
    EXPECT_EQ(settings.value("Ports/COM10").toString(), "/dev/serial/by-id/usb-X");
}

TEST(PortTable, ScanKeepsRealUartsAndPrefersByIdLinks) {
    QTemporaryDir root;
    const QString sys = root.filePath("class/tty"), byId = root.filePath("by-id");
    auto makeTty = [&](const QString &name, const char *type) {
        QDir().mkpath(sys + "/" + name + "/device");
        if (type) {
            QFile f(sys + "/" + name + "/type");
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(type);
        }
    };
    makeTty("ttyS0", "4\n"); // a 16550A
    makeTty("ttyS1", "0\n"); // no UART behind it
    makeTty("ttyUSB0", nullptr);
    QDir().mkpath(sys + "/tty1"); // a virtual console: no device
    QDir().mkpath(byId);
    ASSERT_TRUE(QFile::link("../../ttyUSB0", byId + "/usb-FTDI_FT232R-if00-port0"));
    const QList<SerialDevice> found = PortTable::ScanDevices(sys, byId);
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0].kernelName, "ttyS0");
    EXPECT_EQ(found[0].devicePath, "/dev/ttyS0");
    EXPECT_EQ(found[1].devicePath, byId + "/usb-FTDI_FT232R-if00-port0");
}

TEST(PortTable, PortNumberOfAName) {
    EXPECT_EQ(PortNumberOf("COM12"), 12);
    EXPECT_EQ(PortNumberOf("Com3"), 3);
    EXPECT_EQ(PortNumberOf("COM"), std::nullopt);
    EXPECT_EQ(PortNumberOf("COMx"), std::nullopt);
}

// The component resolves "COM%d" through the table; ORMIX_PORTS adds the emulator's pty.
TEST(PortTable, TheComponentOpensAMappedPort) {
    QTemporaryDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    qputenv("ORMIX_PORTS", ("COM219=" + pty.slavePath).toLocal8Bit());
    TVaComm comm;
    comm.SetDeviceName("Com%d");
    comm.SetPortNum(219);
    comm.SetDirectWrite(true);
    EXPECT_NO_THROW(comm.Open());
    EXPECT_TRUE(comm.WriteText("hi"));
    EXPECT_EQ(pty.Receive(2), "hi");
    comm.Close();
    qunsetenv("ORMIX_PORTS");
}

} // namespace
