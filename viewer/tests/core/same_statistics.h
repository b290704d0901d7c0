// Whole-value comparison of two statistics records for tests: counters, the item
// records in order, the merged item rows and both name lists.
#pragma once

#include <cstddef>

#include "chatscope/statistics.h"

namespace logtest {

inline bool SameStatistics(const chatscope::LogStatistics& a, const chatscope::LogStatistics& b) {
    if (a.counters != b.counters || a.items.size() != b.items.size()) return false;
    for (std::size_t i = 0; i < a.items.size(); ++i)
        if (a.items.Name(i) != b.items.Name(i) || a.items.Obtainer(i) != b.items.Obtainer(i)) return false;
    const auto& ra = a.items.Merged();
    const auto& rb = b.items.Merged();
    if (ra.size() != rb.size()) return false;
    for (std::size_t i = 0; i < ra.size(); ++i)
        if (ra[i].name != rb[i].name || ra[i].count != rb[i].count || ra[i].obtainer != rb[i].obtainer) return false;
    auto sameTally = [](const chatscope::NameTally& x, const chatscope::NameTally& y) {
        if (x.size() != y.size()) return false;
        for (std::size_t i = 0; i < x.size(); ++i)
            if (x.entries()[i].name != y.entries()[i].name || x.entries()[i].countWord != y.entries()[i].countWord)
                return false;
        return true;
    };
    return sameTally(a.DefeatedMonsters, b.DefeatedMonsters) && sameTally(a.TalkPartners, b.TalkPartners);
}

}  // namespace logtest
