#pragma once
// The engine test windows on the whole program: the simulated ECU on COM1
// (instant), the dialogs and platform doubles, the pause that moves the
// simulated engine on instead of waiting, and scripted answers.
#include "EngineTests.h"
#include "KvintorRig.h"
#include "common/Time.h"

#include <QCoreApplication>
#include <QLocale>
#include <deque>
#include <gtest/gtest.h>
#include <map>

using kline::Request;

struct EngineTestRig : ::testing::Test {
    KvintorRig rig;
    std::vector<int> pauses;
    // Runs at every pause of a test loop, after the engine has moved on.
    std::function<void(int)> onPause;
    // Scripted answers per request; the last one repeats.
    std::map<Request, std::deque<Request>> scripted;
    // Sees every request the ECU answers, before the script.
    std::function<void(const Request&)> onRequest;

    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        kvintor::installEnginetestsWindows(rig.program);
        ASSERT_TRUE(rig.startOnCom1());
        QCoreApplication::processEvents(); // the main window's first activation
        rig.main().stopTimers();
        common::setPauseHook([this](int ms) {
            pauses.push_back(ms);
            rig.sim->advance(ms);
            if (onPause) onPause(ms);
        });
        rig.sim->ecu.replyHook = [this](const Request& r, std::optional<Request>& reply) {
            if (onRequest) onRequest(r);
            auto it = scripted.find(r);
            if (it == scripted.end() || it->second.empty()) return;
            reply = it->second.front();
            if (it->second.size() > 1) it->second.pop_front();
        };
    }
    void TearDown() override { common::setPauseHook(nullptr); }

    // Opens a window from the "Тесты" menu; its live panel is stopped so
    // that the test decides every request.
    template <class W> W* open(int item) {
        rig.main().tst[static_cast<std::size_t>(item)]->trigger();
        auto* w = rig.main().findChild<W*>();
        if (w && w->Timer1) w->Timer1->stop();
        rig.main().stopTimers();
        return w;
    }
    void script(const Request& request, std::deque<Request> answers) {
        scripted[request] = std::move(answers);
    }
    // The requests of one kind among those the ECU saw.
    static long count(const std::vector<Request>& log, const Request& r) {
        return std::count(log.begin(), log.end(), r);
    }
    static bool writes(const std::vector<Request>& log) {
        return std::any_of(log.begin(), log.end(), [](const Request& r) { return r.at(0) == 98; });
    }
    QStringList messageTexts() const {
        QStringList out;
        for (const auto& m : rig.dialogs.messages)
            out << m.text;
        return out;
    }
    int beeps() const { return rig.platform.count(QStringLiteral("beep")); }
    // Another window's override in force before the test: the idle speed
    // held by the adjustment window (mask A bit 6).
    void otherOverride() {
        rig.sim->ecu.handle({98, 11, 0x40, 46, 85});
        rig.program.state.OverrideMaskA = 0x40;
    }
    sim::Engine& engine() { return rig.sim->ecu.engine(); }
    int mask11() { return rig.sim->ecu.variable(11); }
};
