// Opening, probing and finding ports; the adapter's control lines; the port map.
#include "ScriptedPort.h"
#include "TestContext.h"
#include "link/EcuLink.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kline;

namespace {

class LinkPort : public ::testing::Test {
protected:
    std::shared_ptr<PortScript> script = std::make_shared<PortScript>();
    TestContext t;
    PortMap ports{&t.settings};
    EcuLink ecu{t.ctx, ports, scriptedFactory(script)};
};

} // namespace

TEST_F(LinkPort, OpenAppliesStoredLinesInverted) {
    t.settings.SaveSetting("Kvintor", "fnastr", "dtr", "1"); // stored in another case
    EXPECT_EQ(ecu.OpenPort(2), 0);
    EXPECT_GT(ecu.PortHandle(), 0);
    // Ticked DTR clears the line; unticked RTS (default "0") sets it.
    EXPECT_EQ(script->log, (QStringList{"open /dev/ttyS1", "dtr 0", "rts 1"}));
}

TEST_F(LinkPort, OpenDefaultsToTheProgramsLineValues) {
    ecu.DtrSetting = "0";
    ecu.RtsSetting = "1";
    EXPECT_EQ(ecu.OpenPort("3"), 0);
    EXPECT_EQ(script->log, (QStringList{"open /dev/ttyS2", "dtr 1", "rts 0"}));
}

TEST_F(LinkPort, RefusedControlLinesDoNotFailTheOpen) {
    script->linesRefused = true; // a pseudo-terminal has no DTR or RTS
    EXPECT_EQ(ecu.OpenPort(1), 0);
    EXPECT_TRUE(ecu.isOpen());
}

TEST_F(LinkPort, FailedOpenLeavesMinusOne) {
    script->missing.insert("/dev/ttyS0");
    EXPECT_EQ(ecu.OpenPort(1), -1);
    EXPECT_EQ(ecu.PortHandle(), -1);
    EXPECT_EQ(ecu.OpenPort(0), -1);
    EXPECT_EQ(ecu.OpenPort(5), -1);
    EXPECT_EQ(ecu.OpenPort(""), -1);
}

TEST_F(LinkPort, SetControlLineNamesLevelsAndClosedPort) {
    ecu.SetControlLine("DTR", true); // closed: nothing happens
    EXPECT_TRUE(script->log.isEmpty());
    ASSERT_EQ(ecu.OpenPort(1), 0);
    script->log.clear();
    ecu.SetControlLine("DTR", true);
    ecu.SetControlLine("DTR", false);
    ecu.SetControlLine("RTS", true);
    ecu.SetControlLine("RTS", false);
    ecu.SetControlLine("CTS", true);
    ecu.SetControlLine("dtr", true);
    EXPECT_EQ(script->log, (QStringList{"dtr 0", "dtr 1", "rts 0", "rts 1"}));
    ecu.ClosePort();
    script->log.clear();
    ecu.SetControlLine("RTS", true);
    EXPECT_TRUE(script->log.isEmpty());
    EXPECT_LT(ecu.PortHandle(), 1);
}

TEST_F(LinkPort, ProbeClosesWhatItOpened) {
    script->log.clear();
    script->linesRefused = true;
    EXPECT_TRUE(ecu.ProbePort(1));
    EXPECT_EQ(script->log, (QStringList{"open /dev/ttyS0", "close"})) << "no control line, nothing else";
    EXPECT_EQ(ecu.PortHandle(), 0);
    EXPECT_TRUE(script->openNow.isEmpty());
    script->busy.insert("/dev/ttyS1");
    EXPECT_FALSE(ecu.ProbePort(2));
    EXPECT_EQ(ecu.PortHandle(), -1);
}

TEST_F(LinkPort, FindFreePortSkipsMissingAndBusyPorts) {
    script->missing.insert("/dev/ttyS0");
    script->busy.insert("/dev/ttyS1");
    EXPECT_EQ(ecu.FindFreePort(), 3);
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_EQ(t.quits, 0);
}

