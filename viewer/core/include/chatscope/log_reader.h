// The reading pass: a chat log file becomes records, each counted, classified,
// filtered and handed to the installed sink.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "chatscope/log_format.h"
#include "chatscope/record_sink.h"
#include "chatscope/statistics.h"
#include "chatscope/user_list.h"
#include "chatscope/viewer_settings.h"

namespace chatscope {

// What the window does at the end of a pass that opened its file.
struct PassCallbacks {
    std::function<void(const std::string&)> setChannelCountText;  // "Say:..., All:..." status text
    std::function<void(const std::string&)> setExperienceText;    // experience status text
    std::function<void()> refreshStatistics;
};

// The outcome of LogReader::ReadAppended.
enum class FollowResult {
    Unchanged,     // the file has not grown: nothing was read, nothing ran
    Appended,      // the appended bytes were read: sink, statistics and callbacks updated
    ReloadNeeded,  // see ReadAppended: nothing was changed; load the file again from the start
};

class LogReader {
public:
    LogReader(LogStatistics& stats, const ViewerSettings& settings, const UserList& users);

    void SetPassCallbacks(PassCallbacks callbacks) { callbacks_ = std::move(callbacks); }

    // True when the file is a regular file that opens and whose first 100 bytes
    // read as 50 words, word 0 being 0. A FIFO or device is refused unread.
    bool CheckLogHeader(const std::string& path);

    // Reads the whole file, block by block, to its true end; returns the number of
    // non-empty lines (All). Installs `sink`; a file that cannot be opened, or that is
    // not a regular file, returns 0 and runs no end-of-pass callback. Does not check
    // the header or reset statistics. The pass can be followed with ReadAppended.
    std::int64_t ReadLog(const std::string& path, RecordSink* sink);
    // The same pass over a file descriptor, from its current position to its end;
    // the descriptor is left open. The end-of-pass callbacks run. Not followable.
    std::int64_t ReadLog(int fd, RecordSink* sink);

    // Following a file that grows.
    //
    // After ReadLog(path, sink), ReadAppended(sink) reads only what was appended to
    // the file since the last pass (ReadLog or ReadAppended), so its cost is the size
    // of the appended bytes. Afterwards the records handed to the sink over all these
    // passes, the statistics, the status texts and the All count (AllLines()) are
    // exactly those of a full ReadLog of the file as it is now, with the same sink
    // object, filter word and user list as the full pass (after a change of those,
    // load the file again).
    //
    // A pass ends at the end of the file, also inside a line or a block: it hands
    // that last line on as it stands, as a full pass does. The next ReadAppended
    // first takes that line back (sink->RetractLast() when it was handed to the sink,
    // its statistics and its count in All) and reads it again from its start; whole
    // lines and block headers are never read twice.
    //
    // Gives Unchanged when the file has the size of the last pass. Gives ReloadNeeded,
    // changing nothing, when the file shrank, when the path now names another file
    // (device or inode differ) or no regular file, when it cannot be opened, when no
    // ReadLog(path) came before, or when the last pass ended with an exception. On
    // Appended the end-of-pass callbacks have run with the new totals. A file that is
    // rewritten in place to the same size or larger goes unnoticed.
    FollowResult ReadAppended(RetractableSink* sink);

    // Non-empty lines read by the passes over the present file (the All count).
    std::int64_t AllLines() const { return total_; }

    // Size of the reads the pass makes (256 KiB unless changed; at least 1 byte).
    void SetReadChunkBytes(std::size_t bytes) { chunkBytes_ = bytes == 0 ? 1 : bytes; }

    // One non-empty kept line: count, classify, filter, hand to the sink. With no
    // sink installed the line is ignored altogether (not counted either).
    void ParseRecord(std::string_view keptLine) { Dispatch(keptLine); }

    LogStatistics& Statistics() { return stats_; }
    const std::array<std::uint16_t, kHeaderWords>& HeaderBuffer() const { return header_; }
    RecordSink* InstalledSink() const { return sink_; }

private:
    bool Dispatch(std::string_view keptLine);  // true when handed to the sink
    void DispatchOpenLine(std::string_view keptLine);
    std::int64_t Pass(int fd, std::int64_t offset, int nextLine);
    void EndOfPass();

    LogStatistics& stats_;
    const ViewerSettings& settings_;
    const UserList& users_;
    PassCallbacks callbacks_;
    RecordSink* sink_ = nullptr;
    std::array<std::uint16_t, kHeaderWords> header_{};
    std::size_t chunkBytes_ = std::size_t{256} << 10;
    std::int64_t total_ = 0;
    // Where the last pass over a path stopped; empty path: nothing to follow.
    std::string followPath_;
    std::uint64_t device_ = 0, inode_ = 0;
    std::int64_t resumeOffset_ = 0;  // after the last whole header or NUL-ended line
    int resumeLine_ = 0;             // the block's next line there (kLinesPerBlock: a header)
    std::int64_t endOffset_ = 0;     // the file's size at the end of the pass
    // The last line handed on, when the file ended inside it.
    bool openLine_ = false;
    bool openLineShown_ = false;    // it reached the sink
    bool openLineCounted_ = false;  // it was counted into the statistics
    StatisticsMark openLineMark_;   // the statistics before it
};

// "Say:%d, Tell:%d, ..., All:%d" (ASCII).
std::string FormatCountsText(const LogStatistics& stats, std::int64_t allLines);
// "取得経験値:%d" as Shift-JIS bytes.
std::string FormatExpText(const LogStatistics& stats);

}  // namespace chatscope
