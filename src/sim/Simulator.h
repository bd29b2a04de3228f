#pragma once
// A simulated car on the far side of the adapter: the ECU with its engine
// and the adapter's wire. Shared by the in-process port, the pseudo-terminal
// server and the control panel; the mutex guards it when they run in
// different threads.
#include "Adapter.h"
#include "Ecu.h"

#include <QElapsedTimer>
#include <algorithm>
#include <memory>
#include <mutex>

namespace sim {

struct SimOptions {
    std::uint32_t seed = 1;
    Fuelling fuelling = Fuelling::Injection4062;
    bool engineRunning = true;
};

class Simulator {
  public:
    explicit Simulator(const SimOptions& options = {});

    Ecu ecu;
    Adapter adapter{ecu};
    std::recursive_mutex mutex;

    // Runs the engine on for ms milliseconds of simulated time.
    void advance(double ms);
    double now() const { return now_; }
    void setNow(double t) { now_ = std::max(now_, t); }

    // From now on the simulated clock follows the wall clock (paced use).
    void startWallClock();
    bool wallClock() const { return wallStarted_; }
    // Brings the clock and the engine up to the wall clock; answers the time.
    double syncToWall();

  private:
    double now_ = 0;
    bool wallStarted_ = false;
    double wallBase_ = 0;
    QElapsedTimer wall_;
};

} // namespace sim
