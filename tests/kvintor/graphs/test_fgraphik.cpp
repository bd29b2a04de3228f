// The graph window on the simulated ECU: the request of each set, what a
// reply draws and shows, short and failed replies, "Стоп", the cursor, the
// schemes, the settings, the help note and the keys.
#include "GraphChannels.h"
#include "GraphsWindows.h"
#include "KvintorRig.h"
#include "PlainStrip.h"
#include "common/Time.h"
#include "fGraphik.h"

#include <QApplication>
#include <QBackingStore>
#include <QLabel>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>

using kline::Request;
using kvintor::fGraphik;

namespace {

const std::vector<int> kSet1{0x12, 0x03, 20, 31, 1, 0, 7, 255}; // PABS 786
const std::vector<int> kSet2{13, 75, 200, 11, 0, 128, 0x71, 0x02, 0xD2, 0x04};

// What the screen keeps of a strip (the window's copy of it) equals the
// picture, where nothing covers the strip.
bool shownAs(const kvintor::StripView* strip, const QImage& picture) {
    auto* copy = dynamic_cast<QImage*>(strip->window()->backingStore()->paintDevice());
    if (!copy) return false;
    const QPoint at = strip->mapTo(strip->window(), QPoint(0, 0));
    const QImage shown = copy->copy(QRect(at, strip->size())).convertToFormat(QImage::Format_RGB32);
    const QImage want = picture.convertToFormat(QImage::Format_RGB32);
    for (const QRect& r : strip->visibleRegion())
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (std::memcmp(shown.constScanLine(y) + r.left() * 4,
                            want.constScanLine(y) + r.left() * 4,
                            static_cast<std::size_t>(r.width()) * 4) != 0)
                return false;
    return true;
}

long area(const QRegion& region) {
    long n = 0;
    for (const QRect& r : region)
        n += static_cast<long>(r.width()) * r.height();
    return n;
}

// Gathers where the strips are repainted.
struct PaintRecorder : QObject {
    std::array<QRegion, 7>& painted;
    explicit PaintRecorder(std::array<QRegion, 7>& p) : painted(p) {}
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted[static_cast<std::size_t>(watched->objectName().mid(9, 1).toInt())] +=
                static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

struct Graph : ::testing::Test {
    KvintorRig rig;
    std::vector<int> pauses;
    QPointer<fGraphik> window;

    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        common::setPauseHook([this](int ms) { pauses.push_back(ms); });
        kvintor::installGraphsWindows(rig.program, {});
        ASSERT_TRUE(rig.startOnCom1());
        QApplication::processEvents();
    }
    void TearDown() override {
        if (window) delete window.data();
        common::setPauseHook(nullptr);
    }
    // Opens the window from the menu; its timer is then driven by hand.
    fGraphik& open() {
        rig.main().Dnn[0]->trigger();
        window = rig.main().findChild<fGraphik*>();
        EXPECT_TRUE(window);
        EXPECT_TRUE(window->Timer1->isActive());
        window->Timer1->stop();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        rig.requests();
        pauses.clear();
        return *window;
    }
    fGraphik& w() { return *window; }
    // The ECU answers the graph requests (97 and seven variables) with these.
    void answer(const std::vector<int>& bytes) {
        rig.sim->ecu.replyHook = [bytes](const Request& r, std::optional<Request>& reply) {
            if (r.size() == 8 && r[0] == 97) reply = Request(bytes.begin(), bytes.end());
        };
    }
    QStringList labels() {
        QStringList out;
        for (QLabel* l : w().Label1)
            out << l->text();
        return out;
    }
    std::vector<QImage> images() {
        std::vector<QImage> out;
        for (auto* s : w().Picture1)
            out.push_back(s->painter.image().copy());
        return out;
    }
    QColor pixel(int k, int x, int y) {
        return w().Picture1[static_cast<std::size_t>(k)]->painter.image().pixelColor(x, y);
    }
    QString setting(const char* key) {
        return rig.setting(QStringLiteral("fGraphik"), QString::fromUtf8(key));
    }
};

} // namespace

// ================================================================= opening

