#pragma once
// The exchange of the tool set against the simulator in the same process
// (instant time), as the windows' tests use it; `wait` stands for a
// window's pause between polls.
#include "TestContext.h"
#include "link/EcuLink.h"
#include "sim/SimulatedPort.h"

#include <gtest/gtest.h>

struct SimLink {
    explicit SimLink(const sim::SimOptions& options = {})
        : sim(std::make_shared<sim::Simulator>(options)) {
        ports.setDevice(1, QStringLiteral("sim"));
        EXPECT_EQ(ecu.OpenPort(1), 0);
    }
    // One exchange that must succeed; answers the reply elements.
    std::vector<int> ask(const kline::Request& request) {
        EXPECT_EQ(ecu.EcuExchange(request), kline::kOk);
        return ecu.EcuReply();
    }
    void wait(double ms) { sim->advance(ms); }

    std::shared_ptr<sim::Simulator> sim;
    TestContext t;
    kline::PortMap ports;
    kline::EcuLink ecu{t.ctx, ports, sim::simulatedPortFactory(sim, false)};
};
