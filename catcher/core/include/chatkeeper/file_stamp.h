// File stamp: last-write time at full resolution plus size, or "missing".
#pragma once

#include <cstdint>

namespace chatkeeper {

struct FileStamp {
    bool missing = true;            // path does not exist or names a folder
    std::int64_t mtimeSeconds = 0;  // last-write time (seconds part)
    std::int64_t mtimeNanoseconds = 0;
    std::int64_t size = 0;  // bytes

    static FileStamp Missing() { return FileStamp{}; }
    // Equal to no stamp that a file can have: a file remembered with it
    // counts as changed at the next look, whatever its stamp is then.
    static FileStamp Unseen() { return FileStamp{false, 0, 0, -1}; }
    static FileStamp Of(std::int64_t sec, std::int64_t nsec, std::int64_t size) {
        return FileStamp{false, sec, nsec, size};
    }

    // Stamps are only ever compared for equality. All missing stamps are equal.
    friend bool operator==(const FileStamp& a, const FileStamp& b) {
        if (a.missing || b.missing) return a.missing == b.missing;
        return a.mtimeSeconds == b.mtimeSeconds && a.mtimeNanoseconds == b.mtimeNanoseconds && a.size == b.size;
    }
};

}  // namespace chatkeeper
