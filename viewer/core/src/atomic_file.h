// Replacing a file without a moment in which it is missing or half written:
// write a temporary file beside it, flush it to disk, rename it over the old one.
#pragma once

#include <cstdio>
#include <string>

namespace chatscope::detail {

// The file a replacement must land on: the target of a symbolic link (so the
// link survives), otherwise the path itself.
std::string ReplacementTarget(const std::string& path);

// An open temporary file; removed again unless Commit() succeeded.
class TempFile {
public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    // Creates a new file with a unique name of fixed length in `target`'s folder.
    bool CreateUnique(const std::string& target);
    // Creates a new file at exactly `tempPath`, removing whatever entry had
    // that name before (a link is removed, never followed).
    bool CreateAt(const std::string& tempPath);

    std::FILE* file() const { return file_; }
    const std::string& path() const { return path_; }

    enum class Mode {
        // Synced to disk, then renamed over the old file: there is never a
        // moment without a complete file. For settings.
        Durable,
        // Not synced: the rename still never shows a half-written file, but
        // after a system crash the file may be empty. For large exports that
        // can be made again.
        Fast,
    };
    // Flushes and closes the file, then renames it to `target`, taking over
    // the old file's permission bits. False (temporary removed) on any error.
    bool Commit(const std::string& target, Mode mode = Mode::Durable);
    // Closes and removes the temporary file.
    void Discard();

private:
    bool Open(int fd, const std::string& path);
    std::FILE* file_ = nullptr;
    std::string path_;
};

}  // namespace chatscope::detail
