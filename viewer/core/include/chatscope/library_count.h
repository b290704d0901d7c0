// The figures of one archive in the library window: its stamp (size and time of
// the last change, which say whether a count is still good) and the count of a
// reading pass over it (lines and experience, as "--stats" gives them).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace chatscope {

struct FileStamp {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;  // last change, nanoseconds since the epoch
    bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file (following links); none for anything else.
std::optional<FileStamp> StampOf(const std::string& path);

struct FileCount {
    std::int64_t lines = 0;       // the All count
    std::int64_t experience = 0;  // the ExpPoints counter
    bool operator==(const FileCount&) const = default;
};

// One pass over the file with no display, the pass "--stats" makes (every
// record counted, none shown). None when it cannot be opened or is no chat log
// any more. A file that shrinks meanwhile is counted up to where it ended.
std::optional<FileCount> CountLogFile(const std::string& path);

}  // namespace chatscope
