// The About window: splash at start-up, the menu entry, the blinking
// picture, the links with their bold-on-hover rule, Esc and unload, and the
// dial-up hang-up rule.
#include "FtpServer.h"
#include "KvintorRig.h"
#include "reference/DialUp.h"
#include "reference/Picture.h"
#include "reference/ReferenceMenus.h"
#include "reference/fmAbout.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using kvintor::fmAbout;

namespace {

const QString kTitle = QStringLiteral("Kvintor  (версия 2.4)");

struct About : ::testing::Test {
    KvintorRig rig;
    void SetUp() override {
        kvintor::installReferenceWindows(rig.program);
        ASSERT_TRUE(rig.startOnCom1());
    }
    fmAbout* openFromMenu() {
        rig.main().DopInd[0]->trigger();
        fmAbout* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* a = qobject_cast<fmAbout*>(w);
                a && a != rig.program.splash() && a->isVisible())
                found = a;
        return found;
    }
    void released() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

void moveOver(QWidget* w) {
    QMouseEvent e(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                  Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QStringList boldLinks(const fmAbout& a) {
    QStringList out;
    for (QLabel* l : a.links())
        if (l->font().bold()) out << l->objectName();
    return out;
}

struct RecordingDialUp : kvintor::DialUp {
    std::vector<kvintor::DialUpConnection> active;
    bool listable = true;
    std::vector<quintptr> hungUp;
    bool enumerate(std::vector<kvintor::DialUpConnection>& out) override {
        out = active;
        return listable;
    }
    void hangUp(quintptr handle) override { hungUp.push_back(handle); }
};

} // namespace

// ============================================================ splash and menu

TEST_F(About, StandsInAsTheSplashUntilTheMainWindowIsActive) {
    auto* splash = qobject_cast<fmAbout*>(rig.program.splash());
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->windowTitle(), kTitle + QStringLiteral("О программе  "));
    EXPECT_EQ(splash->Label1->text(), kTitle);
    EXPECT_EQ(splash->Label5->text(), QStringLiteral(" Обновить программу "));
    EXPECT_EQ(splash->Label6->text(), QStringLiteral("Сообщить автору"));
    EXPECT_EQ(splash->Label8->text(), QStringLiteral("http://www.kvintor.invalid/"));
    EXPECT_TRUE(splash->Timer1->isActive()) << "it blinks while the program starts";
    EXPECT_TRUE(splash->Image1->isValid());
    EXPECT_TRUE(splash->Image2->isValid());
    QPointer<fmAbout> watch(splash);
    rig.platform.calls.clear();
    rig.main().activated();
    EXPECT_EQ(rig.program.splash(), nullptr);
    EXPECT_TRUE(watch.isNull()) << "released";
    EXPECT_EQ(rig.platform.calls.filter("layout"), QStringList{"layout 04090409"});
    EXPECT_TRUE(rig.main().isVisible());
}

TEST_F(About, MenuOpensOneWindowOwnedByTheMainWindow) {
    rig.main().activated();
    ASSERT_TRUE(rig.main().Timer1->isActive());
    fmAbout* about = openFromMenu();
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(rig.main().Timer1->isActive()) << "both polling timers stop";
    EXPECT_FALSE(rig.main().Timer2->isActive());
    EXPECT_EQ(about->parentWidget(), &rig.main());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), kTitle + QStringLiteral("О программе  "));
    EXPECT_EQ(openFromMenu(), about) << "a second click brings the same window forward";
    int abouts = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<fmAbout*>(w)) ++abouts;
    EXPECT_EQ(abouts, 1);
}

TEST_F(About, EscUnloadsAndShowsTheMainWindow) {
    rig.main().activated();
    fmAbout* about = openFromMenu();
    ASSERT_NE(about, nullptr);
    QPointer<fmAbout> watch(about);
    rig.main().hide();
    rig.platform.calls.clear();
    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_FALSE(about->isVisible());
    EXPECT_FALSE(about->Timer1->isActive());
    EXPECT_EQ(rig.platform.calls.filter("layout"), QStringList{"layout 04090409"});
    EXPECT_TRUE(rig.main().isVisible());
    released();
    EXPECT_TRUE(watch.isNull()) << "the next opening builds it afresh";
    ASSERT_NE(openFromMenu(), nullptr);
}

TEST_F(About, ActivationSwitchesToRussianAndStartsTheBlinking) {
    rig.main().activated();
    fmAbout* about = openFromMenu();
    ASSERT_NE(about, nullptr);
    about->Timer1->stop();
    rig.platform.calls.clear();
    about->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(about));
    EXPECT_TRUE(rig.platform.calls.contains("layout 04190419"));
    EXPECT_TRUE(about->Timer1->isActive());
    EXPECT_GE(about->Timer1->interval(), 250) << "a blink, not a spin";
    const bool shown = about->Image2->isVisible();
    about->blink();
    EXPECT_EQ(about->Image2->isVisible(), !shown);
    about->blink();
    EXPECT_EQ(about->Image2->isVisible(), shown);
    EXPECT_EQ(about->Image2->accessibleName(), QStringLiteral("Image2"));
}

