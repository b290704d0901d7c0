// The texts of the main window's two status panels, which the command line's
// "--stats" prints too.
#pragma once

#include <cstdint>
#include <string>

#include "chatscope/statistics.h"

namespace chatscope {

// "Say:%d, Tell:%d, ..., All:%d" (ASCII).
std::string FormatCountsText(const LogStatistics& stats, std::int64_t allLines);
// "取得経験値:%d" as Shift-JIS bytes.
std::string FormatExpText(const LogStatistics& stats);

}  // namespace chatscope
