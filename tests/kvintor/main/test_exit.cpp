// The exit dialogue against the simulated ECU, for every way of closing.
#include "EventLoop.h"
#include "KvintorRig.h"
#include "main/ExitDialogue.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

using kline::Request;

namespace {

const Request kReset{98, 9, 0, 10, 0, 11, 0, 12, 0, 13, 0, 14, 0, 15, 0};
const QString kQuestionHead = QStringLiteral("В  процессе  регулировки  данные  ЭБУ  были  изменены:\r\n");
const QString kQuestionTail =
    QStringLiteral("\r\n \r\nСОХРАНИТЬ  НОВЫЕ  ДАННЫЕ  В  ЭНЕРГО-НЕЗАВИСИМУЮ  ПАМЯТЬ  ЭБУ?");

struct Exit : ::testing::Test {
    KvintorRig rig;
    void SetUp() override {
        ASSERT_TRUE(rig.startOnCom1());
        rig.requests();
    }
    void change(const Request& write) { ASSERT_EQ(*rig.sim->ecu.handle(write), Request{0}); }
    int var(int v) { return rig.sim->ecu.variable(v); }
};

} // namespace

TEST_F(Exit, NoChangeNoQuestionThenResetAndEnd) {
    rig.sim->ecu.handle({98, 10, 0x0F, 13, 0x01, 14, 0x06});
    rig.main().close();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 11, 12}, kReset}));
    for (int v = 10; v <= 15; ++v) EXPECT_EQ(var(v), 0) << v;
    EXPECT_EQ(rig.ends, 1);
    EXPECT_TRUE(rig.program.ended());
    EXPECT_EQ(rig.platform.count("shutdown"), 0);
}

TEST_F(Exit, TheQuestionListsTheChangedItems) {
    change({98, 11, 0x08, 40, 4});
    change({98, 12, 0x18, 65, 3, 66, 5});
    rig.dialogs.answerNext(common::Answer::Cancel);
    rig.main().Zav[1]->trigger(); // "Выключить компьютер", then Cancel
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    const auto& q = rig.dialogs.messages[0];
    EXPECT_EQ(q.text, kQuestionHead +
                          QStringLiteral("\r\n   Угол  опережения  зажигания\r\n   Коэфициент  смещения  по СО"
                                         "\r\n   Коэфициент  корекции СО") +
                          kQuestionTail);
    EXPECT_EQ(q.caption, QStringLiteral("Завершение работы Kvintor  (версия 2.4)"));
    EXPECT_EQ(q.icon, common::Icon::Question);
    EXPECT_EQ(q.buttons, common::Buttons::YesNoCancel);
    EXPECT_EQ(q.defaultButton, common::Answer::Cancel);
    EXPECT_EQ(rig.platform.count("beep"), 1);
    // Cancel: still running, the port open, "Выключить компьютер" unticked.
    EXPECT_EQ(rig.ends, 0);
    EXPECT_FALSE(rig.main().Zav[1]->isChecked());
    EXPECT_GT(rig.program.ecu.PortHandle(), 0);
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 11, 12}}));
    EXPECT_EQ(rig.platform.count("shutdown"), 0);
}

TEST_F(Exit, YesSavesEachItemInOrder) {
    change({98, 11, 0x08, 40, 4});
    change({98, 12, 0x10, 66, 5});
    rig.dialogs.answerNext(common::Answer::Yes);
    rig.main().close();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 11, 12}, {98, 14, 1, 124, 3}, {98, 14, 1, 124, 2}, kReset}));
    EXPECT_EQ(rig.sim->ecu.storedAdjustment(40), 4);
    EXPECT_EQ(rig.sim->ecu.storedAdjustment(66), 5);
    EXPECT_EQ(rig.dialogs.messages.size(), 1u) << "no failure";
    EXPECT_EQ(rig.ends, 1);
}

TEST_F(Exit, YesReportsRefusalsAndLinkFailuresAndGoesOn) {
    change({98, 11, 0x08, 40, 4});
    change({98, 12, 0x08, 65, 3});
    int saves = 0;
    rig.sim->ecu.replyHook = [&](const Request& r, std::optional<Request>& reply) {
        if (r.size() == 5 && r[3] == 124 && saves++ == 0) reply = Request{9}; // the first is refused
        else if (r.size() == 5 && r[3] == 124) reply.reset();                  // the second gets no answer
    };
    rig.dialogs.answerNext(common::Answer::Yes);
    rig.main().close();
    ASSERT_EQ(rig.dialogs.messages.size(), 3u);
    EXPECT_EQ(rig.dialogs.messages[1].text, QStringLiteral("Не  удалось  сохранить  настройки"));
    EXPECT_EQ(rig.dialogs.messages[1].icon, common::Icon::Critical);
    EXPECT_EQ(rig.dialogs.messages[1].caption, rig.program.state.AppTitle);
    EXPECT_EQ(rig.dialogs.messages[2].text, QStringLiteral("Не  удалось  сохранить  настройки   ЭБУ НЕ ОТВЕЧАЕТ"));
    EXPECT_EQ(rig.dialogs.messages[2].icon, common::Icon::Critical);
    EXPECT_EQ(rig.platform.count("beep"), 3);
    EXPECT_EQ(rig.requests().back(), kReset);
    EXPECT_EQ(rig.ends, 1);
}