TEST_F(LinkPort, NoFreePortWarnsAndEndsTheProgram) {
    for (int n = 1; n <= 4; ++n)
        (n % 2 ? script->missing : script->busy).insert(PortMap::defaultDevice(n));
    EXPECT_EQ(ecu.FindFreePort(), 0);
    ASSERT_EQ(t.dialogs.messages.size(), 1u);
    const auto& m = t.dialogs.messages[0];
    EXPECT_EQ(m.text, QStringLiteral(
                          "На  вашем  компьютере  свободных  коммуникационных  портов  не  найдено.\r\n"
                          "Закройте  одну  или  несколько  программ  связанных  с  СОМ  портами,  и  "
                          "повторите попытку."));
    EXPECT_EQ(m.caption, t.state.AppTitle);
    EXPECT_EQ(m.icon, common::Icon::Exclamation);
    EXPECT_EQ(t.platform.calls, (QStringList{"beep 1864 200"}));
    EXPECT_EQ(t.quits, 1);
}

TEST_F(LinkPort, PortMapSettingsAndCommandLine) {
    EXPECT_EQ(ports.device(1), "/dev/ttyS0");
    EXPECT_EQ(ports.device(4), "/dev/ttyS3");
    t.settings.SaveSetting("Kvintor", "Ports", "COM2", "/dev/ttyUSB0");
    EXPECT_EQ(ports.device(2), "/dev/ttyUSB0");
    QString error;
    const QStringList rest = ports.applyArguments(
        {"--simulator", "--port", "2=/dev/pts/7", "--port=4=/dev/ttyACM0", "x"}, &error);
    EXPECT_EQ(rest, (QStringList{"--simulator", "x"}));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(ports.device(2), "/dev/pts/7");
    EXPECT_EQ(ports.device(4), "/dev/ttyACM0");
    ports.applyArguments({"--port", "9=/dev/x"}, &error);
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    ports.applyArguments({"--port", "1="}, &error);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ports.device(1), "/dev/ttyS0");
    // A device chosen by the user is stored and wins over this run's --port;
    // an empty one is the port's default.
    EXPECT_TRUE(ports.choose(4, " /dev/ttyUSB1 ", t.settings));
    EXPECT_EQ(ports.device(4), "/dev/ttyUSB1");
    EXPECT_EQ(t.settings.GetSetting("Kvintor", "Ports", "COM4"), "/dev/ttyUSB1");
    EXPECT_TRUE(ports.choose(2, "", t.settings));
    EXPECT_EQ(ports.device(2), "/dev/ttyS1");
    EXPECT_EQ(PortMap(&t.settings).device(2), "/dev/ttyS1") << "and so in the next run";
}

TEST(PortMapDevices, StableNamesStandForTheDevicesTheyLinkTo) {
    QTemporaryDir dir;
    const QString dev = dir.path() + "/dev/";
    QDir().mkpath(dev + "serial/by-id");
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyS0"}) {
        QFile f(dev + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString byId = dev + "serial/by-id/";
    ASSERT_TRUE(QFile::link("../../ttyUSB0", byId + "usb-FTDI_FT232R_USB_UART_A1-if00-port0"));
    ASSERT_TRUE(QFile::link(dev + "ttyUSB1", byId + "usb-Prolific_PL2303-if00-port0"));
    ASSERT_TRUE(QFile::link("../../ttyUSB5", byId + "usb-unplugged-if00-port0")); // leads nowhere
    const QList<SerialDevice> found{
        {dev + "ttyUSB1", "PL2303"}, {dev + "ttyS0", ""}, {dev + "ttyUSB0", "FT232R USB UART"}};

    QStringList paths, descriptions;
    for (const SerialDevice& d : withStableNames(found, byId)) {
        paths << d.path;
        descriptions << d.description;
    }
    EXPECT_EQ(paths, (QStringList{byId + "usb-FTDI_FT232R_USB_UART_A1-if00-port0",
                                  byId + "usb-Prolific_PL2303-if00-port0", dev + "ttyS0"}));
    EXPECT_EQ(descriptions, (QStringList{"FT232R USB UART", "PL2303", ""}));
    paths.clear();
    for (const SerialDevice& d : withStableNames(found, dev + "no-such-folder"))
        paths << d.path;
    EXPECT_EQ(paths, (QStringList{dev + "ttyS0", dev + "ttyUSB0", dev + "ttyUSB1"}));
}
