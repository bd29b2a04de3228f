#include "TestInputs.h"

#include <algorithm>
#include <cmath>

namespace kvintor {

const std::vector<int>& startSpeeds() {
    static const std::vector<int> list{1000, 1100, 1200, 1300, 1400, 1500, 1600, 1700, 1800};
    return list;
}

const std::vector<int>& endSpeeds() {
    static const std::vector<int> list{2000, 2500, 3000, 3500, 4000, 4500, 5000, 5500, 6000};
    return list;
}

bool listed(const std::vector<int>& list, double value) {
    return std::any_of(list.begin(), list.end(), [value](int v) { return v == value; });
}

long long roundHalfEven(double value) {
    if (!(std::fabs(value) < 1e15)) return 0; // far beyond any speed
    const double down = std::floor(value);
    const double rest = value - down;
    long long r = static_cast<long long>(down);
    if (rest > 0.5 || (rest == 0.5 && (r % 2 != 0))) ++r;
    return r;
}

long long averagePulseHundredths(long long sum, long long n) {
    if (n <= 0) return 0;
    // sum / n / 125 x 100 = 4 sum / 5 n.
    const long long num = 4 * sum;
    const long long den = 5 * n;
    long long q = num / den;
    const long long r = num % den;
    if (2 * r > den || (2 * r == den && q % 2 != 0)) ++q;
    return q;
}

} // namespace kvintor
