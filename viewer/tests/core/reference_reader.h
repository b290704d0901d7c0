// A plain byte-at-a-time model of the block loop, written straight from the
// format's rules, to check the chunked reader against.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace logtest {

// The non-empty kept lines of a chat log file, in file order.
inline std::vector<std::string> ReferenceKeptLines(std::string_view file) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < file.size()) {
        pos += 100;
        for (int line = 0; line < 50; ++line) {
            std::string kept;
            bool skip = false;
            while (pos < file.size()) {
                const unsigned char b = static_cast<unsigned char>(file[pos++]);
                if (b == 0x1E || b == 0x1F || b == 0x7F)
                    skip = !skip;
                else if (skip)
                    skip = false;
                else if (b != 0 && kept.size() < 1023)
                    kept.push_back(static_cast<char>(b));
                if (b == 0) break;
            }
            if (!kept.empty()) out.push_back(kept);
        }
    }
    return out;
}

}  // namespace logtest
