#include "chatkeeper/capture_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "posix_io.h"

namespace chatkeeper {
namespace {

// A whole record is a few hundred bytes plus two paths.
constexpr std::size_t kMaxRecordBytes = 64 * 1024;

}  // namespace

bool FileCaptureJournal::Record(const CaptureIntent& intent) {
    const std::string text = EncodeCaptureIntent(intent);
    const int fd = detail::CreateExclusive(path_, 0600);
    if (fd < 0) return false;
    bool ok = detail::WriteAll(fd, text.data(), text.size()) && detail::SyncFd(fd);
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        ::unlink(path_.c_str());
        return false;
    }
    detail::SyncFolderOf(path_);
    return true;
}

void FileCaptureJournal::Clear() {
    if (path_.empty()) return;
    if (::unlink(path_.c_str()) == 0) detail::SyncFolderOf(path_);
}

std::optional<CaptureIntent> FileCaptureJournal::Pending() {
    if (path_.empty()) return std::nullopt;
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        static_cast<std::size_t>(st.st_size) <= kMaxRecordBytes) {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t have = 0;
        while (have < text.size()) {
            const ssize_t got = ::read(fd, text.data() + have, text.size() - have);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            have += static_cast<std::size_t>(got);
        }
        text.resize(have);
    }
    ::close(fd);
    return DecodeCaptureIntent(text);
}

}  // namespace chatkeeper
