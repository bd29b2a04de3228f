// Start-up: settings read, the port found or asked for, the screen check,
// the end of the program; the warning sound and the test hints.
#include "KvintorRig.h"
#include "main/fNastr.h"

#include <QRadioButton>
#include <QPushButton>
#include <QCheckBox>
#include <gtest/gtest.h>

using kvintor::fNastr;

namespace {

const QString kBusy = QStringLiteral(
    "Порт COM  2  Занят  какой-то  программой,  или  не  существует.\r\n"
    "Подождите  пока  он  освободится  или  выберите  другой.");
const QString kNoFreePort = QStringLiteral(
    "На  вашем  компьютере  свободных  коммуникационных  портов  не  найдено.\r\n"
    "Закройте  одну  или  несколько  программ  связанных  с  СОМ  портами,  и  повторите попытку.");

void pressOk(QDialog& d) { static_cast<fNastr&>(d).Command2->click(); }

} // namespace

TEST(StartUp, FirstStartAsksForThePortWithCom1Preselected) {
    for (const char* stored : std::initializer_list<const char*>{nullptr, "0", "5", ""}) {
        KvintorRig rig;
        if (stored) rig.store("fNastr", "ВыбрПорт", QString::fromUtf8(stored));
        bool com1Checked = false;
        rig.modal.push_back([&](QDialog& d) {
            com1Checked = static_cast<fNastr&>(d).Option1[1]->isChecked();
            pressOk(d);
        });
        ASSERT_TRUE(rig.program.StartUp()) << (stored ? stored : "none");
        EXPECT_EQ(rig.modalsShown, QStringList{"fNastr"});
        EXPECT_TRUE(com1Checked);
        EXPECT_EQ(rig.program.ecu.PortNumber, "1");
        EXPECT_GT(rig.program.ecu.PortHandle(), 0);
        EXPECT_TRUE(rig.dialogs.messages.empty());
        EXPECT_TRUE(rig.main().isVisible());
        // No open attempt on the stored value: COM1 probed free, then the
        // settings window's probes of COM2..COM4.
        EXPECT_EQ(rig.script->log.filter("open").size(), 3);
    }
}

TEST(StartUp, StoredPortOpensWithoutAsking) {
    KvintorRig rig;
    rig.store("fNastr", "DTR", "1");
    ASSERT_TRUE(rig.startOnCom1());
    EXPECT_TRUE(rig.modalsShown.isEmpty());
    EXPECT_EQ(rig.program.ecu.DtrSetting, "1");
    EXPECT_EQ(rig.program.state.AppTitle, QStringLiteral("Kvintor  (версия 2.4)"));
    EXPECT_TRUE(rig.program.state.AppFolder.endsWith('/'));
    EXPECT_TRUE(rig.platform.calls.contains("layout 04090409"));
    ASSERT_NE(rig.program.splash(), nullptr);
    EXPECT_EQ(rig.program.splash()->windowTitle(), rig.program.state.AppTitle);
    rig.main().activated();
    EXPECT_EQ(rig.program.splash(), nullptr) << "the main window's activation unloads the splash";
}

TEST(StartUp, BusyOrMissingPortShowsTheMessageAndTheSettingsWindow) {
    for (bool missing : {true, false}) {
        KvintorRig rig;
        rig.store("fNastr", "ВыбрПорт", "2");
        (missing ? rig.script->missing : rig.script->busy).insert("/dev/ttyS1");
        bool com2Enabled = true;
        rig.modal.push_back([&](QDialog& d) {
            auto& w = static_cast<fNastr&>(d);
            com2Enabled = w.Option1[2]->isEnabled();
            w.Option1[1]->setChecked(true);
            pressOk(d);
        });
        ASSERT_TRUE(rig.program.StartUp());
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_EQ(rig.dialogs.messages[0].text, kBusy);
        EXPECT_EQ(rig.dialogs.messages[0].caption, rig.program.state.AppTitle);
        EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Information);
        EXPECT_EQ(rig.platform.count("beep"), 1);
        EXPECT_FALSE(com2Enabled);
        EXPECT_EQ(rig.program.ecu.PortNumber, "1");
        EXPECT_GT(rig.program.ecu.PortHandle(), 0);
    }
}

TEST(StartUp, NoFreePortWarnsSavesAndEnds) {
    KvintorRig rig;
    rig.ports.setDevice(1, "/dev/ttyS0"); // the simulator is not plugged in
    rig.store("fNastr", "ВыбрПорт", "1");
    rig.store("fNastr", "SysDin", "1");
    for (int n = 1; n <= 4; ++n) rig.script->busy.insert(QStringLiteral("/dev/ttyS%1").arg(n - 1));
    EXPECT_FALSE(rig.program.StartUp());
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kNoFreePort);
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Exclamation);
    EXPECT_EQ(rig.ends, 1);
    EXPECT_TRUE(rig.modalsShown.isEmpty());
    EXPECT_EQ(rig.setting("fNastr", "ВыбрПорт"), "1");
    EXPECT_EQ(rig.setting("InitTest", "WindSt"), "0");
}

