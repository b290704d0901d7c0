// The reading pass over a chat log file, and following a file as it grows.
#include "chatscope/log_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>

#include "block_scanner.h"
#include "chatscope/classify.h"
#include "classify_table.h"
#include "count_record.h"
#include "record_prefix.h"

namespace chatscope {
namespace {

// A descriptor closed with the object.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

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

}  // namespace

LogReader::LogReader(LogStatistics& stats, const ViewerSettings& settings, const UserList& users)
    : stats_(stats), settings_(settings), users_(users) {}

bool LogReader::CheckLogHeader(const std::string& path) {
    struct stat st;
    const Fd fd(OpenLogFile(path, st));
    if (fd.get() < 0) return false;
    unsigned char raw[kBlockHeaderBytes];
    std::size_t got = 0;
    while (got < sizeof raw) {
        const ssize_t n = ::read(fd.get(), raw + got, sizeof raw - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    const std::size_t words = got / 2;
    for (std::size_t i = 0; i < words; ++i) header_[i] = static_cast<std::uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    return words == static_cast<std::size_t>(kHeaderWords) && header_[0] == 0;
}

std::int64_t LogReader::ReadLog(const std::string& path, RecordSink* sink) {
    sink_ = sink;
    followPath_.clear();
    struct stat st;
    const Fd fd(OpenLogFile(path, st));
    if (fd.get() < 0) return 0;
    total_ = 0;
    openLine_ = false;
    Pass(fd.get(), 0, kLinesPerBlock);
    followPath_ = path;
    device_ = static_cast<std::uint64_t>(st.st_dev);
    inode_ = static_cast<std::uint64_t>(st.st_ino);
    EndOfPass();
    return total_;
}

std::int64_t LogReader::ReadLog(int fd, RecordSink* sink) {
    sink_ = sink;
    followPath_.clear();
    total_ = 0;
    openLine_ = false;
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    Pass(fd, at < 0 ? 0 : static_cast<std::int64_t>(at), kLinesPerBlock);
    EndOfPass();
    return total_;
}

FollowResult LogReader::ReadAppended(RetractableSink* sink) {
    if (followPath_.empty()) return FollowResult::ReloadNeeded;
    struct stat st;
    const Fd fd(OpenLogFile(followPath_, st));
    if (fd.get() < 0 || static_cast<std::uint64_t>(st.st_dev) != device_ ||
        static_cast<std::uint64_t>(st.st_ino) != inode_ || static_cast<std::int64_t>(st.st_size) < endOffset_)
        return FollowResult::ReloadNeeded;
    if (static_cast<std::int64_t>(st.st_size) == endOffset_) return FollowResult::Unchanged;
    if (::lseek(fd.get(), static_cast<off_t>(resumeOffset_), SEEK_SET) < 0) return FollowResult::ReloadNeeded;

    // The line the last pass ended inside of is read again from its start.
    if (openLine_) {
        --total_;
        if (openLineCounted_) UndoToMark(stats_, openLineMark_);
        if (openLineShown_) sink->RetractLast();
        openLine_ = false;
    }
    sink_ = sink;
    const std::string path = std::move(followPath_);
    followPath_.clear();  // stays empty if the pass throws
    Pass(fd.get(), resumeOffset_, resumeLine_);
    followPath_ = path;
    EndOfPass();
    return FollowResult::Appended;
}

std::int64_t LogReader::Pass(int fd, std::int64_t offset, int nextLine) {
    const detail::ReadPosition from{offset, nextLine};
    const auto onLine = [this](std::string_view line, bool ended) {
        if (ended) [[likely]]
            Dispatch(line);
        else
            DispatchOpenLine(line);
    };
    detail::BlockScanner scanner(fd, from, chunkBytes_);
    const detail::PassEnd pass = scanner.Run(onLine);
    total_ += pass.lines;
    resumeOffset_ = pass.resume.offset;
    resumeLine_ = pass.resume.line;
    endOffset_ = pass.end;
    return pass.lines;
}

void LogReader::EndOfPass() {
    if (callbacks_.setChannelCountText) callbacks_.setChannelCountText(FormatCountsText(stats_, total_));
    if (callbacks_.setExperienceText) callbacks_.setExperienceText(FormatExpText(stats_));
    if (callbacks_.refreshStatistics) callbacks_.refreshStatistics();
}

bool LogReader::Dispatch(std::string_view keptLine) {
    const std::optional<LogRecord> rec = detail::ParseRecordPrefix(keptLine);
    if (!rec || sink_ == nullptr) return false;
    const int category = detail::Classify(rec->typeCode, rec->text, users_);
    detail::CountClassifiedRecord(stats_, rec->typeCode, rec->text, category);
    if (IsHidden(category, settings_.filterWord())) return false;
    sink_->Put(rec->typeCode, rec->colourWord, rec->text, rec->indent);
    return true;
}

void LogReader::DispatchOpenLine(std::string_view keptLine) {
    openLine_ = true;
    openLineCounted_ = sink_ != nullptr;
    if (openLineCounted_) openLineMark_ = MarkStatistics(stats_);
    openLineShown_ = Dispatch(keptLine);
}

std::string FormatCountsText(const LogStatistics& s, std::int64_t allLines) {
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "Say:%" PRId64 ", Tell:%" PRId64 ", Party:%" PRId64 ", LinkShell:%" PRId64 ", Shout:%" PRId64
                  ", Emote:%" PRId64 ", Drop:%" PRId64 ", Exp:%" PRId64 ", Skill:%" PRId64 ", All:%" PRId64,
                  s[SayLines], s[TellLines], s[PartyLines], s[LinkShellLines], s[ShoutLines], s[EmoteLines],
                  s[DropLines], s[ExpLines], s[SkillLines], allLines);
    return buf;
}

std::string FormatExpText(const LogStatistics& s) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "\x8E\xE6\x93\xBE\x8C\x6F\x8C\xB1\x92\x6C:%" PRId64, s[ExpPoints]);
    return buf;
}

}  // namespace chatscope
