// The engine behind the simulated ECU, driven through the exchange as the
// engine-test windows drive it: throttle acceleration, coast-down with the
// fuel cut, idle acceleration under the cold-coolant override, the idle
// target, the cylinder balance at a frozen idle-air valve, the
// carburettor's mixture screw.
#include "SimLink.h"
#include "link/Commands.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace sim;
using kline::Request;

namespace {

struct Sample {
    double ms;
    int rpm;
};

// Speed (rpm) of the 10-rpm variable.
int idleSpeed(SimLink& l) {
    return l.ask({0x61, 0x2C})[0] * 10;
}

// The cylinder balance as the actuator window runs it: hold the set speed,
// wait for it, freeze the idle-air valve, settle, then cut each injector
// in turn and average the speed. Answers the speed before the cuts and
// the average with each cylinder cut.
struct Balance {
    double frozenRpm = 0;
    std::array<double, 4> cutRpm{};
};
Balance runBalance(SimLink& l, int setSpeed) {
    Balance b;
    EXPECT_EQ(
        l.ask({0x62, 0x0A, 0x0F, 0x09, 0x00, 0x0A, 0x00, 0x0D, 0x0F, 0x0D, 0x00, 0x0D, 0x00})[0],
        0);
    const auto set = static_cast<std::uint8_t>(setSpeed / 10);
    EXPECT_EQ(l.ask({0x62, 0x0B, 0x40, 0x2E, set})[0], 0);
    int polls = 0;
    while (l.ask({0x61, 0x2C, 0x1A, 0x20})[0] != set && ++polls < 3000) {
    }
    EXPECT_LT(polls, 3000) << "the set speed is reached";
    EXPECT_EQ(l.ask({0x62, 0x0B, 0x60})[0], 0);
    double sum = 0;
    for (int n = 0; n <= 300; ++n)
        sum += l.ask({0x61, 0x2C, 0x1A, 0x20})[0] * 10;
    b.frozenRpm = sum / 301;
    for (int c = 0; c < 4; ++c) {
        const auto m = static_cast<std::uint8_t>(1 << c);
        EXPECT_EQ(l.ask({0x62, 0x0D, m, 0x0D, m})[0], 0);
        for (int j = 0; j <= 100; ++j)
            l.ask({0x61, 0x2C, 0x1A, 0x20});
        double cut = 0;
        for (int j = 0; j <= 200; ++j)
            cut += l.ask({0x61, 0x2C, 0x1A, 0x20})[0] * 10;
        b.cutRpm[static_cast<std::size_t>(c)] = cut / 201;
    }
    l.ask({0x62, 0x0D, 0x00, 0x0B, 0x00});
    return b;
}

} // namespace

// ============================================================ idle speed

TEST(SimEngine, IdleTargetMovesTheSpeedAndGoesBackOnRelease) {
    SimLink l;
    EXPECT_NEAR(idleSpeed(l), 850, 20);
    l.ask({0x62, 0x0B, 0x40, 0x2E, 120}); // 1200 rpm
    l.wait(6000);
    EXPECT_NEAR(idleSpeed(l), 1200, 20);
    EXPECT_EQ(l.ask({0x61, 0x2E})[0], 120);
    l.ask({0x62, 0x0B, 0x00});
    EXPECT_EQ(l.ask({0x61, 0x2E})[0], 85) << "the ECU's own target again";
    l.wait(8000);
    EXPECT_NEAR(idleSpeed(l), 850, 20);
}

TEST(SimEngine, AColdEngineIdlesFasterAndWarmsUp) {
    SimLink l({4, Fuelling::Injection4062, false});
    l.sim->ecu.engine().setCoolant(10);
    l.sim->ecu.engine().start();
    l.wait(6000);
    const std::vector<int> cold = l.ask({0x61, 0x1A, 0x2E, 0x2C});
    EXPECT_NEAR(cold[1], 115, 1) << "idle target at 10 degrees";
    EXPECT_NEAR(cold[2] * 10, 1150, 30);
    l.wait(120000);
    EXPECT_GT(l.ask({0x61, 0x1A})[0], cold[0] + 5) << "the coolant warms up";
}

// ============================================================ idle acceleration

