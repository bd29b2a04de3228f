// kline-sim's commands, each judged by what the tool set then sees on the
// wire (in-process; the pseudo-terminal tests run a few of them for real).
#include "SimLink.h"
#include "common/Time.h"
#include "link/Commands.h"
#include "sim/Console.h"

#include <gtest/gtest.h>

using namespace sim;
using kline::Request;

namespace {

struct ConsoleRig : SimLink {
    ConsoleRig()
        : console(sim, {[this](LineFault f) { faults.push_back(f); }, [this] { ++quits; }}) {}
    // A command that must be taken.
    void run(const QString& line) {
        EXPECT_EQ(console.execute(line), QStringLiteral("ok ") + line);
    }

    Console console;
    std::vector<LineFault> faults;
    int quits = 0;
};

} // namespace

TEST(SimConsole, EngineCommands) {
    ConsoleRig r;
    r.run(QStringLiteral("throttle 50"));
    EXPECT_EQ(r.ask({0x61, 0x20})[0], 50);
    r.run(QStringLiteral("throttle 0"));
    r.run(QStringLiteral("stop"));
    r.wait(3000);
    EXPECT_EQ(r.ask({0x61, 0x29})[0], 0);
    r.run(QStringLiteral("start"));
    r.wait(3000);
    EXPECT_NEAR(r.ask({0x61, 0x2C})[0] * 10, 850, 40);

    r.run(QStringLiteral("coolant 20"));
    r.run(QStringLiteral("air -10"));
    EXPECT_EQ(r.ask({0x61, 0x1A, 0x1C}), (std::vector<int>{60, 30}));

    r.run(QStringLiteral("weak-cylinder 2 0.3"));
    EXPECT_DOUBLE_EQ(r.sim->ecu.engine().cylinderHealth(2), 0.3);
    r.run(QStringLiteral("weak-cylinder 4"));
    EXPECT_DOUBLE_EQ(r.sim->ecu.engine().cylinderHealth(4), 0.5) << "half by default";
    r.run(QStringLiteral("weak-cylinder 0"));
    for (int c = 1; c <= 4; ++c)
        EXPECT_DOUBLE_EQ(r.sim->ecu.engine().cylinderHealth(c), 1.0);

    r.run(QStringLiteral("engine carb"));
    EXPECT_EQ(r.ask({0x61, 0x06})[0] & 0x04, 0);
    r.run(QStringLiteral("mixture-screw 80"));
    r.wait(3000);
    EXPECT_GT(kline::cmd::word(r.ask({0x61, 0x23}), 0), 315) << "lean: high vacuum";
    r.run(QStringLiteral("engine 4063"));
    r.ask({kline::cmd::kEngineText});
    EXPECT_EQ(kline::cmd::engineVariantFor(r.ecu.ReplyAsText()), 63);
}

TEST(SimConsole, FaultsComeAndGo) {
    ConsoleRig r;
    r.run(QStringLiteral("clear-faults"));
    EXPECT_EQ(r.ask({2}), (std::vector<int>{0}));
    r.run(QStringLiteral("add-fault 13 now"));
    r.run(QStringLiteral("add-fault 0x2A"));
    EXPECT_EQ(r.ask({2}), (std::vector<int>{2, 13, 0x80, 42, 0}));
    r.run(QStringLiteral("end-fault 13"));
    EXPECT_EQ(r.ask({2}), (std::vector<int>{2, 13, 0, 42, 0}));
    EXPECT_EQ(r.console.execute(QStringLiteral("end-fault 13")), QStringLiteral("? end-fault 13"))
        << "no present fault 13 any more";
}

