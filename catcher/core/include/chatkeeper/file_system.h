// What the capture engine does to files, behind an interface so that tests
// can inject faults. PosixFileSystem is the real implementation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "chatkeeper/file_stamp.h"

namespace chatkeeper {

// Identity of an open file (device + inode).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// A game log file opened for reading.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // Reads up to n bytes; returns the count read, 0 at the end, -1 on error.
    virtual std::int64_t Read(char* buffer, std::size_t n) = 0;
    virtual FileIdentity Identity() const = 0;
};

// An archive file opened for appending. Appends go to the end of the file.
class AppendableFile {
public:
    virtual ~AppendableFile() = default;
    // Writes all n bytes; false on any error (part of them may have been written).
    virtual bool Write(const char* data, std::size_t n) = 0;
    // Flushes the written data to the disk.
    virtual bool Sync() = 0;
    // Current length of the file in bytes, -1 on error.
    virtual std::int64_t Length() const = 0;
    // Cuts the file back to the given length (and flushes), false on error.
    virtual bool TruncateTo(std::int64_t length) = 0;
    virtual FileIdentity Identity() const = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Stamp of a path, taken afresh; Missing() for a missing path or a folder.
    virtual FileStamp Stamp(const std::string& path) = 0;
    // Size of a regular file in bytes, -1 when it cannot be found or is a folder.
    virtual std::int64_t FileSize(const std::string& path) = 0;
    // Opens a regular file for reading; nullptr on failure.
    virtual std::unique_ptr<ReadableFile> OpenRead(const std::string& path) = 0;
    // Opens a regular file for appending, creating it when absent (never any
    // folder); nullptr on failure (missing folder, path names a folder, ...).
    virtual std::unique_ptr<AppendableFile> OpenAppend(const std::string& path) = 0;
    // Puts a file back as it was before an append of at most `appended`
    // bytes: cut back to `length` bytes, or removed when length is -1 (the
    // append created it). Only a regular file is touched, never through a
    // link, and only when its length lies between length and length +
    // appended. True when the file is now as it was (also when it is gone).
    virtual bool UndoAppend(const std::string& path, std::int64_t length, std::int64_t appended) = 0;
    // Creates a folder and its missing parents (owner only); true when it is
    // a folder now. None by default.
    virtual bool CreateFolders(const std::string& path) {
        (void)path;
        return false;
    }
};

// stat/open/read/write/fsync/ftruncate.
class PosixFileSystem final : public FileSystem {
public:
    FileStamp Stamp(const std::string& path) override;
    std::int64_t FileSize(const std::string& path) override;
    std::unique_ptr<ReadableFile> OpenRead(const std::string& path) override;
    std::unique_ptr<AppendableFile> OpenAppend(const std::string& path) override;
    bool UndoAppend(const std::string& path, std::int64_t length, std::int64_t appended) override;
    bool CreateFolders(const std::string& path) override;
};

}  // namespace chatkeeper
