#include "SimulatedPort.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace sim {

SimulatedPort::SimulatedPort(std::shared_ptr<Simulator> simulator, bool paced)
    : sim_(std::move(simulator)), paced_(paced) {}

bool SimulatedPort::gone() const {
    return sim_->adapter.fault() == LineFault::PortGone;
}

double SimulatedPort::clock() {
    return paced_ ? sim_->syncToWall() : sim_->now();
}

bool SimulatedPort::open(const QString&) {
    std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
    if (gone()) return false;
    open_ = true;
    if (paced_) sim_->startWallClock();
    return true;
}

void SimulatedPort::close() {
    open_ = false;
}

qint64 SimulatedPort::write(const QByteArray& bytes) {
    std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
    if (!open_ || gone()) return -1;
    sim_->adapter.fromPc(bytes, clock());
    return bytes.size();
}

QByteArray SimulatedPort::read(int maxBytes, int timeoutMs) {
    if (!open_ || maxBytes <= 0) return {};
    if (!paced_) {
        std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
        if (gone()) return {};
        double at = sim_->now();
        QByteArray got = sim_->adapter.takeScheduled(maxBytes, &at);
        if (got.isEmpty()) {
            // Nothing on its way: the read times out.
            sim_->advance(timeoutMs);
            return sim_->adapter.toPc(sim_->now(), maxBytes);
        }
        sim_->setNow(at);
        sim_->adapter.advance(sim_->now());
        return got;
    }

    const double deadline = clock() + timeoutMs;
    QByteArray got;
    for (;;) {
        double next;
        {
            std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
            if (gone()) return got;
            const double now = clock();
            got += sim_->adapter.toPc(now, maxBytes - static_cast<int>(got.size()));
            if (got.size() >= maxBytes || now >= deadline) return got;
            next = std::min(sim_->adapter.nextArrival(), deadline);
            next = std::max(next - now, 0.05);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(next * 1000)));
    }
}

void SimulatedPort::purgeInput() {
    std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
    sim_->adapter.purge(paced_ ? clock() : -1);
}

bool SimulatedPort::setDtr(bool) {
    return open_;
}
bool SimulatedPort::setRts(bool) {
    return open_;
}

kline::PortFactory simulatedPortFactory(std::shared_ptr<Simulator> simulator, bool paced) {
    return [simulator, paced](const QString&) {
        return std::make_unique<SimulatedPort>(simulator, paced);
    };
}

} // namespace sim
