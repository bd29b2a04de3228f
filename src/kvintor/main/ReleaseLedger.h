#pragma once
// What the ECU is still owed back, kept for the whole program run rather
// than by the window that changed it: a window may close, or the line die,
// before a release reaches the ECU, and the debt must not die with it.
//
// Override masks 11 and 12: the ledger watches every write of them on the
// link. Bits the ECU may still hold that the program's copies
// (OverrideMaskA, OverrideMaskB) have cleared are owed; nothing needs to be
// registered for them. Other variables (the actuator outputs 9, 10, 13, the
// command register 14) are owed when a window registers them; any write of
// such a variable that the ECU confirms settles it (the regulator switches
// only by a write of the switches themselves).
//
// What is owed goes out in one write before the next exchange of any
// window once the line answers, no faster than every 15 ms while the ECU
// does not take it, and at the program's end before the reset of the
// working variables.
#include "link/EcuLink.h"

#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace common {
struct ProgramState;
}

namespace kvintor {

class ReleaseLedger : public kline::ExchangeGuard {
  public:
    // Retries of a payment the ECU did not take wait this long at first,
    // doubling up to the longest.
    static constexpr int kFirstRetryMs = 15;
    static constexpr int kLongestRetryMs = 1000;

    ReleaseLedger(kline::EcuLink& ecu, common::ProgramState& state);
    ~ReleaseLedger() override;
    ReleaseLedger(const ReleaseLedger&) = delete;
    ReleaseLedger& operator=(const ReleaseLedger&) = delete;

    // ---- what windows register ----
    // The ECU is owed variable := value (an output state to write back).
    void owe(std::uint8_t variable, std::uint8_t value);
    // Variable 14 is owed the regulator switches (EcuSwitches as they are
    // when the write goes out). Registered before a sequence that uses the
    // command register; the sequence's own write of the switches settles it.
    void oweSwitches();

    // ---- what is owed ----
    // Bits of mask 11 / 12 the ECU may hold although the program's copy has
    // them cleared.
    std::uint8_t owedMaskA() const;
    std::uint8_t owedMaskB() const;
    std::optional<std::uint8_t> owedValue(std::uint8_t variable) const;
    bool switchesOwed() const { return switchesOwed_; }
    bool owes() const;
    // The one write that pays everything owed (empty when nothing is),
    // leaving out what the request about to go writes itself: a window's
    // own release, its copy of the mask already changed, settles that part.
    kline::Request payment(const kline::Request& next = {}) const;

    // Sends what is owed now, whatever the line did last (the program's
    // end). True when nothing is owed afterwards.
    bool settle();

    // The clock the retries are paced on, in milliseconds (tests give
    // their own).
    std::function<qint64()> clock;

    // ---- the watch over the link ----
    void beforeExchange(const kline::Request& next) override;
    void afterExchange(const kline::Request& request, int result,
                       const std::vector<int>& reply) override;

  private:
    bool pay(const kline::Request& next = {});

    kline::EcuLink& ecu_;
    common::ProgramState& state_;
    // Per mask (0: variable 11, 1: variable 12): what the ECU confirmed last,
    // and the bits it may hold since (a write whose answer was lost may or
    // may not have reached it).
    std::uint8_t held_[2] = {0, 0};
    std::uint8_t maybe_[2] = {0, 0};
    std::map<std::uint8_t, std::uint8_t> owed_;
    bool switchesOwed_ = false;
    qint64 nextTryMs_ = 0;
    int retryMs_ = kFirstRetryMs;
};

} // namespace kvintor
