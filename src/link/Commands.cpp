#include "Commands.h"

#include <algorithm>

namespace kline::cmd {

Request readVariables(std::initializer_list<std::uint8_t> variables) {
    Request r;
    r.reserve(variables.size() + 1);
    r.push_back(kReadVariables);
    for (std::uint8_t v : variables) r.push_back(v);
    return r;
}

Request readList(const std::vector<std::uint8_t>& variables) {
    Request r{kReadList};
    r.insert(r.end(), variables.begin(), variables.end());
    return r;
}

Request writeVariables(const std::vector<std::pair<std::uint8_t, std::uint8_t>>& pairs) {
    Request r{kWriteVariables};
    for (const auto& [variable, value] : pairs) {
        r.push_back(variable);
        r.push_back(value);
    }
    return r;
}

Request readMemory(unsigned address) {
    return {kReadMemory, static_cast<std::uint8_t>(address & 0xFF),
            static_cast<std::uint8_t>((address >> 8) & 0xFF), 0};
}

Request startStream(const std::vector<std::uint8_t>& sixVariables) {
    Request r{kStartStream};
    r.insert(r.end(), sixVariables.begin(), sixVariables.end());
    return r;
}

Request resetWorkingVariables() {
    return writeVariables({{9, 0}, {10, 0}, {11, 0}, {12, 0}, {13, 0}, {14, 0}, {15, 0}});
}

Request livePage(int page, bool fullRange) {
    static const std::uint8_t middles[4][8] = {
        {26, 99, 44, 38, 53, 35, 92, 52},
        {26, 28, 32, 65, 57, 63, 33, 64},
        {97, 103, 104, 105, 98, 100, 101, 102},
        {77, 78, 45, 56, 94, 95, 51, 60},
    };
    if (page < 0 || page > 3) page = 0;
    Request r{kReadList, kVarModeFlags, 81, 82, 83, 84};
    for (std::uint8_t v : middles[page]) r.push_back(v);
    if (page == 0 && fullRange) r[8] = 41;
    r.push_back(kVarOutputs);
    return r;
}

int livePageLength(int page) {
    static const int lengths[4] = {17, 18, 15, 17};
    return page >= 0 && page <= 3 ? lengths[page] : 0;
}

int variableWidth(std::uint8_t v) {
    switch (v) {
    case 8: case 33: case 35: case 51: case 52: case 60: case 63: case 64:
        return 2;
    default:
        break;
    }
    if (v >= 115 && v <= 123) return kTextLength;
    if (v >= 73 && v <= 76) return kTableLength;
    return 1;
}

int longestReplyBytes(const Request& request) {
    if (request.empty()) return kMaxReplyLength;
    int elements = 0;
    switch (request[0]) {
    case kConnect:
    case kRestart:
    case kWriteVariables:
        elements = 1; // the status byte
        break;
    case kReadList:
    case kReadVariables:
        for (std::size_t i = 1; i < request.size(); ++i)
            elements += variableWidth(request[i]);
        break;
    default:
        return kMaxReplyLength;
    }
    // Each byte and the checksum escaped, then the terminator.
    return std::min(2 * (elements + 1) + 1, kMaxReplyLength);
}

bool answersSlowly(const Request& request) {
    if (request.empty() || request[0] != kWriteVariables) return false;
    for (std::size_t i = 1; i + 1 < request.size(); i += 2)
        if (request[i] == kVarCommand) return true;
    return false;
}

int word(const std::vector<int>& e, std::size_t i) {
    const int lo = i < e.size() ? e[i] : 0;
    const int hi = i + 1 < e.size() ? e[i + 1] : 0;
    return lo + 256 * hi;
}

std::uint8_t engineVariantFor(const QString& engineText) {
    return engineText.contains(QLatin1String("63")) ? 63 : 62;
}

} // namespace kline::cmd