TEST_F(Graph, OpensInPlaceOfTheMainWindowWithTheStoredDefaults) {
    fGraphik& g = open();
    EXPECT_EQ(g.windowTitle(), QStringLiteral("Графический тест  Kvintor  (версия 2.4)"));
    EXPECT_TRUE(g.isVisible());
    EXPECT_FALSE(rig.main().isVisible());
    // The frame, title bar included, fills the screen's free area.
    EXPECT_EQ(g.frameGeometry(), QRect(0, 0, 1280, 1024));
    EXPECT_TRUE(g.nb[0]->isChecked());
    EXPECT_FALSE(g.nb[1]->isChecked());
    EXPECT_TRUE(g.Oform[0]->isChecked());
    EXPECT_FALSE(g.Oform[1]->isChecked());
    EXPECT_TRUE(g.Metki->isChecked());
    EXPECT_TRUE(g.Plavno->isChecked());
    EXPECT_FALSE(g.Stst->isChecked());
    EXPECT_EQ(g.scrollPause(), 1);
    EXPECT_EQ(g.Timer1->interval(), 1);
    EXPECT_EQ(setting("Оформление"), QStringLiteral("0"))
        << "the stored scheme is clicked at opening";
    EXPECT_EQ(labels(), QStringList(7, QStringLiteral("0")));
    QStringList names;
    for (QLabel* l : g.Label2)
        names << l->text();
    EXPECT_EQ(names,
              (QStringList{"PABS", "FREQ", "UOZ", "Det 1 ц", "Det 2 ц", "Det 3 ц", "Det 4 ц"}));
    EXPECT_FALSE(g.Picture2->isVisible());
    for (auto* s : g.Picture1) {
        EXPECT_FALSE(s->cursorLine->isVisible());
        EXPECT_EQ(s->size(), QSize(g.stripWidth(), g.stripHeight()));
        EXPECT_EQ(s->accessibleName(), s->objectName());
        EXPECT_EQ(s->painter.image().size(), s->size());
    }
    EXPECT_GT(g.stripWidth(), 1100);
    EXPECT_GT(g.stripHeight(), 120);
    EXPECT_EQ(g.history().length(), g.stripWidth() / 8 + 1);
    EXPECT_EQ(pixel(0, g.stripWidth() - 1, g.stripHeight() - 1), QColor(Qt::white));
    // The titles leave the drawing position a text line below a third.
    const auto& p = g.Picture1[0]->painter;
    EXPECT_GT(p.currentY(), g.stripHeight() / 3.0);
    EXPECT_LT(p.currentY(), g.stripHeight() / 3.0 + 60);
}

