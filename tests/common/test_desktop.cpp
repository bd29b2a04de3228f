// The real seams of a desktop: Qt's Russian texts, the warning tone's time
// bound, the message-box activation watch.
#include "common/ActivationWatch.h"
#include "common/Platform.h"
#include "common/Translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace common;

namespace {
QString plain(QString text) { return text.remove(QLatin1Char('&')); }
} // namespace

TEST(Desktop, StandardButtonsSpeakRussian) {
    ASSERT_TRUE(installRussianTranslations(*qApp)) << "qt6-translations-l10n installed";
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(plain(box.button(QMessageBox::Yes)->text()), QStringLiteral("Да"));
    EXPECT_EQ(plain(box.button(QMessageBox::No)->text()), QStringLiteral("Нет"));
    EXPECT_EQ(plain(box.button(QMessageBox::Cancel)->text()), QStringLiteral("Отмена"));
    QMessageBox ok(QMessageBox::Information, "t", "i", QMessageBox::Ok);
    EXPECT_EQ(plain(ok.button(QMessageBox::Ok)->text()), QStringLiteral("OK"));
}

TEST(Desktop, TheToneNeverHoldsLongerThanItself) {
    // An audio output that takes everything at once: the tone still lasts
    // its 200 ms, and no more.
    QTemporaryDir dir;
    const QString config = dir.path() + "/asound.conf";
    QFile f(config);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("pcm.!default { type null }\nctl.!default { type hw card 0 }\n");
    f.close();
    qputenv("ALSA_CONFIG_PATH", config.toLocal8Bit());
    DesktopPlatform platform;
    if (!platform.soundOutputAvailable()) GTEST_SKIP() << "built without ALSA";
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(platform.beep(1864, 200));
    EXPECT_GE(t.elapsed(), 150);
    EXPECT_LT(t.elapsed(), 400);
    qunsetenv("ALSA_CONFIG_PATH");
}

TEST(Desktop, ActivationFromAClosingMessageBoxIsTold) {
    ActivationWatch& watch = ActivationWatch::instance();
    QWidget window;
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    QMessageBox box;
    box.show();
    box.activateWindow();
    QApplication::processEvents();
    box.hide();
    window.activateWindow();
    QApplication::processEvents();
    EXPECT_TRUE(watch.takeReturnFromMessageBox());
    EXPECT_FALSE(watch.takeReturnFromMessageBox()) << "each activation asks once";
    QWidget other;
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    other.hide();
    window.activateWindow();
    QApplication::processEvents();
    EXPECT_FALSE(watch.takeReturnFromMessageBox());
}
