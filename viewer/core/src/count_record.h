// Counting a record whose category is already known (the reader classifies
// each record once and uses the result for both counting and filtering).
#pragma once

#include <cstdint>
#include <string_view>

#include "chatscope/statistics.h"

namespace chatscope::detail {

void CountClassifiedRecord(LogStatistics& stats, std::uint8_t typeCode, std::string_view text, int category);

}  // namespace chatscope::detail
