// The simulated ECU in-process: command register, overrides, restart,
// faults, image, stream, and the engine behind it.
#include "link/Commands.h"
#include "link/FrameCodec.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

using namespace sim;
using kline::Request;

namespace {

Request ask(Ecu& ecu, const Request& r) {
    const auto reply = ecu.handle(r);
    EXPECT_TRUE(reply.has_value());
    return reply.value_or(Request{});
}

} // namespace

// ============================================================ command register

TEST(SimEcu, FaultResetNeedsEightThenZero) {
    Ecu ecu;
    ecu.addFault(13, false);
    ecu.addFault(53, true);
    ecu.addFault(13, false); // again: repeated
    Request faults = ask(ecu, {2});
    EXPECT_EQ(faults, (Request{3, 35, 0x20, 13, 0x20, 53, 0x80}));
    EXPECT_EQ(ask(ecu, {98, 14, 8}), Request{0});
    EXPECT_EQ(ecu.faults().size(), 3u) << "8 alone clears nothing";
    EXPECT_EQ(ask(ecu, {98, 14, 0}), Request{0});
    // A fault present now comes straight back, as a new one.
    EXPECT_EQ(ask(ecu, {2}), (Request{1, 53, 0x80}));
    ecu.faults().clear();
    EXPECT_EQ(ask(ecu, {2}), Request{0});
}

TEST(SimEcu, AdaptationTableResets) {
    Ecu ecu;
    for (int t = 0; t < 4; ++t) {
        const int variable = 73 + t;
        ecu.setTable(variable, QByteArray(256, 90));
        ask(ecu, {98, 14, static_cast<std::uint8_t>(0x10 << t)});
        EXPECT_EQ(ecu.table(variable), QByteArray(256, 90));
        ask(ecu, {98, 14, 0});
        EXPECT_EQ(ecu.table(variable), QByteArray(256, char(128))) << variable;
    }
    // A table reads back as 256 bytes.
    EXPECT_EQ(ask(ecu, {97, 74}).size(), 256u);
}

TEST(SimEcu, PassportFieldsAndClosingWrites) {
    Ecu ecu;
    Request write{98, 14, 1, 117, 'A', 'B'};
    write.resize(4 + 16, 0);
    EXPECT_EQ(ask(ecu, write), Request{0});
    EXPECT_EQ(ask(ecu, {98, 14, 1, 115, 0xFF}), Request{0});
    EXPECT_EQ(ask(ecu, {98, 14, 1, 120, 0xFF}), Request{0});
    Request field = ask(ecu, {97, 117});
    ASSERT_EQ(field.size(), 16u);
    EXPECT_EQ(field[0], 'A');
    EXPECT_EQ(field[2], 0);
    // Stored: a restart keeps it.
    ask(ecu, {65, 0, 0});
    ecu.advance(Ecu::kRestartMs + 10);
    EXPECT_EQ(ask(ecu, {97, 117})[1], 'B');
}

TEST(SimEcu, SaveToNonVolatileMemorySurvivesRestart) {
    Ecu ecu;
    // Ignition offset held at 14 (minus 7 degrees), CO offset at 5.
    ask(ecu, {98, 11, 0x08, 40, 14});
    ask(ecu, {98, 12, 0x08, 65, 5});
    EXPECT_EQ(ask(ecu, {97, 11, 12, 40, 65}), (Request{0x08, 0x08, 14, 5}));
    ask(ecu, {98, 14, 1, 124, 3}); // save the ignition offset only
    EXPECT_EQ(ecu.storedAdjustment(40), 14);
    EXPECT_EQ(ecu.storedAdjustment(65), 0);
    ask(ecu, {65, 0, 0});
    EXPECT_FALSE(ecu.handle({1}).has_value()) << "silent while restarting";
    ecu.advance(Ecu::kRestartMs + 10);
    EXPECT_EQ(ask(ecu, {97, 11, 12, 40, 65}), (Request{0, 0, 14, 0}));
    EXPECT_EQ(ecu.restarts(), 1);
}

