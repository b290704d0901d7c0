#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <utility>

#include "chatkeeper/file_system.h"
#include "fileio/posix_io.h"

namespace chatkeeper {
namespace {

using chatlog::fileio::UniqueFd;

FileIdentity IdentityOf(const struct stat& st) {
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

class PosixReadableFile final : public ReadableFile {
public:
    PosixReadableFile(UniqueFd fd, FileIdentity id) : fd_(std::move(fd)), id_(id) {}

    std::int64_t Read(char* buffer, std::size_t n) override { return chatlog::fileio::ReadSome(fd_.get(), buffer, n); }
    FileIdentity Identity() const override { return id_; }

private:
    UniqueFd fd_;
    FileIdentity id_;
};

class PosixAppendableFile final : public AppendableFile {
public:
    PosixAppendableFile(UniqueFd fd, FileIdentity id) : fd_(std::move(fd)), id_(id) {}

    bool Write(const char* data, std::size_t n) override { return chatlog::fileio::WriteAll(fd_.get(), data, n); }
    bool Sync() override { return chatlog::fileio::SyncFd(fd_.get()); }
    std::int64_t Length() const override {
        struct stat st {};
        if (::fstat(fd_.get(), &st) != 0) return -1;
        return st.st_size;
    }
    bool TruncateTo(std::int64_t length) override { return chatlog::fileio::TruncateFd(fd_.get(), length) && Sync(); }
    FileIdentity Identity() const override { return id_; }

private:
    UniqueFd fd_;
    FileIdentity id_;
};

// Opens a regular file (anything else is refused) with blocking reads and writes;
// owns nothing on failure. O_NONBLOCK only guards the open itself against FIFOs.
UniqueFd OpenRegularFile(const std::string& path, int flags, struct stat& st) {
    if (path.empty()) return UniqueFd();
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666));
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return UniqueFd();
    const int current = ::fcntl(fd.get(), F_GETFL);
    if (current >= 0) ::fcntl(fd.get(), F_SETFL, current & ~O_NONBLOCK);
    return fd;
}

}  // namespace

FileStamp PosixFileSystem::Stamp(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return FileStamp::Missing();
    }
    return FileStamp::Of(st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_size);
}

std::int64_t PosixFileSystem::FileSize(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}

std::unique_ptr<ReadableFile> PosixFileSystem::OpenRead(const std::string& path) {
    struct stat st {};
    UniqueFd fd = OpenRegularFile(path, O_RDONLY, st);
    if (!fd.valid()) return nullptr;
    return std::make_unique<PosixReadableFile>(std::move(fd), IdentityOf(st));
}

std::unique_ptr<AppendableFile> PosixFileSystem::OpenAppend(const std::string& path) {
    struct stat st {};
    UniqueFd fd = OpenRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, st);
    if (!fd.valid()) return nullptr;
    return std::make_unique<PosixAppendableFile>(std::move(fd), IdentityOf(st));
}

bool PosixFileSystem::UndoAppend(const std::string& path, std::int64_t length, std::int64_t appended) {
    if (path.empty() || length < -1 || appended < 0) return false;
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0) return errno == ENOENT;
    if (!S_ISREG(named.st_mode)) return false;
    const UniqueFd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || !(IdentityOf(st) == IdentityOf(named))) {
        return false;
    }
    const std::int64_t base = length < 0 ? 0 : length;
    if (st.st_size < base || st.st_size - base > appended) return false;
    if (st.st_size != base) {
        if (!chatlog::fileio::TruncateFd(fd.get(), base) || !chatlog::fileio::SyncFd(fd.get())) return false;
    }
    if (length >= 0) return true;
    // Created by the append: remove it, as long as the name still names it.
    if (::lstat(path.c_str(), &named) != 0 || !(IdentityOf(named) == IdentityOf(st))) return false;
    if (::unlink(path.c_str()) != 0) return false;
    chatlog::fileio::SyncFolderOf(path);
    return true;
}

bool PosixFileSystem::CreateFolders(const std::string& path) {
    if (path.empty()) return false;
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && part.back() != '/' && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace chatkeeper
