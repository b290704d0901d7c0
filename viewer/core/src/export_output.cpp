#include "export_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace chatscope::detail {

ExportOutput::~ExportOutput() {
    if (stream_ && ownsStream_) std::fclose(stream_);
}

bool ExportOutput::Open(const std::string& outPath) {
    struct stat st;
    if (::stat(outPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        const int fd = ::open(outPath.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return false;
        struct stat opened;
        if (::fstat(fd, &opened) == 0 && !S_ISREG(opened.st_mode)) {
            stream_ = ::fdopen(fd, "wb");
            if (!stream_) {
                const int error = errno;
                ::close(fd);
                errno = error;
                return false;
            }
            ownsStream_ = true;
            return true;
        }
        // Replaced by a regular file in the meantime: that one is replaced whole.
        ::close(fd);
    }
    if (!temp_.Begin(chatlog::fileio::ReplacementTarget(outPath))) return false;
    tempStream_ = temp_.Stream();
    return tempStream_ != nullptr;
}

void ExportOutput::Borrow(std::FILE* stream) {
    stream_ = stream;
    ownsStream_ = false;
}

bool ExportOutput::Is(const struct stat& st) const {
    std::FILE* f = file();
    struct stat mine;
    return f && ::fstat(::fileno(f), &mine) == 0 && mine.st_dev == st.st_dev && mine.st_ino == st.st_ino;
}

bool ExportOutput::Commit() {
    if (!stream_) {
        // An export is as large as the log and can always be made again: no wait
        // on the disk (see Durability::Fast); the rename still never shows a half-written file.
        tempStream_ = nullptr;
        return temp_.Commit(chatlog::fileio::Durability::Fast);
    }
    bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
    if (ownsStream_) ok = std::fclose(stream_) == 0 && ok;
    stream_ = nullptr;
    return ok;
}

}  // namespace chatscope::detail