TEST_F(Graph, MenusShortcutsAndNames) {
    fGraphik& g = open();
    QStringList bar;
    for (QAction* a : g.menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, (QStringList{"Набор", "Оформление", "Help"}));
    EXPECT_EQ(g.nb[0]->text(), QStringLiteral("Набор1"));
    EXPECT_EQ(g.nb[1]->text(), QStringLiteral("Набор2"));
    EXPECT_EQ(g.Oform[0]->text(), QStringLiteral("Черным по белому"));
    EXPECT_EQ(g.Oform[1]->text(), QStringLiteral("Белым по черному"));
    EXPECT_EQ(g.Graf->title(), QStringLiteral("График"));
    EXPECT_EQ(g.Metki->text(), QStringLiteral("Метки"));
    EXPECT_EQ(g.Stst->text(), QStringLiteral("Стоп"));
    EXPECT_EQ(g.Plavno->text(), QStringLiteral("Плавно"));
    EXPECT_EQ(g.nb[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+F1")));
    EXPECT_EQ(g.nb[1]->shortcut(), QKeySequence(QStringLiteral("Ctrl+F2")));
    EXPECT_EQ(g.Oform[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
    EXPECT_EQ(g.Oform[1]->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));
    EXPECT_EQ(g.Metki->shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
    EXPECT_EQ(g.Stst->shortcut(), QKeySequence(QStringLiteral("F9")));
    EXPECT_EQ(g.Plavno->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    // The pop-up menu's keys work without the menu.
    EXPECT_TRUE(g.actions().contains(g.Stst));
    EXPECT_TRUE(g.actions().contains(g.Metki));
    EXPECT_TRUE(g.actions().contains(g.Plavno));
    EXPECT_NE(g.findChild<QLabel*>(QStringLiteral("Label1(6)")), nullptr);
    EXPECT_NE(g.findChild<QWidget*>(QStringLiteral("Line1(3)")), nullptr);
}

// ============================================================= acquisition

TEST_F(Graph, SetOneTickRequestsDrawsAndRecords) {
    answer(kSet1);
    fGraphik& g = open();
    const int H = g.stripHeight();
    const double yPrev = g.Picture1[0]->painter.currentY();
    g.timer1Tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 35, 41, 38, 81, 82, 83, 84}}));
    EXPECT_EQ(labels(), (QStringList{"786", "800", "15.5", "0.5", "0", "3.5", "127.5"}));
    EXPECT_EQ(g.history().sample(0), (std::vector<int>{0x12, 0x03, 20, 31, 1, 0, 7, 255, 0, 0}));
    EXPECT_EQ(g.history().stored(), 1);
    // PABS 786 of 1700: the segment ends at H - h, and the mark boxes the
    // previous point (the titles' end) at x = 9.
    const int h = kvintor::segmentHeight(H, 786, 1700);
    EXPECT_EQ(g.Picture1[0]->painter.currentY(), H - h);
    EXPECT_EQ(pixel(0, 1, H - h), QColor(Qt::black));
    EXPECT_EQ(pixel(0, 10, static_cast<int>(yPrev) + 1), QColor(Qt::black)) << "mark";
    EXPECT_EQ(pauses, std::vector<int>(8, 1)) << "a pause after each of the 8 steps";
}

TEST_F(Graph, SetTwoRequestAndDecoding) {
    answer(kSet2);
    fGraphik& g = open();
    g.nb[1]->trigger();
    EXPECT_TRUE(g.nb[1]->isChecked());
    EXPECT_FALSE(g.nb[0]->isChecked());
    QStringList names;
    for (QLabel* l : g.Label2)
        names << l->text();
    EXPECT_EQ(names, (QStringList{"THR", "FREQ", "UOZ", "GBC", "VALF", "INJ", "JAIR"}));
    g.timer1Tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 32, 41, 38, 52, 57, 63, 33}}));
    EXPECT_EQ(labels(), (QStringList{"13", "3000", "100", "1", "1", "5", "123.4"}))
        << "filling 11 shows 1";
    EXPECT_EQ(g.history().sample(0), kSet2);
    // Under the cursor the filling is 11 / 5.9988.
    g.toggleStop();
    g.cursorAt(2);
    EXPECT_EQ(g.Label1[3]->text(), QStringLiteral("1.8"));
    EXPECT_EQ(g.Label1[0]->text(), QStringLiteral("13"));
}

