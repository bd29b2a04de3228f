#pragma once
// The engine behind the simulated ECU: simple but honest. The speed follows
// what the air let in (idle-air valve, throttle) and the cylinders that fire
// can hold, with inertia; the idle regulator moves the idle-air valve to
// hold the idle target; the fuel is cut on overrun (throttle closed and the
// speed above what the air can hold); a cut injector or a weak cylinder
// takes its share of the work away; the coolant warms up; the carburettor
// variant idles on its mixture screw. Deterministic for a seed: the same
// calls give the same trace.
#include <array>
#include <cstdint>
#include <random>

namespace sim {

enum class Fuelling { Injection4062, Injection4063, Carburettor };

struct EngineInputs {
    // What the ECU commands; filled by the ECU before each step.
    double idleTargetRpm = 850;
    bool valveHeld = false; // idle-air valve held at heldValveSteps
    double heldValveSteps = 0;
    int injectorCutMask = 0;      // bit c-1 cuts cylinder c
    double ignitionOffsetDeg = 0; // standing offset of the advance
    bool ignitionHeld = false;
    double heldIgnitionDeg = 0;
    bool mixtureHeld = false;
    double heldMixture = 1.0;    // air/fuel ratio relative to stoichiometric
    double ecuCoolant = 85;      // the coolant temperature the ECU goes by
    double fuelCorrection = 1.0; // fuel multiplier of the correction coefficient
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
    void setAirTemp(double celsius) { airTemp_ = celsius; }
    // Share of a cylinder's work (1 = healthy, 0 = dead); a trainer can make
    // one weak. All cylinders healthy again with heal().
    void setCylinderHealth(int cylinder, double share);
    double cylinderHealth(int cylinder) const;
    void heal() { health_ = {{1, 1, 1, 1}}; }
    Fuelling fuelling() const { return fuelling_; }
    void setFuelling(Fuelling f);
    // The carburettor's idle mixture screw, 0 (rich) .. 100 (lean); 50 is
    // the right setting: highest idle speed, 300 mbar vacuum.
    void setMixtureScrew(double percent);
    double mixtureScrew() const { return screw_; }

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

    // Idle speed that a valve opening gives on a healthy warm engine, and
    // the opening the regulator starts from for a target speed.
    static double rpmForValve(double steps) { return 250 + 8 * steps; }
    static double valveForRpm(double rpm) { return (rpm - 250) / 8; }
    static constexpr double kValveStepsPerSecond = 150;

  private:
    void step(const EngineInputs& in);
    void regulateIdleValve(const EngineInputs& in, double dt);
    double holdRpm(int cutMask) const;
    double activeShare(int cutMask) const;
    double carburettorMixture() const;

    std::mt19937 rng_;
    Fuelling fuelling_;
    bool running_ = false;
    bool cranking_ = false;
    double crankMs_ = 0;
    double throttle_ = 0;
    double rpm_ = 0;
    double coolant_;
    double airTemp_;
    double valve_ = 75;
    double integral_ = 0; // the regulator's learnt correction, steps
    double screw_ = 50;
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
