#include "fileio/atomic_replace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace chatlog::fileio {

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

bool Replacement::Begin(const std::string& target) {
    // The process id and a count: no other process or replacement of this one
    // uses the name, so what has it is a leftover of a process that ended.
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target);
    const std::string name = "chatlog-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
    return Begin(target, (folder == "/" ? folder : folder + "/") + name);
}

bool Replacement::Begin(const std::string& target, const std::string& tempPath) {
    Discard();
    if (target.empty()) return false;
    // 0666 so the umask decides, as for any new file.
    fd_.Reset(CreateExclusive(tempPath, 0666));
    if (!fd_.valid()) return false;
    target_ = target;
    temp_ = tempPath;
    return true;
}

std::FILE* Replacement::Stream() {
    if (!stream_ && fd_.valid()) stream_ = ::fdopen(fd_.get(), "wb");
    return stream_;
}

bool Replacement::Write(std::string_view bytes) {
    if (stream_) return std::fwrite(bytes.data(), 1, bytes.size(), stream_) == bytes.size();
    return fd_.valid() && WriteAll(fd_.get(), bytes.data(), bytes.size());
}

bool Replacement::Commit(Durability durability) {
    if (!fd_.valid()) return false;
    bool ok = !stream_ || (std::fflush(stream_) == 0 && !std::ferror(stream_));
    // A file that is replaced keeps its permission bits; a new one gets 0666
    // less the umask.
    struct stat old;
    if (ok && ::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ok = ::fchmod(fd_.get(), old.st_mode & 07777) == 0;
    if (ok && durability == Durability::Durable) ok = SyncFd(fd_.get());
    bool closed;
    if (stream_) {
        closed = std::fclose(stream_) == 0;
        stream_ = nullptr;
        fd_.Release();
    } else {
        closed = fd_.Close();
    }
    if (!ok || !closed || ::rename(temp_.c_str(), target_.c_str()) != 0) {
        Discard();
        return false;
    }
    temp_.clear();
    if (durability == Durability::Durable) SyncFolderOf(target_);  // makes the rename itself durable
    return true;
}

void Replacement::Discard() {
    if (stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
        fd_.Release();
    }
    fd_.Reset();
    if (!temp_.empty()) {
        const int saved = errno;
        ::unlink(temp_.c_str());
        errno = saved;
        temp_.clear();
    }
}

bool ReplaceFile(const std::string& target, std::string_view bytes, Durability durability) {
    Replacement replacement;
    return replacement.Begin(target) && replacement.Write(bytes) && replacement.Commit(durability);
}

}  // namespace chatlog::fileio