TEST_F(Exit, NoWritesBackTheConnectionValuesWithTheirBits) {
    kvintor::InitTest& w = rig.main();
    w.timer1Tick(); // identification reads 65, 66, 40 at connection
    rig.requests();
    ASSERT_EQ(rig.program.state.ConnectionValue40, 0);
    change({98, 11, 0x08, 40, 4});
    change({98, 12, 0x18, 65, 3, 66, 5});
    rig.program.state.OverrideMaskA = 0x80; // another window's bit stays
    rig.dialogs.answerNext(common::Answer::No);
    w.close();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 11, 12},
                                                    {98, 11, 0x88, 40, 0},
                                                    {98, 12, 0x08, 65, 0},
                                                    {98, 12, 0x18, 66, 0},
                                                    kReset}));
    EXPECT_EQ(rig.sim->ecu.storedAdjustment(40), 0) << "nothing stored";
    EXPECT_EQ(rig.ends, 1);
}

TEST_F(Exit, YesWithOnlyTheCoOffsetSavesItemOne) {
    change({98, 12, 0x08, 65, 3});
    rig.dialogs.answerNext(common::Answer::Yes);
    rig.main().close();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 11, 12}, {98, 14, 1, 124, 1}, kReset}));
    EXPECT_EQ(rig.sim->ecu.storedAdjustment(65), 3);
}

TEST_F(Exit, FailedMaskReadGoesStraightToTheReset) {
    rig.sim->ecu.replyHook = [](const Request& r, std::optional<Request>& reply) {
        if (r == Request{97, 11, 12}) reply.reset();
    };
    change({98, 11, 0x08, 40, 4});
    rig.main().close();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 11, 12}, kReset}));
    EXPECT_EQ(rig.ends, 1);
}

TEST_F(Exit, ShutdownAfterTheSettingsAreStored) {
    for (common::Answer a : {common::Answer::Yes, common::Answer::No}) {
        KvintorRig r;
        ASSERT_TRUE(r.startOnCom1());
        r.sim->ecu.handle({98, 11, 0x08, 40, 4});
        QString portAtShutdown;
        r.platform.onShutdown = [&] { portAtShutdown = r.setting("fNastr", "ВыбрПорт"); };
        r.dialogs.answerNext(a);
        r.program.state.SpeakerMode = 0;
        r.main().Zav[1]->trigger();
        ASSERT_EQ(r.platform.calls, QStringList{"layout 04090409"} << "shutdown");
        EXPECT_EQ(portAtShutdown, "1");
        EXPECT_EQ(r.setting("fNastr", "SysDin"), "0");
        EXPECT_EQ(r.setting("InitTest", "WindSt"), "0");
        EXPECT_EQ(r.ends, 1);
    }
}

// ---------------------------------------------------------- under the question

TEST_F(Exit, NothingPollsUnderTheQuestionAndCancelPollsAgain) {
    kvintor::InitTest& w = rig.main();
    w.activated();
    w.timer1Tick();
    ASSERT_TRUE(w.Timer2->isActive());
    change({98, 11, 0x08, 40, 4});
    rig.requests();
    std::size_t underTheQuestion = 99;
    rig.dialogs.whileOpen = [&](const common::MessageCall&) {
        rig.requests(); // the masks' read before the question
        runEventsFor(150);
        underTheQuestion = rig.requests().size();
    };
    rig.dialogs.answerNext(common::Answer::Cancel);
    w.close();
    EXPECT_EQ(underTheQuestion, 0u);
    EXPECT_TRUE(w.Timer2->isActive()) << "polling goes on after Cancel";
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_EQ(rig.ends, 0);
}

