// The settings window: ports that answer, the options, OK and Отмена.
#include "KvintorRig.h"
#include "main/fNastr.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using kvintor::fNastr;

namespace {

struct SettingsWindow : ::testing::Test {
    KvintorRig rig;
    void SetUp() override { ASSERT_TRUE(rig.startOnCom1()); }
    // Opens the window from the menu and works it with f.
    void open(std::function<void(fNastr&)> f) {
        rig.modal.push_back([f](QDialog& d) { f(static_cast<fNastr&>(d)); });
        rig.main().DopInd[3]->trigger();
    }
};

} // namespace

TEST_F(SettingsWindow, CaptionsAndStartingState) {
    rig.script->busy.insert("/dev/ttyS2");
    rig.script->missing.insert("/dev/ttyS3");
    rig.program.ecu.DtrSetting = "2";
    rig.program.ecu.RtsSetting = "1";
    rig.store("fNastr", "AutoStar", "1");
    rig.program.state.ReportEnabled = 1;
    bool portClosedWhileOpen = false;
    open([&](fNastr& w) {
        portClosedWhileOpen = rig.program.ecu.PortHandle() <= 0;
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Настройка программы  (Kvintor)"));
        EXPECT_EQ(w.Frame1->title(), QStringLiteral("КомПорт"));
        EXPECT_EQ(w.Frame2->title(), QStringLiteral("ЭБУ"));
        EXPECT_EQ(w.Frame3->title(), QStringLiteral("Дополнительно"));
        EXPECT_EQ(w.Option1[3]->text(), QStringLiteral("Ком3"));
        EXPECT_TRUE(w.Option1[1]->isEnabled());
        EXPECT_TRUE(w.Option1[2]->isEnabled());
        EXPECT_FALSE(w.Option1[3]->isEnabled()) << "held by another program";
        EXPECT_FALSE(w.Option1[4]->isEnabled()) << "missing";
        EXPECT_TRUE(w.Option1[1]->isChecked());
        EXPECT_FALSE(w.Check1->isChecked()) << "a DTR value of 2 leaves the box unticked";
        EXPECT_TRUE(w.Check2->isChecked());
        EXPECT_TRUE(w.Check4->isChecked());
        EXPECT_TRUE(w.Check5->isChecked());
        EXPECT_TRUE(w.Option5->isChecked());
        EXPECT_FALSE(w.Option6->isEnabled());
        EXPECT_EQ(w.Option8->text(), QStringLiteral("Bosh"));
        EXPECT_EQ(w.Check3->text(), QStringLiteral("Системный динамик"));
        EXPECT_EQ(w.Command1->text(), QStringLiteral("Отмена"));
        EXPECT_EQ(w.Command2->text(), QStringLiteral("OK"));
        w.Command1->click();
    });
    EXPECT_TRUE(portClosedWhileOpen);
    EXPECT_GT(rig.program.ecu.PortHandle(), 0) << "reopened on close";
    EXPECT_EQ(rig.ends, 0);
    EXPECT_EQ(rig.main().Label1->text(), QString()) << "the next activation identifies anew";
}

TEST_F(SettingsWindow, OkStoresTheChoicesAndReopensThePort) {
    rig.program.state.SpeakerMode = 1;
    open([&](fNastr& w) {
        w.Option1[2]->setChecked(true);
        w.Check1->setChecked(true);
        w.Check2->setChecked(false);
        w.Check3->setChecked(false);
        w.Check4->setChecked(true);
        w.Check5->setChecked(true);
        w.Command2->click();
    });
    EXPECT_EQ(rig.program.ecu.PortNumber, "2");
    EXPECT_EQ(rig.program.ecu.DtrSetting, "1");
    EXPECT_EQ(rig.program.ecu.RtsSetting, "0");
    EXPECT_EQ(rig.program.state.SpeakerMode, 0);
    EXPECT_EQ(rig.program.state.ReportEnabled, 1);
    EXPECT_EQ(rig.setting("fNastr", "AutoStar"), "1");
    ASSERT_EQ(rig.platform.count("autostart"), 1);
    EXPECT_TRUE(rig.platform.calls.filter("autostart").first().startsWith("autostart Kvintor "));
    EXPECT_TRUE(rig.platform.calls.filter("autostart").first().endsWith(" 1"));
    // COM2 reopened with the new line options: DTR ticked clears the line.
    EXPECT_GT(rig.program.ecu.PortHandle(), 0);
    const QStringList log = rig.script->log;
    EXPECT_EQ(log.mid(log.size() - 3), (QStringList{"open /dev/ttyS1", "dtr 0", "rts 1"}));
    // The port and its lines are stored at once, as the port reopens with them.
    EXPECT_EQ(rig.setting("fNastr", "ВыбрПорт"), "2");
    EXPECT_EQ(rig.setting("fNastr", "DTR"), "1");
    EXPECT_EQ(rig.setting("fNastr", "RTS"), "0");
}

