// A plain byte-at-a-time model of the block loop, written straight from the
// format's rules, to check the chunked reader against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// A record as the conversion "%02x,%02x,%02x,%08x,%08x,%08x,%04x,%02x,%02x,%02x,%02x,"
// reads it from a kept line, digit by digit: each field 1 to its width of hex
// digits (no blank, sign or "0x"), a comma after each of the first ten, and
// byte 52 a comma whatever the fields' widths.
struct ReferenceRecord {
    std::uint8_t typeCode = 0;
    std::uint32_t colourWord = 0;
    bool indent = false;
    std::string text;
    bool operator==(const ReferenceRecord&) const = default;
};

inline std::optional<ReferenceRecord> ReferenceRecognise(std::string_view line) {
    if (line.size() < 53 || line[52] != ',') return std::nullopt;
    static const int kWidth[11] = {2, 2, 2, 8, 8, 8, 4, 2, 2, 2, 2};
    std::uint32_t field[11] = {};
    std::size_t pos = 0;
    for (int f = 0; f < 11; ++f) {
        int digits = 0;
        for (; digits < kWidth[f]; ++digits, ++pos) {
            const char c = line[pos];
            int v;
            if (c >= '0' && c <= '9')
                v = c - '0';
            else if (c >= 'a' && c <= 'f')
                v = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                v = c - 'A' + 10;
            else
                break;
            field[f] = field[f] * 16 + static_cast<std::uint32_t>(v);
        }
        if (digits == 0) return std::nullopt;
        if (f < 10 && line[pos++] != ',') return std::nullopt;
    }
    return ReferenceRecord{static_cast<std::uint8_t>(field[0]), field[3], field[10] != 0, std::string(line.substr(53))};
}

}  // namespace logtest
