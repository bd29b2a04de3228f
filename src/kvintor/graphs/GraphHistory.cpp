#include "GraphHistory.h"

#include <algorithm>

namespace kvintor {

void GraphHistory::reset(int stripWidth) {
    const auto n = static_cast<std::size_t>(std::max(stripWidth, 0) / 8 + 1);
    for (auto& a : arrays_)
        a.assign(n, 0);
    stored_ = 0;
}

void GraphHistory::push(const std::vector<int>& bytes, int count) {
    if (arrays_[0].empty()) reset(0);
    count = std::clamp(count, 0, kArrays);
    for (int i = 0; i < count; ++i) {
        auto& a = arrays_[static_cast<std::size_t>(i)];
        std::move_backward(a.begin(), a.end() - 1, a.end());
        a[0] = static_cast<std::uint8_t>(
            static_cast<std::size_t>(i) < bytes.size() ? bytes[static_cast<std::size_t>(i)] : 0);
    }
    stored_ = std::min(stored_ + 1, length());
}

std::vector<int> GraphHistory::sample(int j) const {
    std::vector<int> out(kArrays, 0);
    if (j < 0 || j >= length()) return out;
    for (std::size_t i = 0; i < kArrays; ++i)
        out[i] = arrays_[i][static_cast<std::size_t>(j)];
    return out;
}

} // namespace kvintor