TEST(SimEcu, SwitchesAndResetOfWorkingVariables) {
    Ecu ecu;
    EXPECT_EQ(ask(ecu, {98, 14, 6, 14, 6}), Request{0});
    EXPECT_EQ(ask(ecu, {97, 14}), Request{6});
    ecu.advance(100);
    const int flags = ask(ecu, {97, 8})[0];
    EXPECT_EQ(flags & 0x40, 0) << "lambda regulation off";
    EXPECT_EQ(ask(ecu, kline::cmd::resetWorkingVariables()), Request{0});
    EXPECT_EQ(ask(ecu, {97, 9, 10, 11, 12, 13, 14, 15}).size(), 7u);
    EXPECT_EQ(ask(ecu, {97, 10, 11, 12, 13, 14, 15}), (Request{0, 0, 0, 0, 0, 0}));
}

TEST(SimEcu, RefusedWritesAnswerTheirStatus) {
    Ecu ecu;
    ecu.refuseWrites(46, 7);
    EXPECT_EQ(ask(ecu, {98, 11, 0x40, 46, 100}), Request{7});
    EXPECT_EQ(ask(ecu, {97, 11}), Request{0}) << "a refused request changes nothing";
    ecu.acceptWrites();
    ecu.refuseAllWrites(3);
    EXPECT_EQ(ask(ecu, {98, 14, 8}), Request{3});
    ecu.acceptWrites();
    EXPECT_EQ(ask(ecu, {98, 11}), Request{2}) << "a variable without a value";
}

// ============================================================ overrides

TEST(SimEcu, OverriddenCoolantChangesWhatTheEcuSees) {
    Simulator s;
    Ecu& ecu = s.ecu;
    const int warmTarget = ask(ecu, {97, 46})[0];
    EXPECT_EQ(warmTarget, 85);
    ask(ecu, {98, 11, 0x80, 26, 40}); // hold 0 degrees
    EXPECT_EQ(ask(ecu, {97, 26})[0], 40);
    EXPECT_EQ(ask(ecu, {97, 46})[0], 120) << "a cold engine idles faster";
    s.advance(8000);
    EXPECT_GT(ecu.engine().rpm(), 1050);
    ask(ecu, {98, 11, 0x00}); // released
    EXPECT_GT(ask(ecu, {97, 26})[0], 100);
    s.advance(8000);
    EXPECT_LT(ecu.engine().rpm(), 950);
}

TEST(SimEcu, IdleTargetAndFrozenValve) {
    Simulator s;
    Ecu& ecu = s.ecu;
    ask(ecu, {98, 11, 0x40, 46, 130}); // 1300 rpm
    s.advance(10000);
    EXPECT_NEAR(ecu.engine().rpm(), 1300, 60);
    // Freeze the valve, then cut an injector: nothing makes up for it.
    ask(ecu, {98, 11, 0x60});
    const int held = ask(ecu, {97, 92})[0];
    ask(ecu, {98, 13, 0x04, 13, 0x04});
    s.advance(3000);
    EXPECT_EQ(ask(ecu, {97, 92})[0], held);
    EXPECT_LT(ecu.engine().rpm(), 1300 * 0.92) << "a cut injector lowers the speed";
    EXPECT_GT(ecu.engine().rpm(), 1300 * 0.85);
    EXPECT_EQ(ask(ecu, {97, 83})[0], 1) << "cylinder 3 marker";
    ask(ecu, {98, 13, 0, 11, 0});
    s.advance(10000);
    EXPECT_NEAR(ecu.engine().rpm(), 850, 60);
}