TEST_F(SettingsWindow, ChangedLinesApplyWhenOlderOnesAreStored) {
    // An earlier normal exit stored both options; OK changes both.
    rig.store("fNastr", "DTR", "0");
    rig.store("fNastr", "RTS", "1");
    rig.program.ecu.DtrSetting = "0";
    rig.program.ecu.RtsSetting = "1";
    open([&](fNastr& w) {
        w.Option1[2]->setChecked(true);
        EXPECT_FALSE(w.Check1->isChecked());
        EXPECT_TRUE(w.Check2->isChecked());
        w.Check1->setChecked(true);
        w.Check2->setChecked(false);
        w.Command2->click();
    });
    const QStringList log = rig.script->log;
    EXPECT_EQ(log.mid(log.size() - 3), (QStringList{"open /dev/ttyS1", "dtr 0", "rts 1"}))
        << "ticked DTR clears the line, unticked RTS sets it";
}

TEST_F(SettingsWindow, ProbingTouchesNoControlLine) {
    rig.script->linesRefused = true; // a port that refuses the line settings is still free
    open([&](fNastr& w) {
        for (int n = 2; n <= 4; ++n)
            EXPECT_TRUE(w.Option1[static_cast<std::size_t>(n)]->isEnabled()) << n;
        w.Command1->click();
    });
    EXPECT_TRUE(rig.script->log.filter("dtr").isEmpty());
    EXPECT_TRUE(rig.script->log.filter("rts").isEmpty());
    EXPECT_EQ(rig.script->log.filter("open").size(), 3);
}

TEST_F(SettingsWindow, AutostartTwoIsTheGreyState) {
    rig.store("fNastr", "AutoStar", "2");
    open([&](fNastr& w) {
        EXPECT_EQ(w.Check4->checkState(), Qt::PartiallyChecked);
        w.Command2->click();
    });
    EXPECT_EQ(rig.setting("fNastr", "AutoStar"), "2") << "kept as it was";
    EXPECT_TRUE(rig.platform.calls.filter("autostart").first().endsWith(" 0"))
        << "grey is not ticked";
    // A click leaves the grey state for a plain tick, and then plain states only.
    open([&](fNastr& w) {
        w.Check4->click();
        EXPECT_EQ(w.Check4->checkState(), Qt::Checked);
        w.Check4->click();
        EXPECT_EQ(w.Check4->checkState(), Qt::Unchecked);
        w.Command2->click();
    });
    EXPECT_EQ(rig.setting("fNastr", "AutoStar"), "0");
}

TEST_F(SettingsWindow, AutostartRefusedStillStoresTheOption) {
    rig.platform.autostartWorks = false;
    open([&](fNastr& w) {
        w.Check4->setChecked(false);
        w.Command2->click();
    });
    EXPECT_EQ(rig.setting("fNastr", "AutoStar"), "0");
    EXPECT_TRUE(rig.platform.calls.filter("autostart").first().endsWith(" 0"));
}

TEST_F(SettingsWindow, SoundOptionDisabledWithoutSound) {
    rig.program.state.SpeakerMode = 2;
    open([&](fNastr& w) {
        EXPECT_FALSE(w.Check3->isEnabled());
        w.Command2->click();
    });
    EXPECT_EQ(rig.program.state.SpeakerMode, 2);
}

