#pragma once

#include <QtGlobal>
#include <algorithm>
#include <optional>
#include <vector>

namespace engine {

// The id to give a new element whose ids must lie in [first, last] and differ from every id in
// use: one past the highest in use while that fits, as office suites number, else the lowest
// id free in the range. Empty when the range is full. Ids in use outside the range are ignored.
inline std::optional<quint64> nextFreeId(std::vector<quint64> used, quint64 first, quint64 last) {
    used.erase(std::remove_if(used.begin(), used.end(),
                              [&](quint64 id) { return id < first || id > last; }),
               used.end());
    if (used.empty()) return first;
    std::sort(used.begin(), used.end());
    if (used.back() < last) return used.back() + 1;
    quint64 candidate = first;
    for (quint64 id : used) {
        if (id > candidate) return candidate;
        if (id == candidate) ++candidate;
    }
    if (candidate <= last) return candidate;
    return std::nullopt;
}

}  // namespace engine
