#include "chatkeeper/capture_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileio/posix_io.h"

namespace chatkeeper {
namespace {

namespace fileio = chatlog::fileio;

// A whole record is a few hundred bytes plus two paths.
constexpr std::size_t kMaxRecordBytes = 64 * 1024;

}  // namespace

bool FileCaptureJournal::Record(const CaptureIntent& intent) {
    const std::string text = EncodeCaptureIntent(intent);
    // Written in place, not replaced: a record cut short by a crash never
    // decodes, and no intent at all is what an empty journal says anyway.
    fileio::UniqueFd fd(fileio::CreateExclusive(path_, 0600));
    if (!fd.valid()) return false;
    const bool written = fileio::WriteAll(fd.get(), text.data(), text.size()) && fileio::SyncFd(fd.get());
    if (!fd.Close() || !written) {
        ::unlink(path_.c_str());
        return false;
    }
    fileio::SyncFolderOf(path_);
    return true;
}

void FileCaptureJournal::Clear() {
    if (path_.empty()) return;
    if (::unlink(path_.c_str()) == 0) fileio::SyncFolderOf(path_);
}

std::optional<CaptureIntent> FileCaptureJournal::Pending() {
    if (path_.empty()) return std::nullopt;
    const fileio::UniqueFd fd(::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return std::nullopt;
    struct stat st {};
    std::string text;
    if (::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        static_cast<std::size_t>(st.st_size) <= kMaxRecordBytes) {
        text.resize(static_cast<std::size_t>(st.st_size));
        const std::int64_t got = fileio::ReadFull(fd.get(), text.data(), text.size());
        text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    }
    return DecodeCaptureIntent(text);
}

}  // namespace chatkeeper
