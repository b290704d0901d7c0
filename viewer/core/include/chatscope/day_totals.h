// The library's chart by day: the figures of the archives summed by the local
// date of each file's last change.
#pragma once

#include <cstdint>
#include <vector>

namespace chatscope {

struct DayFile {
    std::int64_t mtimeNs = 0;  // last change, nanoseconds since the epoch
    std::int64_t experience = 0;
    std::int64_t lines = 0;
};

struct DayTotal {
    int year = 0, month = 0, day = 0;  // local date; month and day from 1
    std::int64_t experience = 0;
    std::int64_t lines = 0;
    int files = 0;
    bool operator==(const DayTotal&) const = default;
};

// One total for each local date that has a file, in date order.
std::vector<DayTotal> DayTotals(const std::vector<DayFile>& files);

}  // namespace chatscope
