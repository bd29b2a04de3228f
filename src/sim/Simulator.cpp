#include "Simulator.h"

namespace sim {

Simulator::Simulator(const SimOptions& options) : ecu(options.seed, options.fuelling) {
    if (options.engineRunning) {
        ecu.engine().start();
        // Let it settle at idle before anybody looks.
        ecu.engine().setCoolant(82);
        adapter.advance(3000);
        now_ = 3000;
    }
}

void Simulator::advance(double ms) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    now_ += ms;
    adapter.advance(now_);
}

void Simulator::startWallClock() {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (wallStarted_) return;
    wallStarted_ = true;
    wallBase_ = now_;
    wall_.start();
}

double Simulator::syncToWall() {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (wallStarted_) {
        setNow(wallBase_ + static_cast<double>(wall_.nsecsElapsed()) / 1e6);
        adapter.advance(now_);
    }
    return now_;
}

} // namespace sim