TEST(SimEcu, RestartDropsOverrides) {
    Simulator s;
    ask(s.ecu, {98, 11, 0xC0, 26, 60, 46, 110});
    ask(s.ecu, {98, 10, 0x0F, 9, 0x02, 13, 1});
    ask(s.ecu, {65, 0, 0});
    s.advance(Ecu::kRestartMs + 20);
    EXPECT_EQ(ask(s.ecu, {97, 11, 12, 10, 13}), (Request{0, 0, 0, 0}));
    EXPECT_EQ(ask(s.ecu, {97, 46})[0], 85);
}

TEST(SimEcu, OutputsUnderTheTestersControl) {
    Simulator s; // ZMZ-4062: pump bit 0, lamp bit 3
    EXPECT_EQ(ask(s.ecu, {97, 9})[0] & 0x01, 0x01);
    s.ecu.addFault(21, true);
    EXPECT_EQ(ask(s.ecu, {97, 9})[0] & 0x08, 0x08) << "fault lamp";
    ask(s.ecu, {98, 10, 0x0F, 9, 0x03}); // pump and fan on, lamp off
    EXPECT_EQ(ask(s.ecu, {97, 9})[0], 0x03);
    ask(s.ecu, {98, 10, 0x0F, 9, 0x00}); // pump off: the engine stops
    s.advance(3000);
    EXPECT_FALSE(s.ecu.engine().running());
}

// ============================================================ the engine

TEST(SimEngine, CoastDownCutsTheFuel) {
    Simulator s;
    Engine& e = s.ecu.engine();
    e.setThrottle(70);
    s.advance(4000);
    ASSERT_GT(e.rpm(), 3000);
    EXPECT_GT(kline::cmd::word({ask(s.ecu, {97, 63})[0], ask(s.ecu, {97, 63})[1]}, 0), 0);
    e.setThrottle(0);
    s.advance(300);
    const Request coast = ask(s.ecu, {97, 41, 63, 8});
    EXPECT_GT(coast[0] * 40, 1600);
    EXPECT_EQ(coast[1] + 256 * coast[2], 0) << "no fuel while coasting";
    EXPECT_TRUE(coast[3] & 0x10) << "fuel cut flag";
    s.advance(8000);
    EXPECT_LT(e.rpm(), 1000);
    EXPECT_GT(kline::cmd::word({ask(s.ecu, {97, 63})[0], ask(s.ecu, {97, 63})[1]}, 0), 0)
        << "fuel back at idle";
}

TEST(SimEngine, SameSeedSameTrace) {
    auto trace = [](std::uint32_t seed) {
        Simulator s({seed});
        std::vector<int> out;
        for (int i = 0; i < 60; ++i) {
            s.ecu.engine().setThrottle(i < 30 ? i * 2.0 : 0.0);
            s.advance(100);
            const Request page = ask(s.ecu, kline::cmd::livePage(i % 4, true));
            out.insert(out.end(), page.begin(), page.end());
        }
        return out;
    };
    EXPECT_EQ(trace(5), trace(5));
    EXPECT_NE(trace(5), trace(6));
}

TEST(SimEngine, CarburettorVariantAndWarmUp) {
    Simulator carb({1, Fuelling::Carburettor});
    EXPECT_EQ(ask(carb.ecu, {97, 6})[0] & 0x04, 0);
    EXPECT_EQ(ask(carb.ecu, {97, 63}), (Request{0, 0}));
    Simulator cold({3, Fuelling::Injection4063, false});
    const double start = cold.ecu.engine().coolant();
    cold.ecu.engine().start();
    cold.advance(60000);
    EXPECT_GT(cold.ecu.engine().coolant(), start + 5);
    EXPECT_EQ(ask(cold.ecu, {97, 6})[0] & 0x04, 0x04);
    // The engine text decides the variant: "63" in it.
    const Request text = ask(cold.ecu, {88});
    EXPECT_NE(QByteArray(reinterpret_cast<const char*>(text.data()), static_cast<int>(text.size()))
                  .indexOf("4063"),
              -1);
}