TEST_F(Graph, ShortRepliesDrawAndChangeNothing) {
    answer({1, 2, 3, 4, 5, 6, 7});
    fGraphik& g = open();
    const auto before = images();
    g.timer1Tick();
    EXPECT_EQ(rig.requests().size(), 1u);
    EXPECT_EQ(images(), before);
    EXPECT_EQ(labels(), QStringList(7, QStringLiteral("0")));
    EXPECT_EQ(g.history().stored(), 0);
    EXPECT_TRUE(pauses.empty());

    g.nb[1]->trigger();
    answer({1, 2, 3, 4, 5, 6, 7, 8, 9});
    const auto before2 = images();
    g.timer1Tick();
    EXPECT_EQ(images(), before2);
    EXPECT_EQ(g.history().stored(), 0);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(Graph, AFailingLinkIsAskedAgainQuietlyAndNotAtFullRate) {
    fGraphik& g = open();
    rig.sim->adapter.setFault(sim::LineFault::PortGone);
    const auto before = images();
    int ticks = 0;
    QObject::connect(g.Timer1, &QTimer::timeout, [&ticks] { ++ticks; });
    g.Timer1->start();
    QTest::qWait(300);
    g.Timer1->stop();
    EXPECT_GE(ticks, 5);
    EXPECT_LE(ticks, 300 / fGraphik::kFailedTickMs + 3) << "no spinning on a dead port";
    EXPECT_EQ(g.Timer1->interval(), fGraphik::kFailedTickMs);
    EXPECT_TRUE(rig.dialogs.messages.empty()) << "link failures are not shown here";
    EXPECT_EQ(images(), before);
    rig.sim->adapter.setFault(sim::LineFault::None);
    answer(kSet1);
    g.timer1Tick();
    EXPECT_EQ(g.Timer1->interval(), 1);
    EXPECT_EQ(g.history().stored(), 1);
}

TEST_F(Graph, AboveFullScaleDrawsToTheTopEdgeAndShowsTheTrueValue) {
    answer({0xD0, 0x07, 0, 0, 0, 0, 0, 0}); // PABS 2000 > 1700
    fGraphik& g = open();
    g.timer1Tick();
    EXPECT_EQ(g.Label1[0]->text(), QStringLiteral("2000"));
    EXPECT_EQ(g.Picture1[0]->painter.currentY(), 0);
    EXPECT_EQ(pixel(0, 1, 0), QColor(Qt::black));
}

// Both schemes, with and without "Плавно" and marks, and with the help note
// over the strips: every step and every sample shows the picture of
// copying every column, and only what moved is repainted.
TEST_F(Graph, TheStripsLookAsEverAndOnlyWhatMovedIsRepainted) {
    struct Case {
        bool smooth;
        int scheme;
        bool marks;
        bool covered;
    };
    const Case cases[] = {{true, 0, true, false},
                          {false, 0, true, false},
                          {true, 1, false, false},
                          {false, 1, true, false},
                          {true, 0, true, true}};
    fGraphik& g = open();
    std::array<QRegion, 7> painted;
    PaintRecorder recorder(painted);
    for (auto* s : g.Picture1)
        s->installEventFilter(&recorder);
    const int H = g.stripHeight();
    const QRect stripRect(0, 0, g.stripWidth(), H);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Плавно " << c.smooth << ", scheme " << c.scheme
                                        << ", marks " << c.marks << ", covered " << c.covered);
        g.Oform[static_cast<std::size_t>(c.scheme)]->trigger();
        g.Metki->setChecked(c.marks);
        g.Plavno->setChecked(c.smooth);
        if (c.covered)
            g.showHelp();
        else
            g.hideHelp();
        QApplication::processEvents();
        const QColor foreground = c.scheme == 1 ? Qt::white : Qt::black;
        std::vector<PlainStrip> plain;
        for (auto* s : g.Picture1) {
            plain.push_back({s->painter.image().copy(), s->painter.currentY()});
            ASSERT_TRUE(shownAs(s, plain.back().image));
        }
        int steps = 0;
        bool everyStepShown = true;
        common::setPauseHook([&](int) {
            ++steps;
            for (std::size_t k = 0; k < 7; ++k) {
                if (c.smooth) plain[k].step();
                everyStepShown = everyStepShown && shownAs(g.Picture1[k], plain[k].image);
            }
        });
        for (int i = 0; i < 12; ++i) {
            const int pabs = 300 + 137 * i % 1500;
            const std::vector<int> reply{pabs & 0xFF, pabs >> 8, 20 + 9 * i % 130, 10 + i,
                                         i % 3,       0,         i % 2 * 24,       30};
            answer(reply);
            for (auto& r : painted)
                r = QRegion();
            // What can move in this sample: what was drawn, and the eight
            // columns right of it.
            std::array<QRegion, 7> movable;
            for (std::size_t k = 0; k < 7; ++k)
                for (const QRect& r : g.Picture1[k]->painter.ink())
                    movable[k] += r.adjusted(0, 0, 8, 0);
            steps = 0;
            g.timer1Tick();
            ASSERT_EQ(steps, 8);
            ASSERT_TRUE(everyStepShown)
                << "sample " << i << (c.smooth ? ": each step" : ": unmoved");
            for (std::size_t k = 0; k < 7; ++k) {
                const int strip = static_cast<int>(k);
                if (c.smooth && !c.covered) {
                    EXPECT_TRUE(painted[k].isEmpty()) << "steps move what is shown in place";
                } else if (!c.smooth) {
                    for (int step = 0; step < 8; ++step)
                        plain[k].step();
                }
                const int raw = kvintor::graphRawValue(0, strip, reply);
                plain[k].sample(
                    kvintor::segmentHeight(H, raw, kvintor::graphChannels(0)[k].fullScale), c.marks,
                    foreground);
            }
            QApplication::processEvents();
            for (std::size_t k = 0; k < 7; ++k) {
                ASSERT_EQ(g.Picture1[k]->painter.image(), plain[k].image)
                    << "sample " << i << " strip " << k;
                ASSERT_TRUE(shownAs(g.Picture1[k], plain[k].image))
                    << "sample " << i << " strip " << k;
                if (c.covered) continue; // repainted step by step round the note
                const QRegion segment(0, 0, 12, H);
                EXPECT_TRUE((painted[k] - segment - (c.smooth ? QRegion() : movable[k])).isEmpty())
                    << (c.smooth ? "the segment alone" : "what moved and the segment");
                EXPECT_LT(area(painted[k]), area(stripRect) / 3) << "strip " << k;
            }
        }
        common::setPauseHook([this](int ms) { pauses.push_back(ms); });
    }
}