TEST(SimEngine, IdleAccelerationRisesSteadilyWithFuelAllTheWay) {
    SimLink l;
    // The window's checks and settling polls.
    const std::vector<int> pre = l.ask({0x61, 0x06, 0x5C});
    ASSERT_TRUE(pre[0] & 0x04) << "injection engine";
    ASSERT_TRUE(pre[1] >= 1 && pre[1] <= 254) << pre[1];
    int idle = 0;
    for (int d = 0; d <= 25; ++d)
        idle = l.ask({0x61, 0x1A, 0x2C, 0x20})[1] * 10;
    EXPECT_NEAR(idle, 850, 20);
    // Coolant read as 39 degrees, the idle-air valve held wide open.
    ASSERT_EQ(l.ask({0x62, 0x0B, 0xA0, 0x1A, 0x4F, 0x5B, 0xFF})[0], 0);
    std::vector<Sample> run;
    for (int x = 0; x <= 26 * 29; x += 29) {
        l.wait(60);
        const std::vector<int> s = l.ask({0x61, 0x1A, 0x2C, 0x3F, 0x20});
        EXPECT_EQ(s[0], 0x4F) << "the coolant the ECU reads";
        EXPECT_GT(s[2] + 256 * s[3], 0) << "fuel injected at sample " << run.size();
        EXPECT_EQ(s[4], 0) << "throttle closed";
        run.push_back({l.sim->now(), s[1] * 10});
    }
    // Monotone: no sample lower than the one half a second before it.
    for (std::size_t i = 0; i < run.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (run[i].ms - run[j].ms >= 500 && run[i].ms - run[j].ms < 600) {
                EXPECT_GE(run[i].rpm, run[j].rpm - 40) << i << " against " << j;
            }
        }
    }
    // From idle up to a plateau.
    EXPECT_LT(run.front().rpm, 1300);
    EXPECT_GE(run.back().rpm, 2000);
    EXPECT_LE(run.back().rpm, 2400);
    EXPECT_NEAR(run.back().rpm, run[run.size() - 4].rpm, 40) << "a plateau at the end";
    EXPECT_LT(run[run.size() / 4].rpm, run.back().rpm - 300) << "a steady rise, not a jump";

    // Released: the ECU takes the valve and the coolant back; the engine
    // overruns on the way down with the fuel cut, then idles again.
    l.ask({0x62, 0x0B, 0x00});
    bool cut = false;
    for (int i = 0; i < 60; ++i) {
        l.wait(50);
        cut = cut || (l.ask({0x61, 0x08})[0] & 0x10);
    }
    EXPECT_TRUE(cut);
    l.wait(8000);
    EXPECT_NEAR(idleSpeed(l), 850, 25);
    EXPECT_NE(l.ask({0x61, 0x1A})[0], 0x4F);
}

// ============================================================ throttle, coast-down

TEST(SimEngine, ThrottleAccelerationReachesSixThousandOnAPlausibleCurve) {
    SimLink l;
    Engine& engine = l.sim->ecu.engine();
    engine.setThrottle(100);
    std::vector<Sample> trace;
    for (int i = 0; i < 30; ++i) {
        l.wait(60);
        trace.push_back({l.sim->now(), l.ask({0x61, 0x29})[0] * 40});
    }
    for (std::size_t i = 1; i < trace.size(); ++i)
        EXPECT_GE(trace[i].rpm, trace[i - 1].rpm - 40) << i;
    const auto reached =
        std::find_if(trace.begin(), trace.end(), [](const Sample& s) { return s.rpm >= 6000; });
    ASSERT_NE(reached, trace.end()) << "reaches 6000 rpm";
    const double seconds = (reached->ms - trace.front().ms) / 1000;
    EXPECT_GT(seconds, 0.5);
    EXPECT_LT(seconds, 1.5);
    EXPECT_LT(trace.back().rpm, 6520) << "within the plot's full scale";
    // Quick at first, slower near the top.
    EXPECT_GT(trace[3].rpm - trace[0].rpm, trace[13].rpm - trace[10].rpm);

    engine.setThrottle(40);
    l.wait(5000);
    const int part = l.ask({0x61, 0x29})[0] * 40;
    EXPECT_GT(part, 2500);
    EXPECT_LT(part, 3500);
}

