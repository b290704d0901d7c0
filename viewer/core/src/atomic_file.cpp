#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <random>

namespace chatscope::detail {

std::string ReplacementTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

TempFile::~TempFile() { Discard(); }

bool TempFile::Open(int fd, const std::string& path) {
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    path_ = path;
    return true;
}

namespace {

// Every temporary file is new: never a file or link that was there before.
// 0666 so the umask decides, as for any new file.
int CreateExclusive(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

std::string FolderPrefix(const std::string& target) {
    const std::size_t slash = target.find_last_of('/');
    return slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
}

}  // namespace

bool TempFile::CreateUnique(const std::string& target) {
    Discard();
    static std::atomic<unsigned> counter{0};
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device rd;
    std::minstd_rand rng(rd() ^ (static_cast<unsigned>(::getpid()) << 8) ^ counter++);
    // The name's length does not depend on the target's, so a target with the
    // longest name the folder allows still gets a temporary file beside it.
    const std::string prefix = FolderPrefix(target) + "chatscope.";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix;
        for (int i = 0; i < 8; ++i) candidate += kChars[rng() % (sizeof kChars - 1)];
        candidate += ".tmp";
        const int fd = CreateExclusive(candidate);
        if (fd >= 0) return Open(fd, candidate);
        if (errno != EEXIST) return false;
    }
    return false;
}

bool TempFile::CreateAt(const std::string& tempPath) {
    Discard();
    // Whatever has the name goes first; removing a link leaves its target alone.
    if (::unlink(tempPath.c_str()) != 0 && errno != ENOENT) return false;
    const int fd = CreateExclusive(tempPath);
    if (fd < 0) return false;
    return Open(fd, tempPath);
}

bool TempFile::Commit(const std::string& target, Mode mode) {
    if (!file_) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    const int fd = ::fileno(file_);
    struct stat old;
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (ok && hadOld) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok && mode == Mode::Durable) ok = ::fsync(fd) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (ok && closed && ::rename(path_.c_str(), target.c_str()) == 0) {
        path_.clear();
        return true;
    }
    ::unlink(path_.c_str());
    path_.clear();
    return false;
}

void TempFile::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!path_.empty()) {
        ::unlink(path_.c_str());
        path_.clear();
    }
}

}  // namespace chatscope::detail
