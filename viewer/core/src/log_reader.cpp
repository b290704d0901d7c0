// The reading pass over a chat log file, and following a file as it grows.
#include "chatscope/log_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "block_scanner.h"
#include "chatscope/classify.h"
#include "classify_table.h"
#include "count_record.h"
#include "fileio/posix_io.h"
#include "record_prefix.h"

namespace chatscope {
namespace {

using Fd = chatlog::fileio::UniqueFd;

// Opens a regular file for reading without blocking on a FIFO or a device; -1
// when it cannot be opened or is something else. `st` gets its status.
int OpenLogFile(const std::string& path, struct stat& st) {
    if (path.empty()) return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One pass: counts, classifies and filters the lines of the scanner and hands
// the shown records to the sink. Lives for one call only.
class Pass {
public:
    Pass(RecordSink* sink, const PassFilter& filter, LogStatistics& stats, FollowPoint& follow)
        : sink_(sink), filter_(filter), stats_(stats), follow_(follow) {}

    // Reads from `from` to the end of the file; returns the non-empty lines read.
    std::int64_t Run(int fd, detail::ReadPosition from, std::size_t chunkBytes) {
        detail::BlockScanner scanner(fd, from, chunkBytes == 0 ? 1 : chunkBytes);
        return Run(scanner);
    }

    std::int64_t Run(detail::BlockScanner& scanner) {
        const auto onLine = [this](std::string_view line, bool ended) {
            if (ended) [[likely]]
                Dispatch(line);
            else
                DispatchOpenLine(line);
        };
        const detail::PassEnd pass = scanner.Run(onLine);
        follow_.resumeOffset = pass.resume.offset;
        follow_.resumeLine = pass.resume.line;
        follow_.endOffset = pass.end;
        return pass.lines;
    }

private:
    // True when handed to the sink.
    bool Dispatch(std::string_view keptLine) {
        const std::optional<LogRecord> rec = detail::ParseRecordPrefix(keptLine);
        if (!rec || sink_ == nullptr) return false;
        // Without statistics and with nothing hidden, what kind a record is does not matter.
        if (filter_.countStatistics || filter_.filterWord != 0) {
            const int category = detail::Classify(rec->typeCode, rec->text, filter_.users);
            if (filter_.countStatistics) detail::CountClassifiedRecord(stats_, rec->typeCode, rec->text, category);
            if (IsHidden(category, filter_.filterWord)) return false;
        }
        sink_->Put(rec->typeCode, rec->colourWord, rec->text, rec->indent);
        return true;
    }

    void DispatchOpenLine(std::string_view keptLine) {
        follow_.openLine = true;
        follow_.openLineCounted = sink_ != nullptr;
        if (follow_.openLineCounted) follow_.openLineMark = MarkStatistics(stats_);
        follow_.openLineShown = Dispatch(keptLine);
    }

    RecordSink* const sink_;
    const PassFilter& filter_;
    LogStatistics& stats_;
    FollowPoint& follow_;
};

// True when the open file starts with a chat log header (word 0 of 50 is 0).
bool HasLogHeader(int fd) {
    unsigned char raw[kBlockHeaderBytes];
    const std::int64_t got = chatlog::fileio::ReadFullAt(fd, raw, sizeof raw, 0);
    return got == static_cast<std::int64_t>(sizeof raw) && raw[0] == 0 && raw[1] == 0;
}

}  // namespace

std::optional<LogHeader> ReadLogHeader(const std::string& path) {
    struct stat st;
    const Fd fd(OpenLogFile(path, st));
    if (fd.get() < 0) return std::nullopt;
    unsigned char raw[kBlockHeaderBytes];
    const std::int64_t got = chatlog::fileio::ReadFull(fd.get(), raw, sizeof raw);
    if (got < 0 || static_cast<std::size_t>(got) / 2 != static_cast<std::size_t>(kHeaderWords)) return std::nullopt;
    LogHeader header;
    for (std::size_t i = 0; i < header.size(); ++i)
        header[i] = static_cast<std::uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    if (header[0] != 0) return std::nullopt;
    return header;
}

PassResult ReadLog(const std::string& path, RecordSink* sink, const PassFilter& filter, std::size_t chunkBytes) {
    PassResult result;
    struct stat st;
    const Fd fd(OpenLogFile(path, st));
    if (fd.get() < 0) return result;
    result.opened = true;
    result.allLines = Pass(sink, filter, result.stats, result.follow).Run(fd.get(), {0, kLinesPerBlock}, chunkBytes);
    result.follow.followable = true;
    result.follow.device = static_cast<std::uint64_t>(st.st_dev);
    result.follow.inode = static_cast<std::uint64_t>(st.st_ino);
    return result;
}

PassResult ReadLogs(const std::vector<std::string>& paths, RecordSink* sink, const PassFilter& filter,
                    std::size_t chunkBytes) {
    PassResult result;
    std::size_t index = 0;
    Fd current(-1);
    struct stat st {};
    std::int64_t lastStart = -1;  // where the last file begins in the whole, once it is read
    auto next = [&](std::int64_t startOffset, std::int64_t& limit) -> int {
        while (index < paths.size()) {
            const std::string& path = paths[index++];
            current.Reset(OpenLogFile(path, st));
            if (current.get() < 0 || !HasLogHeader(current.get())) {
                current.Reset(-1);
                result.skipped.push_back(path);
                continue;
            }
            result.opened = true;
            if (index < paths.size())
                limit = static_cast<std::int64_t>(st.st_size);
            else
                lastStart = startOffset;
            return current.get();
        }
        return -1;
    };
    detail::BlockScanner scanner(next, chunkBytes == 0 ? 1 : chunkBytes);
    result.allLines = Pass(sink, filter, result.stats, result.follow).Run(scanner);
    FollowPoint& at = result.follow;
    if (lastStart >= 0 && at.resumeOffset >= lastStart) {
        at.followable = true;
        at.device = static_cast<std::uint64_t>(st.st_dev);
        at.inode = static_cast<std::uint64_t>(st.st_ino);
        at.resumeOffset -= lastStart;
        at.endOffset -= lastStart;
    }
    return result;
}

PassResult ReadLog(int fd, RecordSink* sink, const PassFilter& filter, std::size_t chunkBytes) {
    PassResult result;
    result.opened = true;
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    const std::int64_t from = at < 0 ? 0 : static_cast<std::int64_t>(at);
    result.allLines = Pass(sink, filter, result.stats, result.follow).Run(fd, {from, kLinesPerBlock}, chunkBytes);
    return result;
}

FollowResult ReadAppended(const std::string& path, RetractableSink* sink, const PassFilter& filter,
                          PassResult& followed, std::size_t chunkBytes) {
    FollowPoint& at = followed.follow;
    if (!at.followable) return FollowResult::ReloadNeeded;
    struct stat st;
    const Fd fd(OpenLogFile(path, st));
    if (fd.get() < 0 || static_cast<std::uint64_t>(st.st_dev) != at.device ||
        static_cast<std::uint64_t>(st.st_ino) != at.inode || static_cast<std::int64_t>(st.st_size) < at.endOffset)
        return FollowResult::ReloadNeeded;
    if (static_cast<std::int64_t>(st.st_size) == at.endOffset) return FollowResult::Unchanged;
    if (::lseek(fd.get(), static_cast<off_t>(at.resumeOffset), SEEK_SET) < 0) return FollowResult::ReloadNeeded;

    // The line the last pass ended inside of is read again from its start.
    if (at.openLine) {
        --followed.allLines;
        if (at.openLineCounted) UndoToMark(followed.stats, at.openLineMark);
        if (at.openLineShown) sink->RetractLast();
        at.openLine = false;
    }
    at.followable = false;  // stays so if the pass throws
    followed.allLines +=
        Pass(sink, filter, followed.stats, at).Run(fd.get(), {at.resumeOffset, at.resumeLine}, chunkBytes);
    at.followable = true;
    return FollowResult::Appended;
}

}  // namespace chatscope
