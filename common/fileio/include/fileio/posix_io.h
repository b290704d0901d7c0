// The descriptor and system-call plumbing of both programs: a descriptor
// closed with its owner, reads and writes that resume after interruptions,
// and making a file or a folder entry durable.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace chatlog::fileio {

// A descriptor closed when its owner goes; -1 owns nothing.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes the descriptor held (if any) and owns `fd` instead.
    void Reset(int fd = -1);
    // Closes the descriptor now; false when close reports an error (a write
    // that failed late). Owns nothing afterwards.
    bool Close();

private:
    int fd_ = -1;
};

// One read of up to n bytes, resumed after an interruption: the count read,
// 0 at the end, -1 on an error.
std::int64_t ReadSome(int fd, void* buffer, std::size_t n);

// Reads until n bytes are in or the file ends: the count read, or -1 on an
// error.
std::int64_t ReadFull(int fd, void* buffer, std::size_t n);

// ReadFull at file offset `offset`, leaving the descriptor's position alone.
std::int64_t ReadFullAt(int fd, void* buffer, std::size_t n, std::int64_t offset);

// Writes all n bytes, resuming after interruptions and short writes.
bool WriteAll(int fd, const void* data, std::size_t n);

// fsync, resumed after an interruption.
bool SyncFd(int fd);

// ftruncate, resumed after an interruption.
bool TruncateFd(int fd, std::int64_t length);

// The folder part of a path: "." when it has none, "/" for a file in the root.
std::string FolderOf(const std::string& path);

// Makes a creation, rename or removal in the folder of `path` durable.
void SyncFolderOf(const std::string& path);

// Creates `path` afresh for writing: whatever entry has that name is removed
// first (removing a link never touches its target), then the file is created
// exclusively, never through a link. -1 on failure.
int CreateExclusive(const std::string& path, mode_t mode);

}  // namespace chatlog::fileio
