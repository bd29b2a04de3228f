#include "Engine.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {
constexpr double kStepMs = 10;
constexpr double kCutInRpm = 1600;   // coasting above this with the throttle shut cuts the fuel
constexpr double kCutOutRpm = 1150;  // fuel back on below this
constexpr double kStallRpm = 300;

// Idle speed that a valve opening gives on a healthy warm engine.
double rpmForValve(double steps) { return 250 + 8 * steps; }
} // namespace

Engine::Engine(std::uint32_t seed, Fuelling fuelling) : rng_(seed), fuelling_(fuelling) {
    std::uniform_real_distribution<double> ambient(15, 25);
    coolant_ = ambient(rng_);
    airTemp_ = coolant_;
}

void Engine::start() {
    if (running_) return;
    running_ = true;
    cranking_ = true;
    crankMs_ = 0;
    rpm_ = std::max(rpm_, 200.0);
}

void Engine::stop() {
    running_ = false;
    cranking_ = false;
}

void Engine::setThrottle(double percent) { throttle_ = std::clamp(percent, 0.0, 100.0); }

void Engine::setCylinderHealth(int cylinder, double share) {
    if (cylinder >= 1 && cylinder <= 4) health_[cylinder - 1] = std::clamp(share, 0.0, 1.0);
}

bool Engine::idling() const { return running_ && throttle_ < 1.0 && !fuelCut_; }

double Engine::activeShare(int cutMask) const {
    double share = 0;
    for (int c = 0; c < 4; ++c)
        if (!(cutMask & (1 << c))) share += health_[c];
    return share / 4;
}

double Engine::airPerStrokeMg() const {
    if (rpm_ < 50) return 0;
    // Two intake strokes per revolution on a four-cylinder four-stroke engine.
    return airFlow_ / 3.6 * 1000.0 / (rpm_ / 30.0);
}

double Engine::fuelLph() const { return pulse_ * rpm_ / 3800.0; }

double Engine::lambdaVolts(int probe) const {
    if (!running_ || coolant_ < 40) return 0.45;
    if (fuelCut_) return 0.08;
    const double swing = std::sin(lambdaPhase_ + (probe == 2 ? 1.3 : 0));
    const double bias = (mixture_ - 1.0) * -4.0; // rich mixture reads high
    return std::clamp(0.45 + 0.38 * swing + bias, 0.05, 0.95);
}

void Engine::advance(double ms, const EngineInputs& in) {
    if (ms <= 0) return;
    pending_ += ms;
    while (pending_ >= kStepMs) {
        pending_ -= kStepMs;
        step(in);
    }
}

void Engine::step(const EngineInputs& in) {
    const double dt = kStepMs / 1000.0;
    time_ += kStepMs;
    std::normal_distribution<double> noise(0.0, 1.0);
    const double jitter = noise(rng_);

    // Warm-up: the coolant heats with the work done, the thermostat holds
    // about 88 degrees, a stopped engine cools slowly.
    if (running_) {
        const double heat = 0.08 + rpm_ / 6000.0 * 0.6;
        coolant_ += heat * dt * (coolant_ < 88 ? 1.0 : 0.15);
        if (coolant_ > 92) coolant_ -= 0.5 * dt;
    } else if (coolant_ > airTemp_) {
        coolant_ -= 0.02 * dt;
    }
    airTemp_ += ((running_ ? 30.0 : 20.0) - airTemp_) * 0.001 * dt;

    const bool throttleClosed = throttle_ < 1.0;
    double target = 0;
    if (!running_) {
        fuelCut_ = false;
        cranking_ = false;
    } else {
        if (cranking_) {
            crankMs_ += kStepMs;
            if (crankMs_ > 600) cranking_ = false;
        }
        // Coasting with the throttle shut above the cut-in speed cuts the
        // fuel until the speed falls near idle again.
        if (throttleClosed && rpm_ > kCutInRpm && fuelling_ != Fuelling::Carburettor) fuelCut_ = true;
        if (!throttleClosed || rpm_ < kCutOutRpm) fuelCut_ = false;

        if (throttleClosed) {
            // Idle regulator: moves the valve towards the target speed
            // unless the valve is held.
            if (in.valveHeld) {
                valve_ = std::clamp(in.heldValveSteps, 0.0, 255.0);
            } else if (!fuelCut_) {
                const double error = in.idleTargetRpm - rpm_;
                valve_ = std::clamp(valve_ + error * 0.002, 5.0, 250.0);
            }
            target = rpmForValve(valve_);
        } else {
            target = rpmForValve(valve_) + throttle_ * 55.0;
        }
        // A cut injector takes its cylinder's share of the work away; a
        // cold engine runs a little slower on the same valve.
        const double share = activeShare(fuelling_ == Fuelling::Carburettor ? 0 : in.injectorCutMask);
        target *= share * share * (coolant_ < 60 ? 0.95 : 1.0);
        if (share <= 0.0) target = 0;
    }

    if (!running_ || fuelCut_ || target <= 0) {
        // Mechanical losses: the engine slows by itself.
        rpm_ -= (250.0 + 0.4 * rpm_) * dt;
        if (running_ && !fuelCut_ && target <= 0 && rpm_ < kStallRpm) running_ = false;
    } else {
        const double tau = target > rpm_ ? 0.35 : 0.6;
        rpm_ += (target - rpm_) * (1.0 - std::exp(-dt / tau));
        rpm_ += jitter * 3.0;
        if (rpm_ < kStallRpm && !cranking_) {
            running_ = false;
        }
    }
    rpm_ = std::clamp(rpm_, 0.0, 6500.0);

    // Intake: air flow grows with speed and throttle; vacuum behind the
    // throttle is high when it is shut at speed.
    const double open = throttle_ / 100.0;
    airFlow_ = rpm_ * (0.0160 + 0.080 * open) * (1.0 + 0.004 * jitter);
    if (rpm_ < 50) airFlow_ = 0;
    vacuum_ = rpm_ < 50 ? 0 : std::clamp(700.0 * (1.0 - open) - 420.0 + rpm_ * 0.05 + (fuelCut_ ? 250.0 : 0), 5.0, 900.0);

    // Fuelling and mixture.
    mixture_ = in.mixtureHeld ? in.heldMixture : 1.0 + (coolant_ < 50 ? -0.06 : 0.0) + 0.004 * jitter;
    if (fuelling_ == Fuelling::Carburettor || !running_ || fuelCut_)
        pulse_ = 0;
    else
        pulse_ = std::max(0.8, 0.029 * airPerStrokeMg() / mixture_);

    // Ignition advance: more with speed, less with load.
    const double load = airPerStrokeMg() / 700.0;
    ignition_ = running_ ? 8.0 + rpm_ / 250.0 - 12.0 * load + in.ignitionOffsetDeg : 0;
    if (in.ignitionHeld) ignition_ = in.heldIgnitionDeg;
    ignition_ = std::clamp(ignition_, -20.0, 45.0);

    battery_ = running_ ? 14.0 + 0.05 * jitter : 12.4;
    lambdaPhase_ += dt * 2.0 * 3.14159 * 1.2;
    knock_ = std::clamp(0.15 + load * 0.3 + 0.05 * jitter, 0.0, 1.0);
    mismatch_ = running_ ? std::abs(jitter) * 2.0 + (in.injectorCutMask ? 6.0 : 0.0) : 0;
}

} // namespace sim
