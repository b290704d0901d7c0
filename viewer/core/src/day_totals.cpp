#include "chatscope/day_totals.h"

#include <ctime>
#include <map>
#include <tuple>

namespace chatscope {

std::vector<DayTotal> DayTotals(const std::vector<DayFile>& files) {
    std::map<std::tuple<int, int, int>, DayTotal> days;
    for (const DayFile& f : files) {
        // Floor division: a time before the epoch belongs to the second before.
        std::time_t seconds = static_cast<std::time_t>(f.mtimeNs / 1000000000);
        if (f.mtimeNs % 1000000000 < 0) --seconds;
        std::tm local{};
        if (!::localtime_r(&seconds, &local)) continue;
        DayTotal& t = days[{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}];
        t.year = local.tm_year + 1900;
        t.month = local.tm_mon + 1;
        t.day = local.tm_mday;
        t.experience += f.experience;
        t.lines += f.lines;
        ++t.files;
    }
    std::vector<DayTotal> out;
    out.reserve(days.size());
    for (const auto& [key, total] : days) out.push_back(total);
    return out;
}

}  // namespace chatscope
