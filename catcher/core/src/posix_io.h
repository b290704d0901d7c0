// Small POSIX helpers shared by the file system, the settings file and the
// capture journal.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstddef>
#include <string>

namespace chatkeeper::detail {

// Writes all n bytes, resuming after interruptions and short writes.
inline bool WriteAll(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t put = ::write(fd, p, n);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (put == 0) return false;
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

inline bool SyncFd(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// The folder part of a path ("." when it has none).
inline std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a creation, rename or removal in the folder of path durable.
inline void SyncFolderOf(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    SyncFd(fd);
    ::close(fd);
}

// Creates path afresh for writing: whatever entry has that name is removed
// first (removing a link never touches its target), then the file is created
// exclusively, never through a link. -1 on failure.
inline int CreateExclusive(const std::string& path, mode_t mode) {
    if (path.empty()) return -1;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return -1;
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

}  // namespace chatkeeper::detail