TEST_F(Exit, NoAfterALineErrorUnderTheQuestionWritesTheConnectionValue) {
    kvintor::InitTest& w = rig.main();
    change({98, 11, 0x08, 40, 14});
    w.activated();
    w.timer1Tick();
    ASSERT_EQ(rig.program.state.ConnectionValue40, 14);
    change({98, 11, 0x08, 40, 4}); // the mechanic's adjustment
    rig.requests();
    rig.dialogs.whileOpen = [&](const common::MessageCall&) {
        rig.sim->adapter.setFault(sim::LineFault::EcuSilent);
        runEventsFor(60);
        rig.sim->adapter.setFault(sim::LineFault::None);
        runEventsFor(60);
    };
    rig.dialogs.answerNext(common::Answer::No);
    w.close();
    const std::vector<Request> sent = rig.requests();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[sent.size() - 2], (Request{98, 11, 0x08, 40, 14})) << "the value read at connection";
    EXPECT_EQ(sent.back(), kReset);
}

TEST_F(Exit, NoRestoresWhatTheFirstIdentificationOfThisEcuFound) {
    // A lost poll makes the main window identify again, after the mechanic
    // has adjusted the ignition; only another ECU brings new values.
    struct Case {
        const char* name;
        QString serialLater;
        int restored;
    };
    const QString serial = rig.sim->ecu.text(117);
    for (const Case& c :
         {Case{"the same ECU", serial, 14}, Case{"another ECU", QStringLiteral("77777"), 4}}) {
        SCOPED_TRACE(c.name);
        KvintorRig r;
        ASSERT_TRUE(r.startOnCom1());
        kvintor::InitTest& w = r.main();
        w.stopTimers();
        r.sim->ecu.handle({98, 11, 0x08, 40, 14});
        w.timer1Tick();
        ASSERT_EQ(r.program.state.ConnectionValue40, 14);
        r.sim->ecu.handle({98, 11, 0x08, 40, 4}); // the mechanic's adjustment
        r.sim->ecu.setText(117, c.serialLater);
        r.sim->adapter.setFault(sim::LineFault::EcuSilent);
        w.timer2Tick();
        r.sim->adapter.setFault(sim::LineFault::None);
        w.timer1Tick();
        ASSERT_TRUE(w.Timer2->isActive()) << "identified again";
        w.stopTimers();
        r.requests();
        r.dialogs.answerNext(common::Answer::No);
        w.close();
        const std::vector<Request> sent = r.requests();
        ASSERT_GE(sent.size(), 3u);
        EXPECT_EQ(sent[sent.size() - 2],
                  (Request{98, 11, 0x08, 40, static_cast<std::uint8_t>(c.restored)}));
    }
}

// ------------------------------------------------------------- settings lost

TEST_F(Exit, SettingsThatCannotBeStoredAreToldAndTheEndGoesOn) {
    // A file where the settings folder should be.
    const QString folder = rig.settings.folder();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    rig.main().close();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    const common::MessageCall& m = rig.dialogs.messages[0];
    EXPECT_EQ(m.caption, rig.program.state.AppTitle);
    EXPECT_EQ(m.icon, common::Icon::Exclamation);
    EXPECT_TRUE(m.text.startsWith(QStringLiteral("Настройки программы не сохранены.\r\nФайл: ")));
    EXPECT_TRUE(m.text.contains(QDir::toNativeSeparators(rig.settings.fileFor("Kvintor")))) << m.text.toStdString();
    EXPECT_TRUE(m.text.contains(QStringLiteral("находится файл"))) << m.text.toStdString();
    EXPECT_EQ(rig.ends, 1);
}

TEST_F(Exit, StoredSettingsNeedNoMessage) {
    rig.main().close();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.setting("fNastr", "ВыбрПорт"), "1");
}

// ----------------------------------------------------------------- a signal

TEST_F(Exit, TheSignalEndResetsTheEcuAndStoresWithoutQuestions) {
    kvintor::InitTest& w = rig.main();
    w.activated();
    w.timer1Tick();
    change({98, 11, 0x08, 40, 4}); // would be asked about at a normal exit
    change({98, 10, 0x0F, 9, 0x03, 13, 0x02});
    rig.program.state.SpeakerMode = 0;
    rig.requests();
    rig.program.endWithReset();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.requests(), (std::vector<Request>{kReset}));
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_FALSE(w.Timer2->isActive());
    for (int v = 10; v <= 15; ++v) EXPECT_EQ(rig.sim->ecu.variable(v), 0) << v; // 9 is the ECU's own then
    EXPECT_EQ(rig.setting("fNastr", "SysDin"), "0");
    EXPECT_EQ(rig.ends, 1);
}

TEST(ExitItems, ChangedItemsFromTheMasks) {
    EXPECT_TRUE(kvintor::changedItems(0xF7, 0xE7).isEmpty());
    EXPECT_EQ(kvintor::changedItems(0, 0x08), (QStringList{"Коэфициент  смещения  по СО"}));
    EXPECT_EQ(kvintor::changedItems(0x08, 0x10), (QStringList{"Угол  опережения  зажигания", "Коэфициент  корекции СО"}));
}