TEST(StartUp, SettingsWindowWithoutAPortEndsTheProgram) {
    KvintorRig rig;
    rig.store("fNastr", "ВыбрПорт", "3");
    rig.script->missing.insert("/dev/ttyS2");
    rig.modal.push_back([&](QDialog& d) { static_cast<fNastr&>(d).Command1->click(); }); // Отмена
    // The settings window is left with COM3 chosen and it cannot open.
    EXPECT_FALSE(rig.program.StartUp());
    EXPECT_EQ(rig.ends, 1);
    EXPECT_EQ(rig.setting("fNastr", "ВыбрПорт"), "3");
}

TEST(StartUp, SoundSettingAndItsDevice) {
    KvintorRig rig;
    rig.store("fNastr", "SysDin", "1");
    rig.platform.soundDevice = false;
    ASSERT_TRUE(rig.startOnCom1());
    EXPECT_EQ(rig.program.state.SpeakerMode, 2) << "no audio output: sound unavailable";
    rig.program.BeepSignal();
    EXPECT_EQ(rig.platform.count("beep"), 0);
}

TEST(StartUp, StoredNoSoundComesBackWithAnAudioOutput) {
    for (auto [stored, expected] : {std::pair{"2", 1}, std::pair{"7", 0}, std::pair{"0", 0}, std::pair{"1", 1}}) {
        KvintorRig rig;
        rig.store("fNastr", "SysDin", stored);
        rig.platform.soundDevice = true;
        ASSERT_TRUE(rig.startOnCom1());
        EXPECT_EQ(rig.program.state.SpeakerMode, expected) << stored;
    }
}

TEST(StartUp, ScreenCheckAndWindowPositions) {
    {
        KvintorRig rig; // 800 x 600: maximised, positions reset when WindSt is 0
        rig.program.screenSize = [] { return QSize(800, 600); };
        rig.store("rfObor", "Left", "1200");
        ASSERT_TRUE(rig.startOnCom1());
        EXPECT_TRUE(rig.main().windowState() & Qt::WindowMaximized);
        EXPECT_EQ(rig.setting("rfObor", "Left"), "");
    }
    {
        KvintorRig rig; // larger screen, stored state maximised: reset
        rig.store("InitTest", "WindSt", "2");
        rig.store("rfUOZ", "Left", "300");
        rig.store("rfUOZ", "Top", "400");
        ASSERT_TRUE(rig.startOnCom1());
        EXPECT_FALSE(rig.main().windowState() & Qt::WindowMaximized);
        EXPECT_EQ(rig.setting("rfUoz", "Left"), "");
        EXPECT_EQ(rig.setting("rfUoz", "Top"), "400");
    }
    {
        KvintorRig rig; // larger screen, normal state: positions kept
        rig.store("rfObor", "Left", "1200");
        ASSERT_TRUE(rig.startOnCom1());
        EXPECT_EQ(rig.setting("rfObor", "Left"), "1200");
    }
}

TEST(StartUp, ResetWindowPositionsEmptiesEveryAdjustmentWindow) {
    KvintorRig rig;
    rig.program.ResetWindowPositions();
    for (const char* s : {"rfCoefCO", "rfCoeff12", "rfObor", "rfRegRDV", "rfSostSm", "rfTemper", "rfTempVozd",
                          "rfUgollVpryska", "rfUOZ"})
        EXPECT_EQ(rig.setting(s, "Left"), "") << s;
}

TEST(StartUp, TestHints) {
    KvintorRig rig;
    rig.program.state.SpeakerMode = 1;
    for (int code : {1, 2, 3, 4}) rig.program.ShowTestHint(code);
    EXPECT_EQ(rig.platform.count("beep"), 4) << "every code beeps";
    ASSERT_EQ(rig.dialogs.messages.size(), 3u);
    EXPECT_EQ(rig.dialogs.messages[0].text, QStringLiteral("Для  продолжения  теста  необходимо  запустить  двигатель"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, common::Icon::Information);
    EXPECT_EQ(rig.dialogs.messages[1].text, QStringLiteral("Тест  прерван.  Дроссельная  заслонка  не  закрыта"));
    EXPECT_EQ(rig.dialogs.messages[1].icon, common::Icon::Exclamation);
    EXPECT_EQ(rig.dialogs.messages[2].text, QStringLiteral("Остановите  тест  нажатием  на  клавишу  /Стоп/"));
    EXPECT_EQ(rig.dialogs.messages[2].icon, common::Icon::Information);
    for (const auto& m : rig.dialogs.messages) EXPECT_EQ(m.caption, rig.program.state.AppTitle);
}
