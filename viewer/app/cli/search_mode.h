// "--search": the shown lines of chat log files that hold a text, printed as
// PATH:N:LINE like a recursive grep with line numbers.
#pragma once

#include <QString>

#include <cstdio>
#include <string>
#include <vector>

#include "chatscope/log_reader.h"

namespace chatscope {

struct SearchOutcome {
    std::int64_t matches = 0;
    std::vector<std::string> unreadable;  // files that were no chat log file when their turn came
    bool writeFailed = false;
};

// Searches each file on its own: its lines are those "--text" prints for it,
// numbered from 1, matched as the find bar matches (`exact`: case and width
// count). Files are searched on `threads` threads; their lines are printed to
// `out` in file order, then line order.
SearchOutcome SearchLogFiles(const std::vector<std::string>& files, const QString& text, bool exact,
                             const PassFilter& filter, std::FILE* out, unsigned threads);

}  // namespace chatscope