TEST_F(SettingsWindow, AllPortsDisabledAndCancelEndsTheProgram) {
    rig.ports.setDevice(1, "/dev/ttyS0");
    for (int n = 0; n < 4; ++n)
        rig.script->busy.insert(QStringLiteral("/dev/ttyS%1").arg(n));
    rig.program.ecu.PortNumber = "7";
    open([&](fNastr& w) {
        for (int n = 1; n <= 4; ++n)
            EXPECT_FALSE(w.Option1[static_cast<std::size_t>(n)]->isEnabled());
        w.Command1->click();
    });
    EXPECT_EQ(rig.ends, 1);
    EXPECT_EQ(rig.setting("fNastr", "ВыбрПорт"), "7");
}

TEST_F(SettingsWindow, EachPortShowsItsDeviceAndTheOneChosenIsOpened) {
    const QString usb = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    rig.ports.presentDevices = [&] {
        return QList<kline::SerialDevice>{{usb, "FT232R USB UART"}, {"/dev/ttyS0", ""}};
    };
    rig.ports.setDevice(2, "/dev/pts/9"); // --port 2=/dev/pts/9
    rig.store("Ports", "COM3", "/dev/ttyACM0");
    rig.script->missing.insert("/dev/ttyS3");
    const auto type = [](QComboBox* c, const QString& device) {
        c->lineEdit()->selectAll();
        QTest::keyClicks(c->lineEdit(), device);
        QTest::keyClick(c->lineEdit(), Qt::Key_Return);
    };

    // Devices tried and the window left with Esc: nothing of them stays.
    open([&](fNastr& w) {
        type(w.Combo1[2], "/dev/ttyUSB9");
        EXPECT_EQ(rig.script->log.filter("open /dev/ttyUSB9").size(), 1)
            << "a typed device is probed";
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    EXPECT_EQ(rig.ports.device(2), "/dev/pts/9");
    EXPECT_EQ(rig.setting("Ports", "COM2"), "<none>");

    open([&](fNastr& w) {
        EXPECT_EQ(w.Label1->text(), QStringLiteral("Устройство"));
        const QStringList shown{w.Combo1[1]->currentText(), w.Combo1[2]->currentText(),
                                w.Combo1[3]->currentText(), w.Combo1[4]->currentText()};
        EXPECT_EQ(shown, (QStringList{"sim", "/dev/pts/9", "/dev/ttyACM0", "/dev/ttyS3"}));
        ASSERT_EQ(w.Combo1[2]->count(), 2);
        EXPECT_EQ(w.Combo1[2]->itemText(0), usb);
        EXPECT_EQ(w.Combo1[2]->itemData(0, Qt::ToolTipRole).toString(), "FT232R USB UART");
        EXPECT_EQ(w.Combo1[4]->accessibleName(), "Combo1(4)");
        // A missing device's port comes alive with a device that answers.
        EXPECT_FALSE(w.Option1[4]->isEnabled());
        type(w.Combo1[4], "/dev/ttyUSB7");
        EXPECT_TRUE(w.Option1[4]->isEnabled());
        w.Combo1[2]->setCurrentIndex(0);
        emit w.Combo1[2]->activated(0);
        w.Option1[2]->setChecked(true);
        w.Command2->click();
    });
    // Stored as chosen; the run's own COM1 and the untouched COM3 stay as they were.
    EXPECT_EQ(rig.setting("Ports", "COM2"), usb);
    EXPECT_EQ(rig.setting("Ports", "COM4"), "/dev/ttyUSB7");
    EXPECT_EQ(rig.setting("Ports", "COM1"), "<none>");
    EXPECT_EQ(rig.setting("Ports", "COM3"), "/dev/ttyACM0");
    EXPECT_EQ(rig.script->log.filter("open ").last(), "open " + usb)
        << "reopened on the chosen device";
    EXPECT_GT(rig.program.ecu.PortHandle(), 0);
    EXPECT_EQ(rig.ports.device(4), "/dev/ttyUSB7");
}
