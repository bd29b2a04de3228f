#include "Engine.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {
constexpr double kStepMs = 10;
// Overrun: with the throttle closed the fuel is cut while the speed is
// above both the cut-in speed and what the air let in can hold (plus a
// margin); it comes back below the cut-out speed or near that hold speed.
constexpr double kCutInRpm = 1600;
constexpr double kCutOutRpm = 1150;
constexpr double kOverrunMarginRpm = 300;
constexpr double kResumeMarginRpm = 150;
constexpr double kStallRpm = 300;
// The idle regulator: the valve goes to the opening that gives the target
// on a healthy warm engine, plus a slowly learnt correction (steps per rpm
// of error and second). Slow enough that the speed settles on the target
// from one side without swinging past it.
constexpr double kRegulatorGain = 0.05;
constexpr double kRegulatorWindowRpm = 100;
constexpr double kRegulatorMinSteps = 5;
constexpr double kRegulatorMaxSteps = 250;
// Speed the throttle adds at full opening.
constexpr double kThrottleRpmPerPercent = 55;
// The carburettor's throttle stop passes the air of this valve opening.
constexpr double kCarburettorIdleAirSteps = 75;

// How much of the speed the firing cylinders can hold: the work falls with
// the share of cylinders that fire, the speed less steeply than the work.
double powerFactor(double share) {
    return share <= 0 ? 0 : std::pow(share, 0.45);
}
} // namespace

