#pragma once
// What a test window holds in override mask A (ECU variable 11) and how it
// gives it back: the one place every way out of the window goes through.
// The mask is the program-wide copy shared with the adjustment windows; a
// window only sets and clears its own bits in it and always sends the whole
// byte.
#include <cstdint>

namespace kvintor {

class Program;

class OverrideHold {
  public:
    OverrideHold(Program& program, std::uint8_t bits) : p_(program), bits_(bits) {}

    std::uint8_t bits() const { return bits_; }
    // Sets the window's bits in the program's copy (the caller's own write
    // sends them together with the held values).
    void take();
    // Clears some of the window's bits in the copy and sends the mask
    // (0x62 0x0B mask). True when the ECU got it. A release lost on the line
    // stays owed until retry() gets it through.
    bool release(std::uint8_t bits);
    bool releaseAll() { return release(bits_); }
    // A release that did not reach the ECU.
    bool owed() const { return owed_; }
    // Sends the mask again while a release is owed; true when nothing is
    // owed any more.
    bool retry();

  private:
    bool send();

    Program& p_;
    std::uint8_t bits_;
    bool owed_ = false;
};

} // namespace kvintor
