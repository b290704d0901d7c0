// Small POSIX helpers shared by the file system and the settings file.
#pragma once

#include <unistd.h>
#include <cerrno>
#include <cstddef>

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

}  // namespace chatkeeper::detail