TEST(SimConsole, ErrorPathsShowOnTheWire) {
    ConsoleRig r;
    r.run(QStringLiteral("refuse 7"));
    EXPECT_EQ(r.ask({0x62, 0x0B, 0x40, 0x2E, 100}), (std::vector<int>{7}));
    EXPECT_EQ(r.ask(kline::cmd::restart()), (std::vector<int>{7}));
    r.run(QStringLiteral("accept"));
    r.run(QStringLiteral("refuse 3 46"));
    EXPECT_EQ(r.ask({0x62, 0x0B, 0x40, 0x2E, 100}), (std::vector<int>{3}));
    EXPECT_EQ(r.ask({0x62, 0x0E, 0x00}), (std::vector<int>{0}));
    r.run(QStringLiteral("accept"));

    r.run(QStringLiteral("silence 81"));
    EXPECT_EQ(r.ecu.EcuExchange({81}), kline::kEcuSilent);
    EXPECT_EQ(r.ecu.EcuExchange({1}), kline::kOk) << "the connection check still answers";
    r.run(QStringLiteral("silence 37"));
    EXPECT_EQ(r.ecu.EcuExchange(kline::cmd::readMemory(0x9D1B)), kline::kEcuSilent);
    r.run(QStringLiteral("unsilence 81"));
    EXPECT_EQ(r.ecu.EcuExchange({81}), kline::kOk);
    r.run(QStringLiteral("unsilence all"));
    EXPECT_EQ(r.ecu.EcuExchange(kline::cmd::readMemory(0x9D1B)), kline::kOk);

    r.run(QStringLiteral("set 92 255"));
    r.run(QStringLiteral("set 63 0x1234"));
    EXPECT_EQ(r.ask({0x61, 0x5C, 0x3F}), (std::vector<int>{255, 0x34, 0x12}));
    EXPECT_EQ(r.console.execute(QStringLiteral("get 92")), QStringLiteral("92 = 255"));
    r.run(QStringLiteral("unset 92"));
    EXPECT_NEAR(r.ask({0x61, 0x5C})[0], 75, 5);
    r.run(QStringLiteral("unset all"));
    EXPECT_NE(r.ask({0x61, 0x3F}), (std::vector<int>{0x34, 0x12}));

    r.run(QStringLiteral("set-text 117 АБ 12"));
    r.ask({0x61, 117});
    EXPECT_EQ(r.ecu.ReplyAsText(), QStringLiteral("АБ 12"));
    EXPECT_EQ(r.console.execute(QStringLiteral("get 117")), QStringLiteral("117 = АБ 12"));
    r.run(QStringLiteral("set-table 74 200"));
    EXPECT_EQ(r.ask({0x61, 0x4A}), std::vector<int>(256, 200));
    const QByteArray before = r.sim->ecu.table(75);
    r.run(QStringLiteral("set-table 75 1 2 3"));
    const std::vector<int> table = r.ask({0x61, 0x4B});
    EXPECT_EQ(std::vector<int>(table.begin(), table.begin() + 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(table[3], static_cast<std::uint8_t>(before[3])) << "the rest stays";

    r.run(QStringLiteral("reset"));
    EXPECT_EQ(r.ask({0x61, 0x4A}).size(), 256u);
    EXPECT_NE(r.ask({0x61, 0x4A}), std::vector<int>(256, 200));
    r.ask({0x61, 117});
    EXPECT_EQ(r.ecu.ReplyAsText(), QStringLiteral("0512345"));
}

TEST(SimConsole, LineFaultsQuitAndMistakes) {
    ConsoleRig r;
    common::setPauseHook([](int) {});
    r.run(QStringLiteral("fault bad-checksum"));
    EXPECT_EQ(r.ecu.EcuExchange({1}), kline::kBadChecksum);
    r.run(QStringLiteral("fault none"));
    EXPECT_EQ(r.ecu.EcuExchange({1}), kline::kOk);
    EXPECT_EQ(r.faults, (std::vector<LineFault>{LineFault::BadChecksum, LineFault::None}));
    common::setPauseHook(nullptr);

    r.run(QStringLiteral("quit"));
    EXPECT_EQ(r.quits, 1);
    EXPECT_TRUE(
        r.console.execute(QStringLiteral("stats")).startsWith(QStringLiteral("requests 2 time ")));
    const QString help = r.console.execute(QStringLiteral("help"));
    for (const char* word : {"start", "throttle", "weak-cylinder", "mixture-screw", "add-fault",
                             "end-fault", "refuse", "accept", "silence", "unsilence", "set-text",
                             "set-table", "get", "reset", "coolant", "air"})
        EXPECT_TRUE(help.contains(QLatin1String(word))) << word;

    EXPECT_EQ(r.console.execute(QStringLiteral("   ")), QString());
    for (const char* wrong :
         {"fly", "throttle", "throttle 120", "fault sideways", "refuse 0", "set 117 1", "set 300 1",
          "set-text 99 x", "set-table 73 256", "weak-cylinder 5", "add-fault 13 later", "start now",
          "coolant hot", "engine v8"})
        EXPECT_EQ(r.console.execute(QLatin1String(wrong)),
                  QStringLiteral("? ") + QLatin1String(wrong));
    EXPECT_EQ(r.faults.size(), 2u) << "a refused command does nothing";
}