TEST(SimEngine, LivePagesHaveTheirLengthsAndMove) {
    Simulator s;
    for (int page = 0; page < 4; ++page)
        EXPECT_EQ(static_cast<int>(s.ecu.handle(kline::cmd::livePage(page, false))->size()),
                  kline::cmd::livePageLength(page));
    const Request idle = *s.ecu.handle(kline::cmd::livePage(1, false));
    s.ecu.engine().setThrottle(40);
    s.advance(3000);
    const Request load = *s.ecu.handle(kline::cmd::livePage(1, false));
    EXPECT_GT(load[8], idle[8]) << "throttle";
    EXPECT_GT(load[13] + 256 * load[14], idle[13] + 256 * idle[14]) << "air flow";
    EXPECT_GT(load[11] + 256 * load[12], idle[11] + 256 * idle[12]) << "pulse width";
}

// ============================================================ image, texts

TEST(SimEcu, MemoryImageAndIdentification) {
    Ecu ecu;
    const QByteArray image = Ecu::defaultImage(1);
    const Request block = ask(ecu, kline::cmd::readMemory(0x9D1B));
    ASSERT_EQ(block.size(), 259u);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(block[3 + i], static_cast<std::uint8_t>(image[0x9D1B + i]));
    // The tables' cells are plausible advances (half degrees).
    for (int i = 0; i < 1024; ++i) {
        const int v = static_cast<std::uint8_t>(image[0x98F9 + i]);
        EXPECT_TRUE(v >= 0 && v <= 90) << i;
    }
    EXPECT_FALSE(ecu.setImage(QByteArray(100, 0)));
    EXPECT_TRUE(ecu.setImage(QByteArray(65536, 7)));
    EXPECT_EQ(ask(ecu, kline::cmd::readMemory(0xFFFF))[4], 7) << "wraps at the end of memory";
    for (std::uint8_t c = 82; c <= 88; ++c)
        EXPECT_FALSE(ask(ecu, {c}).empty()) << int(c);
    EXPECT_FALSE(ecu.handle({200}).has_value()) << "an unknown command gets no answer";
}

// ============================================================ adjustment channels

TEST(SimEcu, EveryAdjustmentChannelIsHeldUnderItsMaskBit) {
    // The adjustment windows' channels: the variable read, the variable
    // written, the mask variable and its bit, and a value to apply.
    const struct {
        const char* channel;
        std::uint8_t read, write, mask, bit, value;
    } rows[] = {
        {"coolant", 26, 26, 11, 0x80, 60},           {"idle speed", 46, 46, 11, 0x40, 110},
        {"ignition offset", 40, 40, 11, 0x08, 0xEC}, {"ignition test", 38, 38, 11, 0x04, 90},
        {"idle-air valve", 92, 91, 11, 0x20, 140},   {"mixture", 57, 57, 11, 0x01, 200},
        {"injection angle", 24, 24, 11, 0x02, 0x10}, {"fuel 1", 69, 69, 11, 0x10, 150},
        {"fuel 2", 70, 70, 12, 0x80, 100},           {"air temperature", 28, 28, 12, 0x01, 90},
        {"CO offset", 65, 65, 12, 0x08, 0xC0},       {"CO coefficient", 66, 66, 12, 0x10, 20},
    };
    for (const auto& row : rows) {
        Simulator s;
        const int own = ask(s.ecu, {97, row.read})[0];
        ASSERT_GT(std::abs(own - row.value), 5) << row.channel;
        EXPECT_EQ(ask(s.ecu, {98, row.mask, row.bit, row.write, row.value}), Request{0})
            << row.channel;
        s.advance(2000); // the valve's motor takes its time
        EXPECT_EQ(ask(s.ecu, {97, row.read})[0], row.value) << row.channel;
        EXPECT_EQ(ask(s.ecu, {97, row.mask})[0], row.bit) << row.channel;
        // Another channel of the same mask comes and goes without touching it.
        const auto other = static_cast<std::uint8_t>(row.bit == 0x80 ? 0x40 : 0x80);
        ask(s.ecu, {98, row.mask, static_cast<std::uint8_t>(row.bit | other)});
        ask(s.ecu, {98, row.mask, row.bit});
        EXPECT_EQ(ask(s.ecu, {97, row.read})[0], row.value) << row.channel;
        // Cleared: the ECU goes by its own value again.
        EXPECT_EQ(ask(s.ecu, {98, row.mask, 0}), Request{0});
        s.advance(3000);
        EXPECT_NEAR(ask(s.ecu, {97, row.read})[0], own, 3) << row.channel;
    }
}

