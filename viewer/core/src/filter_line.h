// Lines of the filter file: trimming, recognising entry lines, reading lines whole.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "chatscope/user_list.h"

namespace chatscope::detail {

// The longest line (line end not counted) that can be an entry line.
inline constexpr std::size_t kFilterLineBytes = 510;
// The longest name token "%512s" reads.
inline constexpr std::size_t kFilterNameBytes = 512;

// Removes leading and trailing bytes 0x00-0x20.
std::string_view TrimLine(std::string_view line);
// "%d,%d,%512s" on a trimmed line; nullopt unless all three fields are read
// and both numbers fit a signed 32-bit integer.
std::optional<UserFilterEntry> ParseFilterLine(std::string_view trimmed);
// A line as read from the file, its LF or CR LF included.
std::optional<UserFilterEntry> ParseFilterFileLine(std::string_view rawLine);
// Reads one line whole, whatever its length, LF included. False at the end of
// the file or on a read error.
bool ReadFilterLine(std::FILE* f, std::string& line);

}  // namespace chatscope::detail
