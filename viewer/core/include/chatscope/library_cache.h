// The library window's cache of counts: for each archive path, the stamp the
// file had when it was counted and what the count gave. A second opening of a
// folder takes every unchanged file's figures from here instead of reading it.
//
// The file is binary, little-endian: the 8 bytes "CSLIBC1\n", the entry count
// (u32), per entry the path length (u32), the path's bytes, size, change time
// (ns), lines and experience (i64 each), and last an FNV-1a hash (u64) of all
// the bytes before it. A file that is shorter, longer, of another form or whose
// hash does not match is not ours: it loads as an empty cache, and the next
// save replaces it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>

#include "chatscope/library_count.h"

namespace chatscope {

class LibraryCache {
public:
    // The count of `path` when it was taken at exactly this stamp.
    std::optional<FileCount> Find(const std::string& path, const FileStamp& stamp) const;
    void Put(const std::string& path, const FileStamp& stamp, const FileCount& count);
    void Forget(const std::string& path) { entries_.erase(path); }
    std::size_t size() const { return entries_.size(); }

    // Replaces the entries by the file's; false (and no entries) when it is
    // missing, unreadable, no regular file or not a cache file.
    bool Load(const std::string& file);
    // Writes the whole cache through the one atomic replace; the folder is made
    // when missing.
    bool Save(const std::string& file) const;

private:
    struct Entry {
        FileStamp stamp;
        FileCount count;
    };
    std::unordered_map<std::string, Entry> entries_;
};

// $XDG_CACHE_HOME/chatscope/library.cache (an absolute XDG_CACHE_HOME only),
// else ~/.cache/chatscope/library.cache; empty without either.
std::string LibraryCachePath(const std::string& xdgCacheHome, const std::string& home);

}  // namespace chatscope
