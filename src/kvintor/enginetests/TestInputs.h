#pragma once
// The speeds a mechanic picks or types in the test windows (a typed text
// is read with common::leadingNumber).
#include <QString>
#include <vector>

namespace kvintor {

// The lists of the speed boxes, rpm.
const std::vector<int>& startSpeeds(); // 1000, 1100 .. 1800 (acceleration)
const std::vector<int>& endSpeeds();   // 2000, 2500 .. 6000 (acceleration end, coast-down start)
bool listed(const std::vector<int>& list, double value);

// Rounded to a whole number, halves to the even neighbour.
long long roundHalfEven(double value);

// Average injection pulse width in ms of n samples summing to `sum` (in
// units of 8 us, 125 per ms), in hundredths of a ms rounded half to even.
// Worked out in whole numbers, so a tie is a tie.
long long averagePulseHundredths(long long sum, long long n);

} // namespace kvintor