// The steps as the X server shows them, where the X11 window's copy is
// shown its own way: run by the test below on an X server of its own.
TEST_F(Graph, DISABLED_OnAnXServerEveryStepReachesTheScreen) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    fGraphik& g = open();
    g.Plavno->setChecked(true);
    QTest::qWait(100);
    const auto onScreen = [&g](const kvintor::StripView* s) {
        const QPoint at = s->mapTo(&g, QPoint(0, 0));
        return g.screen()
            ->grabWindow(g.winId(), at.x(), at.y(), s->width(), s->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    std::vector<PlainStrip> plain;
    for (auto* s : g.Picture1) {
        plain.push_back({s->painter.image().copy(), s->painter.currentY()});
        ASSERT_EQ(onScreen(s), plain.back().image);
    }
    int steps = 0;
    bool everyStepShown = true;
    common::setPauseHook([&](int) {
        ++steps;
        for (std::size_t k = 0; k < 7; ++k) {
            plain[k].step();
            everyStepShown = everyStepShown && onScreen(g.Picture1[k]) == plain[k].image;
        }
    });
    const int H = g.stripHeight();
    for (int i = 0; i < 4; ++i) {
        const int pabs = 200 + 450 * i;
        const std::vector<int> reply{pabs & 0xFF, pabs >> 8, 150 - 30 * i, 5 + 30 * i, 0, 24,
                                     i,           12};
        answer(reply);
        steps = 0;
        g.timer1Tick();
        ASSERT_EQ(steps, 8);
        ASSERT_TRUE(everyStepShown) << "sample " << i;
        for (std::size_t k = 0; k < 7; ++k) {
            const int raw = kvintor::graphRawValue(0, static_cast<int>(k), reply);
            plain[k].sample(kvintor::segmentHeight(H, raw, kvintor::graphChannels(0)[k].fullScale),
                            true, Qt::black);
        }
        QApplication::processEvents();
        for (std::size_t k = 0; k < 7; ++k)
            ASSERT_EQ(onScreen(g.Picture1[k]), plain[k].image) << "sample " << i << " strip " << k;
    }
}

TEST(GraphOnAnXServer, EveryStepReachesTheScreen) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) GTEST_SKIP() << "no Xvfb here";
    QProcess server;
    server.start(xvfb,
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted(5000));
    ASSERT_TRUE(server.waitForReadyRead(10000)) << "the X server names no display";
    const QString display = QStringLiteral(":") + QString::fromLatin1(server.readLine()).trimmed();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--gtest_also_run_disabled_tests"),
         QStringLiteral("--gtest_filter=Graph.DISABLED_OnAnXServerEveryStepReachesTheScreen")});
    const bool finished = child.waitForFinished(60000);
    const QString output = QString::fromLocal8Bit(child.readAll());
    server.terminate();
    server.waitForFinished(5000);
    ASSERT_TRUE(finished) << qPrintable(output);
    EXPECT_EQ(child.exitCode(), 0) << qPrintable(output);
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << qPrintable(output);
}

TEST_F(Graph, TheScrollPauseFollowsTheArrowKeys) {
    answer(kSet1);
    fGraphik& g = open();
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(&g, Qt::Key_Up);
    EXPECT_EQ(g.scrollPause(), 0);
    g.timer1Tick();
    EXPECT_TRUE(pauses.empty());
    g.Plavno->trigger();
    EXPECT_FALSE(g.Plavno->isChecked());
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.scrollPause(), 6);
    g.timer1Tick();
    EXPECT_EQ(pauses, std::vector<int>(8, 6)) << "without \"Плавно\" the pauses stay";
    QTest::keyClick(&g, Qt::Key_Up);
    EXPECT_EQ(g.scrollPause(), 5);
}

// ============================================================ stop, cursor