TEST(SimEcu, AppliedSetPointsReachTheEngine) {
    Simulator s;
    // Coolant read as 39 degrees: the live page shows it, the idle target
    // rises, the mixture is enriched.
    const int pulse = kline::cmd::word({ask(s.ecu, {97, 63})[0], ask(s.ecu, {97, 63})[1]}, 0);
    ask(s.ecu, {98, 11, 0x80, 26, 79});
    s.advance(3000);
    const Request page = ask(s.ecu, kline::cmd::livePage(0, false));
    EXPECT_EQ(page[6], 79) << "coolant on the first page, after the flags and markers";
    EXPECT_GT(ask(s.ecu, {97, 46})[0], 85);
    EXPECT_GT(kline::cmd::word({ask(s.ecu, {97, 63})[0], ask(s.ecu, {97, 63})[1]}, 0), pulse);
    // The ignition test value is the advance the engine runs on.
    ask(s.ecu, {98, 11, 0x84, 38, 40});
    s.advance(100);
    EXPECT_DOUBLE_EQ(s.ecu.engine().ignitionDeg(), 20.0);
    // A richer fuel correction lengthens the pulse.
    const int before = kline::cmd::word({ask(s.ecu, {97, 63})[0], ask(s.ecu, {97, 63})[1]}, 0);
    ask(s.ecu, {98, 11, 0x94, 69, 192});
    s.advance(100);
    EXPECT_GT(kline::cmd::word({ask(s.ecu, {97, 63})[0], ask(s.ecu, {97, 63})[1]}, 0),
              before * 1.1);
}

// ============================================================ staging

TEST(SimEcu, SetVariablePinsWhatTheEngineGivesAndSetsWhatTheEcuKeeps) {
    Simulator s;
    s.ecu.setVariable(92, 255); // a valve at the end of its travel
    s.ecu.setVariable(63, 1000);
    EXPECT_EQ(ask(s.ecu, {97, 92, 63, 44}).size(), 4u);
    EXPECT_EQ(ask(s.ecu, {97, 92, 63}), (Request{255, 0xE8, 0x03}));
    s.advance(2000);
    EXPECT_NEAR(s.ecu.engine().rpm(), 850, 30) << "the engine goes on as before";
    s.ecu.releaseVariable(92);
    EXPECT_NEAR(ask(s.ecu, {97, 92})[0], 75, 5);
    s.ecu.releaseAllVariables();
    EXPECT_GT(ask(s.ecu, {97, 63})[0] + 256 * ask(s.ecu, {97, 63})[1], 0);
    EXPECT_NE(ask(s.ecu, {97, 63}), (Request{0xE8, 0x03}));
    // Kept values: configuration, stored adjustments, the tester's outputs.
    s.ecu.setVariable(6, 0);
    s.ecu.setVariable(40, 0xF0);
    EXPECT_EQ(ask(s.ecu, {97, 6, 40}), (Request{0, 0xF0}));
    EXPECT_EQ(s.ecu.storedAdjustment(40), 0xF0);
    EXPECT_FALSE(s.ecu.pinned(6));
    ask(s.ecu, {98, 6, 4});
    EXPECT_EQ(ask(s.ecu, {97, 6}), Request{4}) << "written as any kept variable";
}

