#include "Visit.h"

#include <algorithm>

namespace kvintor::visits {

TableSummary summarise(int table, const std::vector<int>& reply, const QDateTime& at) {
    TableSummary s;
    s.at = at;
    s.table = table;
    // The grid shows the first 256 bytes; so does the summary.
    const std::size_t n = std::min<std::size_t>(reply.size(), 256);
    if (n == 0) return s;
    s.minimum = *std::min_element(reply.begin(), reply.begin() + static_cast<long>(n));
    s.maximum = *std::max_element(reply.begin(), reply.begin() + static_cast<long>(n));
    long long sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += reply[i] - 128;
    s.meanDeviation = static_cast<double>(sum) / static_cast<double>(n);
    return s;
}

std::vector<FaultSeen> faultsFound(const Visit& visit) {
    std::vector<FaultSeen> found;
    for (const FaultRead& read : visit.faultReads) {
        for (const FaultSeen& f : read.faults) {
            auto it = std::find_if(found.begin(), found.end(),
                                   [&f](const FaultSeen& g) { return g.code == f.code; });
            if (it == found.end())
                found.push_back(f);
            else
                it->flags |= f.flags;
        }
    }
    return found;
}

QString shownTime(const QDateTime& at) {
    return at.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
}

} // namespace kvintor::visits
