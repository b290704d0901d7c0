#include "fileio/posix_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace chatlog::fileio {

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0 && fd_ != fd) ::close(fd_);
    fd_ = fd;
}

bool UniqueFd::Close() {
    if (fd_ < 0) return true;
    const int fd = Release();
    return ::close(fd) == 0;
}

std::int64_t ReadSome(int fd, void* buffer, std::size_t n) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, n);
        if (got >= 0) return got;
        if (errno != EINTR) return -1;
    }
}

std::int64_t ReadFull(int fd, void* buffer, std::size_t n) {
    char* p = static_cast<char*>(buffer);
    std::size_t have = 0;
    while (have < n) {
        const std::int64_t got = ReadSome(fd, p + have, n - have);
        if (got < 0) return -1;
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(have);
}

std::int64_t ReadFullAt(int fd, void* buffer, std::size_t n, std::int64_t offset) {
    char* p = static_cast<char*>(buffer);
    std::size_t have = 0;
    while (have < n) {
        const ssize_t got = ::pread(fd, p + have, n - have, static_cast<off_t>(offset) + static_cast<off_t>(have));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(have);
}

bool WriteAll(int fd, const void* data, std::size_t n) {
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

bool SyncFd(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool TruncateFd(int fd, std::int64_t length) {
    while (::ftruncate(fd, static_cast<off_t>(length)) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolderOf(const std::string& path) {
    const UniqueFd fd(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) SyncFd(fd.get());
}

int CreateExclusive(const std::string& path, mode_t mode) {
    if (path.empty()) return -1;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return -1;
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

}  // namespace chatlog::fileio
