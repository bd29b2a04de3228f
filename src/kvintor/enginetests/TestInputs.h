#pragma once
// The speeds a mechanic picks or types in the test windows, and how a
// typed text is read as a number.
#include <QString>
#include <vector>

namespace kvintor {

// The lists of the speed boxes, rpm.
const std::vector<int>& startSpeeds(); // 1000, 1100 .. 1800 (acceleration)
const std::vector<int>& endSpeeds();   // 2000, 2500 .. 6000 (acceleration end, coast-down start)
bool listed(const std::vector<int>& list, double value);

// The number at the start of a text: spaces, tabs and line feeds anywhere
// are skipped, then an optional sign, digits, a decimal point and an
// exponent are read as far as they go; a text without one is 0 ("2000.4"
// is 2000.4, "2000 rpm" is 2000, "abc" is 0).
double leadingNumber(const QString& text);
// Rounded to a whole number, halves to the even neighbour.
long long roundHalfEven(double value);

// Average injection pulse width in ms of n samples summing to `sum` (in
// units of 8 us, 125 per ms), in hundredths of a ms rounded half to even.
// Worked out in whole numbers, so a tie is a tie.
long long averagePulseHundredths(long long sum, long long n);

} // namespace kvintor