TEST_F(Graph, StopFreezesDrawingButNotAcquisition) {
    answer(kSet1);
    fGraphik& g = open();
    g.timer1Tick();
    rig.requests();
    g.Stst->trigger();
    EXPECT_TRUE(g.stopped());
    for (auto* s : g.Picture1)
        EXPECT_TRUE(s->cursorLine->isVisible());
    const auto before = images();
    answer({9, 9, 9, 9, 9, 9, 9, 9});
    g.timer1Tick();
    EXPECT_EQ(rig.requests().size(), 1u) << "the ECU is still asked";
    EXPECT_EQ(images(), before);
    EXPECT_EQ(g.history().stored(), 1);
    EXPECT_EQ(g.Label1[1]->text(), QStringLiteral("800"));
    // Set, scheme and layout changes wait.
    g.nb[1]->trigger();
    EXPECT_TRUE(g.nb[0]->isChecked());
    EXPECT_FALSE(g.nb[1]->isChecked());
    g.Oform[1]->trigger();
    EXPECT_TRUE(g.Oform[0]->isChecked());
    EXPECT_FALSE(g.Oform[1]->isChecked());
    g.resize(900, 700);
    QApplication::processEvents();
    EXPECT_EQ(images(), before);
    EXPECT_EQ(g.history().stored(), 1);
    EXPECT_EQ(setting("Оформление"), QStringLiteral("0"));
    g.Stst->trigger();
    for (auto* s : g.Picture1)
        EXPECT_FALSE(s->cursorLine->isVisible());
}

