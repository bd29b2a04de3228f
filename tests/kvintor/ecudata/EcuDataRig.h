#pragma once
// The ECU data windows on the program's test seams: COM1 open on the
// in-process simulated ECU (without the main window, so that only the window
// under test talks to it), pauses recorded instead of waited, and the texts
// every window's messages use.
#include "KvintorRig.h"
#include "common/Time.h"

#include <QEventLoop>
#include <QTimer>
#include <ctime>
#include <gtest/gtest.h>

// Lets the event loop wait for events for a while without spinning, so the
// processor time spent meanwhile is the windows' own.
inline void idleFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
inline double processorMs() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}
// The window shows the normal pointer.
inline bool normalPointer(const QWidget& w) {
    return w.cursor().shape() == Qt::ArrowCursor;
}

struct EcuDataTest : ::testing::Test {
    KvintorRig rig;
    // Each pause: its length and how many requests the ECU had seen by then.
    struct Paused {
        int ms;
        std::size_t requestsBefore;
    };
    std::vector<Paused> pauses;

    const QString title = QStringLiteral("Kvintor  (версия 2.4)");
    const QString errorCaption = QStringLiteral("Ошибка  ") + title;

    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        ASSERT_EQ(rig.program.ecu.OpenPort(1), 0);
        common::setPauseHook([this](int ms) {
            pauses.push_back({ms, rig.sim->adapter.log().size()});
        });
    }
    void TearDown() override {
        common::setPauseHook(nullptr);
        QLocale::setDefault(QLocale::system());
    }

    // The ECU answers requests that begin with `command` with exactly these
    // bytes; other requests as before.
    void answer(std::uint8_t command, const std::vector<int>& bytes) {
        rig.sim->ecu.replyHook = [command, bytes](const kline::Request& r,
                                                  std::optional<kline::Request>& reply) {
            if (!r.empty() && r[0] == command) reply = kline::Request(bytes.begin(), bytes.end());
        };
    }
    QString refusal(int status) const {
        return QStringLiteral("ЭБУ  не  может  выполнить  операцию  \r\nОшибка  ") +
               QString::number(status);
    }
    QString linkFailure(const char* upper) const {
        return QStringLiteral("Операция  не  выполнена   ") + QString::fromUtf8(upper);
    }
    void expectMessage(std::size_t i, const QString& text, const QString& caption) {
        ASSERT_GT(rig.dialogs.messages.size(), i);
        EXPECT_EQ(rig.dialogs.messages[i].text, text);
        EXPECT_EQ(rig.dialogs.messages[i].caption, caption);
        EXPECT_EQ(rig.dialogs.messages[i].icon, common::Icon::Exclamation);
        EXPECT_EQ(rig.dialogs.messages[i].buttons, common::Buttons::Ok);
    }
};
