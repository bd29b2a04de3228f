#pragma once
// What a test window holds in override mask A (ECU variable 11) and how it
// gives it back: the one place every way out of the window goes through.
// The mask is the program-wide copy shared with the adjustment windows; a
// window sets and clears only the bits it took itself (a bit another
// window already held stays that window's) and always sends the whole
// byte. A release lost on the line is the program's release ledger's to
// send again, also after the window has gone.
#include <cstdint>

namespace kvintor {

class Program;

class OverrideHold {
  public:
    OverrideHold(Program& program, std::uint8_t bits) : p_(program), bits_(bits) {}

    std::uint8_t bits() const { return bits_; }
    // Sets the window's bits in the program's copy (the caller's own write
    // sends them together with the held values). The bits not set before
    // are the ones the window gives back.
    void take();
    // Bits of the window's that were held by another window when it took
    // them.
    std::uint8_t shared() const { return shared_; }
    // Bits the window has taken and not yet given back.
    std::uint8_t taken() const { return taken_; }
    // Clears those of the given bits the window took and sends the mask
    // (0x62 0x0B mask); nothing is sent when it took none of them. True
    // when the ECU got it (or nothing had to go).
    bool release(std::uint8_t bits);
    bool releaseAll() { return release(bits_); }

  private:
    Program& p_;
    std::uint8_t bits_;
    std::uint8_t taken_ = 0;
    std::uint8_t shared_ = 0;
};

} // namespace kvintor
