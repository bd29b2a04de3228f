#pragma once
// The engine behind the simulated ECU: simple but honest. Speed follows the
// throttle and the load with inertia, the idle regulator moves the idle-air
// valve to hold the idle target, the fuel is cut when coasting with the
// throttle closed, a cut injector takes its cylinder's share away, the
// coolant warms up. Deterministic for a seed: the same calls give the same
// trace.
#include <array>
#include <cstdint>
#include <random>

namespace sim {

enum class Fuelling { Injection4062, Injection4063, Carburettor };

struct EngineInputs {
    // What the ECU commands; filled by the ECU before each step.
    double idleTargetRpm = 850;
    bool valveHeld = false;       // idle-air valve frozen at heldValveSteps
    double heldValveSteps = 0;
    int injectorCutMask = 0;      // bit c-1 cuts cylinder c
    double ignitionOffsetDeg = 0; // standing offset of the advance
    bool ignitionHeld = false;
    double heldIgnitionDeg = 0;
    bool mixtureHeld = false;
    double heldMixture = 1.0; // air/fuel ratio relative to stoichiometric
};

class Engine {
public:
    explicit Engine(std::uint32_t seed = 1, Fuelling fuelling = Fuelling::Injection4062);

    // Advances the model by ms milliseconds (in fixed 10 ms steps).
    void advance(double ms, const EngineInputs& in);

    // The driver's controls.
    void start();
    void stop();
    bool running() const { return running_; }
    void setThrottle(double percent);
    double throttle() const { return throttle_; }
    void setCoolant(double celsius) { coolant_ = celsius; }
    // Share of a cylinder's work (1 = healthy); a trainer can make one weak.
    void setCylinderHealth(int cylinder, double share);
    Fuelling fuelling() const { return fuelling_; }
    void setFuelling(Fuelling f) { fuelling_ = f; }

    // What the sensors see.
    double rpm() const { return rpm_; }
    double coolant() const { return coolant_; }
    double airTemp() const { return airTemp_; }
    double valveSteps() const { return valve_; }
    bool fuelCut() const { return fuelCut_; }
    bool idling() const;
    bool cranking() const { return cranking_; }
    double vacuumMbar() const { return vacuum_; }
    double airFlowKgH() const { return airFlow_; }
    double airPerStrokeMg() const;
    double pulseMs() const { return pulse_; }
    double fuelLph() const;
    double mixture() const { return mixture_; }
    double ignitionDeg() const { return ignition_; }
    double batteryVolts() const { return battery_; }
    double lambdaVolts(int probe) const;
    double knockLevel() const { return knock_; }
    double speedMismatch() const { return mismatch_; }
    double timeMs() const { return time_; }

private:
    void step(const EngineInputs& in);
    double activeShare(int cutMask) const;

    std::mt19937 rng_;
    Fuelling fuelling_;
    bool running_ = false;
    bool cranking_ = false;
    double crankMs_ = 0;
    double throttle_ = 0;
    double rpm_ = 0;
    double coolant_;
    double airTemp_;
    double valve_ = 60;
    bool fuelCut_ = false;
    double vacuum_ = 0;
    double airFlow_ = 0;
    double pulse_ = 0;
    double mixture_ = 1.0;
    double ignition_ = 0;
    double battery_ = 12.4;
    double lambdaPhase_ = 0;
    double knock_ = 0;
    double mismatch_ = 0;
    double time_ = 0;
    double pending_ = 0;
    std::array<double, 4> health_{{1, 1, 1, 1}};
};

} // namespace sim
