// Replacing a file without a moment in which it is missing or half written,
// one way for every file both programs replace: a new temporary file beside
// it (whatever had the temporary's name removed first, then created with
// O_CREAT|O_EXCL|O_NOFOLLOW), written, flushed to the disk, given the old
// file's permission bits, renamed over the old file, and the folder flushed.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "fileio/posix_io.h"

namespace chatlog::fileio {

// The file a replacement must land on: the target of a symbolic link (so the
// link survives), otherwise the path itself.
std::string ReplacementTarget(const std::string& path);

enum class Durability {
    // Synced to disk, then renamed, then the folder synced: there is never a
    // moment without a complete file. For settings and saved documents.
    Durable,
    // Not synced: the rename still never shows a half-written file, but after
    // a system crash the file may be empty. For large exports that can be
    // made again.
    Fast,
};

// A replacement under way; its temporary file is removed again unless
// Commit() succeeded.
class Replacement {
public:
    Replacement() = default;
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;
    ~Replacement() { Discard(); }

    // Starts replacing `target` through a temporary file in its folder whose
    // name has a fixed length (so a target with the longest name a folder
    // allows has one too) and is this process's own.
    bool Begin(const std::string& target);
    // The same through the temporary file `tempPath`.
    bool Begin(const std::string& target, const std::string& tempPath);

    int fd() const { return fd_.get(); }
    // A stdio stream on the temporary file, made on the first call and owned
    // here; nullptr before Begin() or when it cannot be made.
    std::FILE* Stream();
    // Writes all the bytes (through the stream once there is one).
    bool Write(std::string_view bytes);
    const std::string& tempPath() const { return temp_; }

    // Flushes and closes the temporary file, gives it the permission bits of
    // the regular file it replaces, and renames it over `target`. False
    // (temporary removed, old file untouched) on any error.
    bool Commit(Durability durability = Durability::Durable);
    // Closes and removes the temporary file.
    void Discard();

private:
    UniqueFd fd_;
    std::FILE* stream_ = nullptr;
    std::string target_;
    std::string temp_;
};

// Replaces `target` with `bytes` in one go.
bool ReplaceFile(const std::string& target, std::string_view bytes, Durability durability = Durability::Durable);

}  // namespace chatlog::fileio