TEST(SimEcu, SilencedCommandsAndRefusedRestart) {
    Ecu ecu;
    ecu.silence(81);
    ecu.silence(37);
    EXPECT_TRUE(ecu.handle({1}).has_value());
    EXPECT_FALSE(ecu.handle({81}).has_value());
    EXPECT_FALSE(ecu.handle(kline::cmd::readMemory(0x9D1B)).has_value());
    ecu.unsilence(81);
    EXPECT_TRUE(ecu.handle({81}).has_value());
    ecu.unsilenceAll();
    EXPECT_TRUE(ecu.handle(kline::cmd::readMemory(0x9D1B)).has_value());

    ecu.refuseAllWrites(5);
    EXPECT_EQ(ask(ecu, {65, 0, 0}), Request{5});
    EXPECT_TRUE(ecu.handle({1}).has_value()) << "no restart";
    EXPECT_EQ(ecu.restarts(), 0);
    ecu.refuseWrites(14, 9);
    ecu.refuseAllWrites(0);
    EXPECT_EQ(ask(ecu, {65, 0, 0}), Request{0}) << "a refusal of one variable leaves the restart";
}

TEST(SimEcu, FaultsComeAndGoAndResetBringsBackANewEcu) {
    Simulator s;
    s.ecu.addFault(21, true);
    EXPECT_EQ(ask(s.ecu, {2}), (Request{2, 35, 0x20, 21, 0x80}));
    EXPECT_TRUE(ask(s.ecu, {97, 9})[0] & s.ecu.lampBit());
    EXPECT_TRUE(s.ecu.endFault(21));
    EXPECT_FALSE(s.ecu.endFault(21)) << "no longer present";
    EXPECT_EQ(ask(s.ecu, {2}), (Request{2, 35, 0x20, 21, 0x00}));
    EXPECT_FALSE(ask(s.ecu, {97, 9})[0] & s.ecu.lampBit());
    ask(s.ecu, {98, 14, 8});
    ask(s.ecu, {98, 14, 0});
    EXPECT_EQ(ask(s.ecu, {2}), Request{0}) << "the reset empties the memory";

    // Staged and changed state, then a reset of the ECU.
    s.ecu.silence(1);
    s.ecu.refuseAllWrites(3);
    s.ecu.setVariable(44, 0);
    s.ecu.setText(117, QStringLiteral("999"));
    s.ecu.setTable(73, QByteArray(256, 1));
    s.ecu.resetState();
    EXPECT_TRUE(s.ecu.handle({1}).has_value());
    EXPECT_EQ(ask(s.ecu, {98, 11, 0x40, 46, 100}), Request{0});
    EXPECT_EQ(s.ecu.text(117), QStringLiteral("0512345"));
    EXPECT_EQ(ask(s.ecu, {2}), (Request{1, 35, 0x20}));
    EXPECT_NE(s.ecu.table(73), QByteArray(256, 1));
    EXPECT_GT(ask(s.ecu, {97, 44})[0], 50);
    EXPECT_TRUE(s.ecu.engine().running()) << "the engine is not the ECU's";
}

TEST(SimEcu, PassportTextsKeepTheirZeroPaddingAndReadClean) {
    Ecu ecu;
    Request write{98, 14, 1, 122};
    write.resize(write.size() + 16, 0);
    EXPECT_EQ(ask(ecu, write), Request{0}) << "an empty field";
    EXPECT_EQ(ask(ecu, {97, 122}), Request(16, 0));
    EXPECT_EQ(ecu.text(122), QString());
    ecu.setText(121, QStringLiteral("Двигатель"));
    EXPECT_EQ(ecu.textBytes(121).size(), 16);
    EXPECT_TRUE(ecu.textBytes(121).endsWith("       ")) << "the ECU's own texts end in spaces";
    EXPECT_EQ(ecu.text(121), QStringLiteral("Двигатель"));
}
