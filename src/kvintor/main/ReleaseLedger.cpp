#include "ReleaseLedger.h"

#include "common/ProgramState.h"
#include "link/Commands.h"

#include <QElapsedTimer>
#include <algorithm>

namespace kvintor {

namespace cmd = kline::cmd;

ReleaseLedger::ReleaseLedger(kline::EcuLink& ecu, common::ProgramState& state)
    : ecu_(ecu), state_(state) {
    clock = [] {
        static QElapsedTimer monotonic;
        if (!monotonic.isValid()) monotonic.start();
        return monotonic.elapsed();
    };
    ecu_.setGuard(this);
}

ReleaseLedger::~ReleaseLedger() {
    ecu_.setGuard(nullptr);
}

void ReleaseLedger::owe(std::uint8_t variable, std::uint8_t value) {
    owed_[variable] = value;
}

void ReleaseLedger::oweSwitches() {
    switchesOwed_ = true;
}

std::uint8_t ReleaseLedger::owedMaskA() const {
    return static_cast<std::uint8_t>(maybe_[0] & ~state_.OverrideMaskA);
}

std::uint8_t ReleaseLedger::owedMaskB() const {
    return static_cast<std::uint8_t>(maybe_[1] & ~state_.OverrideMaskB);
}

std::optional<std::uint8_t> ReleaseLedger::owedValue(std::uint8_t variable) const {
    const auto it = owed_.find(variable);
    if (it == owed_.end()) return std::nullopt;
    return it->second;
}

bool ReleaseLedger::owes() const {
    return owedMaskA() || owedMaskB() || !owed_.empty() || switchesOwed_;
}

namespace {
// Whether a write request sets the variable.
bool writes(const kline::Request& request, std::uint8_t variable) {
    if (request.empty() || request[0] != cmd::kWriteVariables) return false;
    for (std::size_t i = 1; i + 1 < request.size(); i += 2)
        if (request[i] == variable) return true;
    return false;
}
} // namespace

kline::Request ReleaseLedger::payment(const kline::Request& next) const {
    std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs;
    // A mask goes out as the copy, but without a bit the ECU never
    // confirmed: a window that has taken a bit and not yet sent its
    // set-point does not get it put in force by someone else's debt.
    if (owedMaskA() && !writes(next, cmd::kVarMaskA))
        pairs.emplace_back(cmd::kVarMaskA,
                           static_cast<std::uint8_t>(state_.OverrideMaskA & held_[0]));
    if (owedMaskB() && !writes(next, cmd::kVarMaskB))
        pairs.emplace_back(cmd::kVarMaskB,
                           static_cast<std::uint8_t>(state_.OverrideMaskB & held_[1]));
    for (const auto& [variable, value] : owed_)
        if (!writes(next, variable)) pairs.emplace_back(variable, value);
    // The switches as the regulator switch writes them: twice. Not in the
    // middle of a sequence on the command register.
    if (switchesOwed_ && !writes(next, cmd::kVarCommand)) {
        pairs.emplace_back(cmd::kVarCommand, state_.EcuSwitches);
        pairs.emplace_back(cmd::kVarCommand, state_.EcuSwitches);
    }
    if (pairs.empty()) return {};
    return cmd::writeVariables(pairs);
}

bool ReleaseLedger::pay(const kline::Request& next) {
    const kline::Request request = payment(next);
    if (request.empty()) return true;
    ecu_.EcuExchange(request); // afterExchange settles what the ECU took
    const qint64 now = clock();
    // What is left (if anything) the request about to go writes itself.
    if (payment(next).empty()) {
        retryMs_ = kFirstRetryMs;
        nextTryMs_ = now;
        return true;
    }
    nextTryMs_ = now + retryMs_;
    retryMs_ = std::min(retryMs_ * 2, kLongestRetryMs);
    return false;
}

bool ReleaseLedger::settle() {
    if (owes()) pay();
    return !owes();
}

void ReleaseLedger::beforeExchange(const kline::Request& next) {
    if (!owes()) return;
    // Only a line that answered the last exchange is worth a try; a dead
    // line costs no second wait before every request.
    if (ecu_.LastExchangeResult() != kline::kOk) return;
    if (clock() < nextTryMs_) return;
    pay(next);
}

void ReleaseLedger::afterExchange(const kline::Request& request, int result,
                                  const std::vector<int>& reply) {
    if (request.empty()) return;
    const bool answered = result == kline::kOk;
    const bool accepted = answered && !reply.empty() && reply[0] == 0;
    if (request[0] == cmd::kRestart) {
        // The restarted ECU has dropped every override and working variable.
        if (!accepted) return;
        held_[0] = held_[1] = maybe_[0] = maybe_[1] = 0;
        owed_.clear();
        switchesOwed_ = false;
        return;
    }
    if (request[0] != cmd::kWriteVariables) return;
    // A refused write changed nothing in the ECU.
    if (answered && !accepted) return;
    for (std::size_t i = 1; i + 1 < request.size(); i += 2) {
        const std::uint8_t variable = request[i];
        const std::uint8_t value = request[i + 1];
        if (variable == cmd::kVarMaskA || variable == cmd::kVarMaskB) {
            const int m = variable == cmd::kVarMaskA ? 0 : 1;
            if (accepted) {
                held_[m] = maybe_[m] = value;
            } else {
                // Lost on the line: the ECU has either mask now.
                maybe_[m] = static_cast<std::uint8_t>(maybe_[m] | value);
            }
            continue;
        }
        if (!accepted) continue;
        if (variable == cmd::kVarCommand) {
            if (value == state_.EcuSwitches) switchesOwed_ = false;
            continue;
        }
        // Whoever writes an owed variable and is heard takes it over.
        owed_.erase(variable);
    }
}

} // namespace kvintor
