// The real seams of a desktop: Qt's Russian texts, the warning tone's time
// bound, the message-box activation watch, the file dialogs' filters.
#include "common/ActivationWatch.h"
#include "common/Platform.h"
#include "common/QtDialogs.h"
#include "common/Translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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

// The real file dialogs list every image whatever the case of its name, and
// "Все файлы" lists a dump without an extension: what they are handed lists
// the same even compared case-sensitively, as some desktops' dialogs do. The
// user sees each entry's description alone.
TEST(Desktop, FileDialogsListEveryImage) {
    QTemporaryDir dir;
    const QStringList names{"Mixed.Bin", "UPPER.BIN", "dump", "lower.bin", "notes.txt"};
    for (const QString& n : names) {
        QFile f(dir.filePath(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString filter = QStringLiteral("Бинарные файлы  .bin (*.bin);;Все файлы (*.*)");
    const QStringList images{"Mixed.Bin", "UPPER.BIN", "lower.bin"};
    QtDialogs dialogs;
    for (bool save : {false, true}) {
        SCOPED_TRACE(save ? "save" : "open");
        QStringList shown, handedBin, handedAll, viewAll;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            poll.stop();
            auto* combo = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; combo && i < combo->count(); ++i)
                shown << combo->itemText(i);
            const QStringList handed = d->nameFilters();
            const auto list = [&](int entry) {
                return QDir(dir.path())
                    .entryList(filterPatterns(handed.join(";;"), entry),
                               QDir::Files | QDir::CaseSensitive, QDir::Name);
            };
            handedBin = list(0);
            handedAll = list(1);
            // Qt's own dialog, showing "Все файлы".
            d->selectNameFilter(handed.value(1));
            auto* view = d->findChild<QListView*>(QStringLiteral("listView"));
            const auto files = [&] {
                QStringList out;
                for (int r = 0; view && r < view->model()->rowCount(view->rootIndex()); ++r)
                    out << view->model()->index(r, 0, view->rootIndex()).data().toString();
                out.sort();
                return out;
            };
            EXPECT_TRUE(QTest::qWaitFor([&] { return files().size() == names.size(); }, 5000));
            viewAll = files();
            d->reject();
        });
        poll.start();
        const QString chosen = save ? dialogs.saveFile("s", dir.path() + "/", filter)
                                    : dialogs.openFile("o", dir.path(), filter);
        EXPECT_TRUE(chosen.isEmpty());
        EXPECT_EQ(shown, (QStringList{"Бинарные файлы  .bin", "Все файлы"}));
        EXPECT_EQ(handedBin, images);
        EXPECT_EQ(handedAll, names);
        EXPECT_EQ(viewAll, names);
    }
}