Engine::Engine(std::uint32_t seed, Fuelling fuelling) : rng_(seed), fuelling_(fuelling) {
    std::uniform_real_distribution<double> ambient(15, 25);
    coolant_ = ambient(rng_);
    airTemp_ = coolant_;
    if (fuelling_ == Fuelling::Carburettor) valve_ = 0;
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

void Engine::setFuelling(Fuelling f) {
    // An idle-air valve fitted to a running engine starts where it idles.
    if (fuelling_ == Fuelling::Carburettor && f != Fuelling::Carburettor) valve_ = valveForRpm(850);
    if (f == Fuelling::Carburettor) valve_ = 0;
    fuelling_ = f;
}

void Engine::setThrottle(double percent) {
    throttle_ = std::clamp(percent, 0.0, 100.0);
}

void Engine::setMixtureScrew(double percent) {
    screw_ = std::clamp(percent, 0.0, 100.0);
}

void Engine::setCylinderHealth(int cylinder, double share) {
    if (cylinder >= 1 && cylinder <= 4) health_[cylinder - 1] = std::clamp(share, 0.0, 1.0);
}

double Engine::cylinderHealth(int cylinder) const {
    return cylinder >= 1 && cylinder <= 4 ? health_[cylinder - 1] : 0.0;
}

bool Engine::idling() const {
    return running_ && throttle_ < 1.0 && !fuelCut_;
}

double Engine::activeShare(int cutMask) const {
    double share = 0;
    for (int c = 0; c < 4; ++c)
        if (!(cutMask & (1 << c))) share += health_[c];
    return share / 4;
}

double Engine::carburettorMixture() const {
    return 0.85 + 0.003 * screw_;
}

double Engine::airPerStrokeMg() const {
    if (rpm_ < 50) return 0;
    // Two intake strokes per revolution on a four-cylinder four-stroke engine.
    return airFlow_ / 3.6 * 1000.0 / (rpm_ / 30.0);
}

double Engine::fuelLph() const {
    return pulse_ * rpm_ / 3800.0;
}

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

double Engine::holdRpm(int cutMask) const {
    // The speed the air let in can hold with the cylinders that fire; a
    // cold engine runs a little slower on the same air.
    const bool carburettor = fuelling_ == Fuelling::Carburettor;
    double idle;
    if (carburettor) {
        const double off = carburettorMixture() - 1.0;
        idle = 850 - 5000 * off * off;
    } else {
        idle = rpmForValve(valve_);
    }
    const double share = activeShare(carburettor ? 0 : cutMask);
    const double cold = 1.0 - 0.05 * std::clamp((60.0 - coolant_) / 40.0, 0.0, 1.0);
    return (idle + throttle_ * kThrottleRpmPerPercent) * powerFactor(share) * cold;
}

void Engine::regulateIdleValve(const EngineInputs& in, double dt) {
    if (fuelling_ == Fuelling::Carburettor) {
        valve_ = 0; // no idle-air valve
        return;
    }
    double command;
    if (in.valveHeld) {
        command = std::clamp(in.heldValveSteps, 0.0, 255.0);
    } else {
        const double base = valveForRpm(in.idleTargetRpm);
        const bool regulating = running_ && !cranking_ && throttle_ < 1.0 && !fuelCut_;
        const double error = in.idleTargetRpm - rpm_;
        // Large errors are the base opening's to mend; the learnt part
        // follows the small ones that stay (a weak or cold engine).
        if (regulating && std::abs(error) < kRegulatorWindowRpm) {
            const double next = integral_ + kRegulatorGain * error * dt;
            // No wind-up against the ends of the valve's travel.
            if (base + next >= kRegulatorMinSteps && base + next <= kRegulatorMaxSteps)
                integral_ = std::clamp(next, -80.0, 80.0);
        }
        command = std::clamp(base + integral_, kRegulatorMinSteps, kRegulatorMaxSteps);
    }
    // The stepper motor moves at a limited rate.
    const double most = kValveStepsPerSecond * dt;
    valve_ += std::clamp(command - valve_, -most, most);
}

void Engine::step(const EngineInputs& in) {
    const double dt = kStepMs / 1000.0;
    time_ += kStepMs;
    std::normal_distribution<double> noise(0.0, 1.0);
    const double jitter = noise(rng_);
    const bool carburettor = fuelling_ == Fuelling::Carburettor;

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

    const int cutMask = carburettor ? 0 : in.injectorCutMask;
    double target = 0;
    if (!running_) {
        fuelCut_ = false;
        cranking_ = false;
        regulateIdleValve(in, dt);
    } else {
        if (cranking_) {
            crankMs_ += kStepMs;
            if (crankMs_ > 600) cranking_ = false;
        }
        regulateIdleValve(in, dt);
        target = holdRpm(cutMask);
        // Overrun cuts the fuel; a speed that the air itself drives does not.
        const bool closed = throttle_ < 1.0;
        if (closed && rpm_ > std::max(kCutInRpm, target + kOverrunMarginRpm)) fuelCut_ = true;
        if (!closed || rpm_ < std::max(kCutOutRpm, target + kResumeMarginRpm)) fuelCut_ = false;
    }

    if (!running_ || fuelCut_ || target <= 0) {
        // Mechanical losses: the engine slows by itself.
        rpm_ -= (250.0 + 0.4 * rpm_) * dt;
        if (running_ && !fuelCut_ && rpm_ < kStallRpm) running_ = false;
    } else {
        const double tau = target > rpm_ ? 0.35 : 0.6;
        rpm_ += (target - rpm_) * (1.0 - std::exp(-dt / tau));
        rpm_ += jitter * 1.5;
        if (rpm_ < kStallRpm && !cranking_) running_ = false;
    }
    rpm_ = std::clamp(rpm_, 0.0, 6500.0);

    // Intake: the closed throttle passes the air of the idle-air valve (or
    // the carburettor's throttle stop), the open throttle more with speed.
    const double open = throttle_ / 100.0;
    const double idleAir = carburettor ? kCarburettorIdleAirSteps : valve_;
    airFlow_ = rpm_ < 50 ? 0 : (2.0 + 0.15 * idleAir + 0.06 * open * rpm_) * (1.0 + 0.004 * jitter);

    // Fuelling and mixture. The ECU enriches while it takes the engine to be
    // cold; the carburettor's idle mixture is its screw's.
    const double enrich = 0.1 * std::clamp((60.0 - in.ecuCoolant) / 60.0, 0.0, 1.0);
    if (carburettor) {
        const double idleMixture = carburettorMixture();
        mixture_ = idleMixture + (0.95 - idleMixture) * std::min(1.0, open * 4);
    } else {
        mixture_ = in.mixtureHeld ? in.heldMixture : 1.0 - enrich + 0.004 * jitter;
    }
    if (carburettor || !running_ || fuelCut_)
        pulse_ = 0;
    else
        pulse_ = std::max(0.8, 0.029 * airPerStrokeMg() / mixture_ * in.fuelCorrection);

    // Vacuum behind the throttle: about 300 mbar at a warm idle, more with
    // speed on a closed throttle, less with more idle air, none at full
    // throttle; on the carburettor a leaner idle mixture reads higher.
    double vacuum = 300.0 + (rpm_ - 850.0) * 0.08;
    if (carburettor)
        vacuum += 300.0 * (carburettorMixture() - 1.0);
    else
        vacuum -= (valve_ - 75.0) * 0.4;
    vacuum *= std::pow(1.0 - open, 1.5);
    vacuum_ = rpm_ < 50 ? 0 : std::clamp(vacuum, 5.0, 900.0);

    // Ignition advance: more with speed, less with load.
    const double load = airPerStrokeMg() / 700.0;
    ignition_ = running_ ? 8.0 + rpm_ / 250.0 - 12.0 * load + in.ignitionOffsetDeg : 0;
    if (in.ignitionHeld) ignition_ = in.heldIgnitionDeg;
    ignition_ = std::clamp(ignition_, -20.0, 45.0);

    battery_ = running_ ? 14.0 + 0.05 * jitter : 12.4;
    lambdaPhase_ += dt * 2.0 * 3.14159 * 1.2;
    knock_ = std::clamp(0.15 + load * 0.3 + 0.05 * jitter, 0.0, 1.0);
    double weakest = 1.0;
    for (double h : health_)
        weakest = std::min(weakest, h);
    mismatch_ =
        running_ ? std::abs(jitter) * 2.0 + (cutMask ? 6.0 : 0.0) + (1.0 - weakest) * 12.0 : 0;
}

} // namespace sim
