// The doubles of the dialogs and platform seams, the warning sound, pauses.
#include "TestContext.h"
#include "common/Time.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace common;

TEST(Seams, DialogsDoubleRecordsAndAnswersFromItsScript) {
    RecordingDialogs d;
    d.answerNext(Answer::No);
    EXPECT_EQ(d.message("a", "b", Icon::Question, Buttons::YesNoCancel, Answer::Cancel), Answer::No);
    // Script used up: the default button.
    EXPECT_EQ(d.message("c", "d", Icon::Critical, Buttons::YesNoCancel, Answer::Cancel),
              Answer::Cancel);
    ASSERT_EQ(d.messages.size(), 2u);
    EXPECT_EQ(d.messages[0].text, "a");
    EXPECT_EQ(d.messages[0].caption, "b");
    EXPECT_EQ(d.messages[1].icon, Icon::Critical);
    EXPECT_EQ(d.messages[1].buttons, Buttons::YesNoCancel);
    d.fileNext("/tmp/image.bin");
    EXPECT_EQ(d.openFile("Open", "", ""), "/tmp/image.bin");
    EXPECT_EQ(d.saveFile("Save", "", ""), "");
    EXPECT_EQ(d.fileCaptions, (QStringList{"Open", "Save"}));
}

TEST(Seams, BeepFollowsSpeakerMode) {
    TestContext t;
    t.state.SpeakerMode = 0;
    BeepSignal(t.ctx);
    EXPECT_EQ(t.platform.count("beep"), 0);
    t.state.SpeakerMode = 1;
    BeepSignal(t.ctx);
    EXPECT_EQ(t.platform.calls, (QStringList{"beep 1864 200"}));
    t.platform.soundDevice = false;
    BeepSignal(t.ctx);
    EXPECT_EQ(t.state.SpeakerMode, 2);
    BeepSignal(t.ctx); // sound stays off for the rest of the run
    EXPECT_EQ(t.platform.count("beep"), 2);
}

TEST(Seams, PlatformDoubleNeverShutsDown) {
    TestContext t;
    EXPECT_TRUE(t.platform.shutdownComputer());
    EXPECT_TRUE(t.platform.setAutostart("Kvintor", "/opt/kvintor", true));
    EXPECT_EQ(t.platform.calls, (QStringList{"shutdown", "autostart Kvintor /opt/kvintor 1"}));
    EXPECT_TRUE(t.platform.desktopFolder().startsWith(t.dir.path()));
}

TEST(Seams, PauseHookAndRealPause) {
    std::vector<int> seen;
    setPauseHook([&](int ms) { seen.push_back(ms); });
    Pause(500);
    Pause(0);
    EXPECT_EQ(seen, std::vector<int>{500});
    setPauseHook(nullptr);
    QElapsedTimer timer;
    timer.start();
    Pause(30);
    EXPECT_GE(timer.elapsed(), 29);
}
