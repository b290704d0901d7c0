#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "chatkeeper/file_system.h"
#include "posix_io.h"

namespace chatkeeper {
namespace {

FileIdentity IdentityOf(const struct stat& st) {
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

class PosixReadableFile final : public ReadableFile {
public:
    PosixReadableFile(int fd, FileIdentity id) : fd_(fd), id_(id) {}

    std::int64_t Read(char* buffer, std::size_t n) override {
        for (;;) {
            ssize_t got = ::read(fd_.get(), buffer, n);
            if (got >= 0) return got;
            if (errno != EINTR) return -1;
        }
    }
    FileIdentity Identity() const override { return id_; }

private:
    FileDescriptor fd_;
    FileIdentity id_;
};

class PosixAppendableFile final : public AppendableFile {
public:
    PosixAppendableFile(int fd, FileIdentity id) : fd_(fd), id_(id) {}

    bool Write(const char* data, std::size_t n) override { return detail::WriteAll(fd_.get(), data, n); }
    bool Sync() override { return detail::SyncFd(fd_.get()); }
    std::int64_t Length() const override {
        struct stat st {};
        if (::fstat(fd_.get(), &st) != 0) return -1;
        return st.st_size;
    }
    bool TruncateTo(std::int64_t length) override {
        while (::ftruncate(fd_.get(), static_cast<off_t>(length)) != 0) {
            if (errno != EINTR) return false;
        }
        return Sync();
    }
    FileIdentity Identity() const override { return id_; }

private:
    FileDescriptor fd_;
    FileIdentity id_;
};

// Opens a regular file (anything else is refused) with blocking reads and writes;
// -1 on failure. O_NONBLOCK only guards the open itself against FIFOs.
int OpenRegularFile(const std::string& path, int flags, struct stat& st) {
    if (path.empty()) return -1;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    const int current = ::fcntl(fd, F_GETFL);
    if (current >= 0) ::fcntl(fd, F_SETFL, current & ~O_NONBLOCK);
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
    const int fd = OpenRegularFile(path, O_RDONLY, st);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixReadableFile>(fd, IdentityOf(st));
}

std::unique_ptr<AppendableFile> PosixFileSystem::OpenAppend(const std::string& path) {
    struct stat st {};
    const int fd = OpenRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, st);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixAppendableFile>(fd, IdentityOf(st));
}

}  // namespace chatkeeper