TEST(SimEngine, CoastDownCutsTheFuelAndTakesItBackNearIdle) {
    SimLink l;
    Engine& engine = l.sim->ecu.engine();
    engine.setThrottle(70);
    while (l.ask({0x61, 0x29})[0] <= 87)
        l.wait(20); // above 3500 rpm
    engine.setThrottle(0);
    while (l.ask({0x61, 0x29})[0] > 87) {
    }
    // The coast-down plot: a sample every 180 ms.
    int cutSamples = 0;
    int fuelledAfterCut = 0;
    int previous = 10000;
    for (int x = 29; x <= 22 * 29; x += 29) {
        l.wait(180);
        const std::vector<int> s = l.ask({0x61, 0x29, 0x3F, 0x08});
        const bool noFuel = s[1] == 0 && s[2] == 0;
        EXPECT_EQ(noFuel, (s[3] & 0x10) != 0) << "the mode flag tells the cut, sample " << x / 29;
        if (noFuel) {
            ++cutSamples;
            EXPECT_EQ(fuelledAfterCut, 0) << "one cut, from the start";
            EXPECT_LT(s[0] * 40, previous) << "slowing down";
            EXPECT_GT(s[0] * 40, 1100);
        } else {
            ++fuelledAfterCut;
        }
        previous = s[0] * 40;
    }
    EXPECT_GE(cutSamples, 5);
    EXPECT_GE(fuelledAfterCut, 5);
    EXPECT_NEAR(previous, 850, 60) << "idling at the end";
}

// ============================================================ cylinder balance

TEST(SimEngine, OneCutInjectorAtAFrozenValveDropsAbout12Percent) {
    SimLink l;
    const Balance b = runBalance(l, 1000);
    EXPECT_GE(b.frozenRpm, 985) << "no undershoot once the valve is frozen";
    EXPECT_LE(b.frozenRpm, 1020);
    for (int c = 0; c < 4; ++c) {
        const double drop = b.frozenRpm - b.cutRpm[static_cast<std::size_t>(c)];
        EXPECT_GE(drop, 80) << "cylinder " << c + 1;
        EXPECT_LE(drop, 150) << "cylinder " << c + 1;
    }
    EXPECT_EQ(l.ask({0x61, 0x0B, 0x0D}), (std::vector<int>{0, 0})) << "all given back";
}

TEST(SimEngine, AWeakCylinderDropsLess) {
    SimLink l;
    l.sim->ecu.engine().setCylinderHealth(3, 0.5);
    const Balance b = runBalance(l, 1000);
    EXPECT_GE(b.frozenRpm, 985);
    const double weak = b.frozenRpm - b.cutRpm[2];
    for (int c : {0, 1, 3}) {
        const double drop = b.frozenRpm - b.cutRpm[static_cast<std::size_t>(c)];
        EXPECT_GE(drop, 80) << "cylinder " << c + 1;
        EXPECT_LE(drop, 155) << "cylinder " << c + 1;
        EXPECT_LT(weak, drop - 40) << "cylinder " << c + 1;
    }
    EXPECT_GT(weak, 20) << "it still works a little";
}

TEST(SimEngine, AllInjectorsCutStopTheEngine) {
    SimLink l;
    l.ask({0x62, 0x0D, 0x0F});
    l.wait(3000);
    EXPECT_EQ(l.ask({0x61, 0x29})[0], 0);
    EXPECT_FALSE(l.sim->ecu.engine().running());
}

// ============================================================ carburettor

TEST(SimEngine, CarburettorVacuumFollowsTheMixtureScrew) {
    SimLink l({1, Fuelling::Carburettor});
    Engine& engine = l.sim->ecu.engine();
    auto reading = [&](double screw) {
        engine.setMixtureScrew(screw);
        l.wait(4000);
        // The carburettor window's request: coolant, speed, vacuum, status.
        double vacuum = 0;
        double speed = 0;
        for (int i = 0; i < 20; ++i) {
            const std::vector<int> s = l.ask({0x61, 0x1A, 0x29, 0x23, 0x06});
            EXPECT_EQ(s[4] & 0x04, 0) << "carburettor";
            speed += s[1] * 40 / 20.0;
            vacuum += (s[2] + 256 * s[3]) / 20.0;
        }
        return std::make_pair(vacuum, speed);
    };
    const auto right = reading(50);
    const auto rich = reading(15);
    const auto lean = reading(85);
    EXPECT_NEAR(right.first, 300, 1.5) << "in the window's target band";
    EXPECT_LT(rich.first, 280);
    EXPECT_GT(lean.first, 320);
    EXPECT_GT(right.second, rich.second);
    EXPECT_GT(right.second, lean.second);
    EXPECT_EQ(l.ask({0x61, 0x3F}), (std::vector<int>{0, 0})) << "no injection";
    EXPECT_EQ(l.ask({0x61, 0x5C})[0], 0) << "no idle-air valve";
}
