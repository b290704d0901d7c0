#include "chatscope/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace chatscope {

std::FILE* OpenRegularFile(const std::string& path, FileState* state) {
    FileState ignored;
    FileState& result = state ? *state : ignored;
    result = FileState::CannotOpen;
    // O_NONBLOCK: opening a FIFO with no writer returns at once instead of waiting.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // A socket cannot be opened at all; it is still not a regular file.
        if (errno == ENXIO) result = FileState::NotARegularFile;
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        result = FileState::NotARegularFile;
        errno = EINVAL;
        return nullptr;
    }
    // Reads of a regular file never block; the flag goes for good measure.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    result = FileState::Opened;
    return f;
}

bool IsSpecialFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

}  // namespace chatscope
