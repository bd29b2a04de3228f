#pragma once
// The graph window's recorded samples: ten byte arrays A0 .. A9, one per
// reply byte, each holding W/8 + 1 samples of a strip W pixels wide, index 0
// the newest. They keep the raw reply bytes, not decoded values; a sample j
// lies at x = 1 + 8 j in the strips. Set 1 uses A0 .. A7, set 2 A0 .. A9.
#include <array>
#include <cstdint>
#include <vector>

namespace kvintor {

class GraphHistory {
  public:
    static constexpr int kArrays = 10;

    // Empties every array (all zero) with indexes 0 .. stripWidth / 8.
    void reset(int stripWidth);
    // Samples each array holds.
    int length() const { return static_cast<int>(arrays_[0].size()); }
    // Shifts arrays A0 .. A(count-1) one place towards the old end (the
    // oldest value falls off) and stores bytes b0 .. b(count-1) at index 0.
    void push(const std::vector<int>& bytes, int count);
    // Bytes b0 .. b9 of sample j (0 = newest); all zero outside the history.
    std::vector<int> sample(int j) const;
    // Samples stored since the last reset, at most length().
    int stored() const { return stored_; }
    const std::array<std::vector<std::uint8_t>, kArrays>& arrays() const { return arrays_; }

  private:
    std::array<std::vector<std::uint8_t>, kArrays> arrays_{};
    int stored_ = 0;
};

} // namespace kvintor
