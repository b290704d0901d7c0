#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "chatkeeper/file_system.h"

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

    bool Write(const char* data, std::size_t n) override {
        while (n > 0) {
            ssize_t put = ::write(fd_.get(), data, n);
            if (put < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (put == 0) return false;
            data += put;
            n -= static_cast<std::size_t>(put);
        }
        return true;
    }
    bool Sync() override {
        while (::fsync(fd_.get()) != 0) {
            if (errno != EINTR) return false;
        }
        return true;
    }
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
    if (path.empty()) return nullptr;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    // O_NONBLOCK only guards the open against FIFOs; reads are blocking again.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return std::make_unique<PosixReadableFile>(fd, IdentityOf(st));
}

std::unique_ptr<AppendableFile> PosixFileSystem::OpenAppend(const std::string& path) {
    if (path.empty()) return nullptr;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return std::make_unique<PosixAppendableFile>(fd, IdentityOf(st));
}

}  // namespace chatkeeper