// ============================================================ the links

TEST_F(About, OnlyTheLinkUnderTheMouseIsBold) {
    rig.main().activated();
    fmAbout* about = openFromMenu();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(boldLinks(*about).isEmpty());
    moveOver(about->Label5);
    EXPECT_EQ(boldLinks(*about), QStringList{"Label5"});
    moveOver(about->Label8);
    EXPECT_EQ(boldLinks(*about), QStringList{"Label8"});
    moveOver(about->Label6);
    EXPECT_EQ(boldLinks(*about), QStringList{"Label6"});
    moveOver(about);
    EXPECT_TRUE(boldLinks(*about).isEmpty()) << "the window's background makes all regular";
    moveOver(about->Image1);
    EXPECT_TRUE(boldLinks(*about).isEmpty());
}

TEST_F(About, MailAndSiteLinksOpenThroughTheSystem) {
    rig.store("fmAbout", "AuthorMail", QStringLiteral("master@garage.test"));
    rig.store("fmAbout", "Site", QStringLiteral("http://garage.test/kvintor"));
    rig.main().activated();
    fmAbout* about = openFromMenu();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->Label8->text(), QStringLiteral("http://garage.test/kvintor"));
    rig.platform.calls.clear();
    QTest::mouseClick(about->Label6, Qt::LeftButton);
    QTest::mouseClick(about->Label8, Qt::LeftButton);
    EXPECT_EQ(
        rig.platform.calls,
        QStringList({"url mailto:master@garage.test?Subject=Kvintor&Body=Сообщение о программе:",
                     "url http://garage.test/kvintor"}));
}

TEST_F(About, UpdateLinkRunsTheCheck) {
    rig.store("fmAbout", "UpdateServer", QStringLiteral("ftp://127.0.0.1:%1").arg(closedPort()));
    rig.main().activated();
    fmAbout* about = openFromMenu();
    ASSERT_NE(about, nullptr);
    QTest::mouseClick(about->Label5, Qt::LeftButton);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              QStringLiteral("Ошибка загрузки с сервера или отмена операции"));
}

TEST_F(About, AccessibleByCaptionAndControlNames) {
    rig.main().activated();
    fmAbout* about = openFromMenu();
    ASSERT_NE(about, nullptr);
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(about);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->text(QAccessible::Name), kTitle + QStringLiteral("О программе  "));
    QStringList names;
    for (int i = 0; i < window->childCount(); ++i)
        names << window->child(i)->text(QAccessible::Name);
    for (const QString& expected :
         {QStringLiteral(" Обновить программу "), QStringLiteral("Сообщить автору"),
          QStringLiteral("Image1"), QStringLiteral("Image2"), kTitle})
        EXPECT_TRUE(names.contains(expected)) << expected.toStdString();
}

// ============================================================ dial-up

TEST(DialUpHangUp, MatchesTheTrimmedEntryName) {
    RecordingDialUp d;
    d.active = {
        {1, QByteArray("Провайдер\0junk", 23)}, {2, " Провайдер  "}, {3, "Другой"}, {4, ""}};
    kvintor::hangUpRemembered(d, QStringLiteral("Провайдер "));
    EXPECT_EQ(d.hungUp, (std::vector<quintptr>{1, 2}));

    d.hungUp.clear();
    kvintor::hangUpRemembered(d, QStringLiteral("  "));
    EXPECT_TRUE(d.hungUp.empty()) << "no remembered entry: nothing is hung up";

    d.listable = false;
    kvintor::hangUpRemembered(d, QStringLiteral("Провайдер"));
    EXPECT_TRUE(d.hungUp.empty()) << "a failed listing hangs up nothing";

    kvintor::NoDialUp none;
    std::vector<kvintor::DialUpConnection> list;
    EXPECT_FALSE(none.enumerate(list));
}

TEST_F(About, UnloadHangsUpTheRememberedEntry) {
    rig.store("fmAbout", "DialUpEntry", QStringLiteral("Провайдер"));
    rig.main().activated();
    fmAbout* about = openFromMenu();
    ASSERT_NE(about, nullptr);
    RecordingDialUp d;
    d.active = {{9, "Провайдер"}};
    about->dialUp = &d;
    about->close();
    EXPECT_EQ(d.hungUp, std::vector<quintptr>{9});
    about->dialUp = &kvintor::systemDialUp();
}