TEST_F(Graph, CursorReadsTheRecordedSamples) {
    fGraphik& g = open();
    for (int speed : {10, 20, 30}) {
        answer({0, 0, speed, 0, 0, 0, 0, 0});
        g.timer1Tick();
    }
    g.toggleStop();
    g.cursorAt(3);
    EXPECT_EQ(g.Label1[1]->text(), QStringLiteral("1200")) << "sample 0, the newest";
    g.cursorAt(4);
    EXPECT_EQ(g.Label1[1]->text(), QStringLiteral("1200")) << "4 / 8 rounds to 0";
    g.cursorAt(12);
    EXPECT_EQ(g.Label1[1]->text(), QStringLiteral("400")) << "12 / 8 rounds to 2";
    for (auto* s : g.Picture1)
        EXPECT_EQ(s->cursorLine->geometry(), QRect(12, 0, 1, g.stripHeight()));
    // Beyond the history the lines move and the labels stay.
    const int beyond = g.stripWidth() + 4;
    g.cursorAt(beyond);
    EXPECT_EQ(g.Picture1[6]->cursorX(), beyond);
    EXPECT_EQ(g.Label1[1]->text(), QStringLiteral("400"));
    // The mouse: a left press reads, a drag follows, a right press opens "График".
    QTest::mousePress(g.Picture1[4], Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(g.Label1[1]->text(), QStringLiteral("800"));
    EXPECT_EQ(g.Picture1[0]->cursorX(), 8);
    QTest::mouseRelease(g.Picture1[4], Qt::LeftButton, {}, QPoint(8, 10));
    QTest::mousePress(g.Picture1[4], Qt::RightButton, {}, QPoint(30, 10));
    EXPECT_TRUE(g.Graf->isVisible());
    EXPECT_EQ(g.Picture1[0]->cursorX(), 8) << "a right press moves no cursor";
    g.Graf->hide();
}

TEST_F(Graph, ALayoutKeepsTheCursorInsideTheStrip) {
    fGraphik& g = open();
    g.cursorAt(1);
    g.resize(1000, 800);
    QApplication::processEvents();
    EXPECT_EQ(g.Picture1[0]->cursorX(), 2);
    g.cursorAt(5000);
    g.resize(1100, 800);
    QApplication::processEvents();
    EXPECT_EQ(g.Picture1[2]->cursorX(), g.stripWidth() - 2);
    EXPECT_EQ(g.Picture1[2]->cursorLine->height(), g.stripHeight());
    EXPECT_EQ(g.history().length(), g.stripWidth() / 8 + 1);
}

// ================================================================== schemes

TEST_F(Graph, SchemeChangeEmptiesStripsAndHistory) {
    answer({0x00, 0x03, 100, 60, 12, 12, 12, 12});
    fGraphik& g = open();
    for (int i = 0; i < 5; ++i)
        g.timer1Tick();
    ASSERT_EQ(g.history().stored(), 5);
    g.Oform[1]->trigger();
    EXPECT_TRUE(g.Oform[1]->isChecked());
    EXPECT_FALSE(g.Oform[0]->isChecked());
    EXPECT_EQ(setting("Оформление"), QStringLiteral("1"));
    EXPECT_EQ(g.history().stored(), 0);
    EXPECT_EQ(g.history().sample(0), std::vector<int>(10, 0));
    EXPECT_EQ(labels(), QStringList(7, QStringLiteral("0")));
    // Nothing but the titles: every row above them and below them is black.
    const int H = g.stripHeight();
    const int top = H / 3;
    const int bottom = static_cast<int>(g.Picture1[0]->painter.currentY());
    for (std::size_t k = 0; k < 7; ++k) {
        const QImage& im = g.Picture1[k]->painter.image();
        for (int y = 0; y < H; ++y) {
            if (y >= top && y < bottom) continue;
            for (int x = 0; x < im.width(); x += 3)
                ASSERT_EQ(im.pixel(x, y), qRgb(0, 0, 0)) << k << " " << x << "," << y;
        }
    }
    EXPECT_EQ(g.Picture1[0]->cursorLine->palette().color(QPalette::Window), QColor(255, 255, 128));
    g.timer1Tick();
    EXPECT_EQ(pixel(1, 1, H - kvintor::segmentHeight(H, 100, 150)), QColor(Qt::white));
}

TEST_F(Graph, AStoredSchemeOutOfRangeOpensBlackOnWhite) {
    rig.store(QStringLiteral("fGraphik"), QStringLiteral("Оформление"), QStringLiteral("5"));
    fGraphik& g = open();
    EXPECT_TRUE(g.Oform[0]->isChecked());
    EXPECT_FALSE(g.Oform[1]->isChecked());
    EXPECT_EQ(pixel(3, g.stripWidth() - 1, 0), QColor(Qt::white));
    EXPECT_EQ(g.Picture1[3]->painter.foreground(), QColor(Qt::black));
    EXPECT_EQ(g.Picture1[3]->cursorLine->palette().color(QPalette::Window), QColor(128, 128, 0));
    EXPECT_EQ(setting("Оформление"), QStringLiteral("0"));
}

// ========================================================== settings, close

TEST_F(Graph, ClosingStoresTheSwitchesAndTheNextOpeningReadsThem) {
    fGraphik& g = open();
    g.nb[1]->trigger();
    g.Metki->trigger();
    QTest::keyClick(&g, Qt::Key_Down);
    QTest::keyClick(&g, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(window) << "Esc closes the window";
    EXPECT_TRUE(rig.main().isVisible());
    EXPECT_EQ(setting("Набор"), QStringLiteral("1"));
    EXPECT_EQ(setting("Метки"), QStringLiteral("False"));
    EXPECT_EQ(setting("Плавно"), QStringLiteral("True"));
    EXPECT_EQ(setting("Обновление"), QStringLiteral("2"));

    fGraphik& again = open();
    EXPECT_TRUE(again.nb[1]->isChecked());
    EXPECT_FALSE(again.Metki->isChecked());
    EXPECT_EQ(again.scrollPause(), 2);
    EXPECT_EQ(again.Label2[0]->text(), QStringLiteral("THR"));
    again.timer1Tick();
    EXPECT_EQ(rig.requests(), (std::vector<Request>{{97, 32, 41, 38, 52, 57, 63, 33}}));
}

TEST_F(Graph, StoredValuesOutsideTheirRangeAreTakenSafely) {
    rig.store(QStringLiteral("fGraphik"), QStringLiteral("Набор"), QStringLiteral("7"));
    rig.store(QStringLiteral("fGraphik"), QStringLiteral("Обновление"), QStringLiteral("40"));
    rig.store(QStringLiteral("fGraphik"), QStringLiteral("Плавно"), QStringLiteral("False"));
    fGraphik& g = open();
    EXPECT_TRUE(g.nb[0]->isChecked());
    EXPECT_EQ(g.scrollPause(), 6);
    EXPECT_FALSE(g.Plavno->isChecked());
}

// ===================================================================== help

TEST_F(Graph, HelpNoteShowsAndHidesItself) {
    fGraphik& g = open();
    g.h->trigger();
    EXPECT_TRUE(g.Picture2->isVisible());
    EXPECT_EQ(g.Picture2->text(),
              QStringLiteral(
                  " Клавишами вверх или вниз установите\n желаемую скорость обновления графика"));
    EXPECT_TRUE(g.Timer2->isActive());
    EXPECT_EQ(g.Timer2->interval(), 5000);
    g.timer2Tick();
    EXPECT_FALSE(g.Picture2->isVisible());
    EXPECT_FALSE(g.Timer2->isActive());
    g.h->trigger();
    QTest::mouseClick(g.Picture2, Qt::LeftButton);
    EXPECT_FALSE(g.Picture2->isVisible()) << "a click hides it at once";
}
