// Chat logs for the window tests.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "../core/log_builder.h"

namespace apptest {

// A log holding `lines`: blocks of 50 NUL-ended lines behind zeroed 100-byte
// headers, the last block filled up with empty lines; one empty block for none.
inline std::string LogBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (std::size_t first = 0; first == 0 || first < lines.size(); first += 50) {
        const auto begin = lines.begin() + static_cast<std::ptrdiff_t>(std::min(first, lines.size()));
        const auto end = lines.begin() + static_cast<std::ptrdiff_t>(std::min(first + 50, lines.size()));
        bytes += logtest::Block(std::vector<std::string>(begin, end));
    }
    return bytes;
}

}  // namespace apptest
