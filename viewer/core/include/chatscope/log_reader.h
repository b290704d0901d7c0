// The reading pass: a chat log file becomes records, each counted, classified,
// filtered and handed to the installed sink.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
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

class LogReader {
public:
    LogReader(LogStatistics& stats, const ViewerSettings& settings, const UserList& users);

    void SetPassCallbacks(PassCallbacks callbacks) { callbacks_ = std::move(callbacks); }

    // True when the file is a regular file that opens and whose first 100 bytes
    // read as 50 words, word 0 being 0. A FIFO or device is refused unread.
    bool CheckLogHeader(const std::string& path);

    // Reads the whole file, block by block, to its true end; returns the number of
    // non-empty lines (All). Installs `sink`; a file that cannot be opened (or is
    // not a regular file) returns 0
    // and runs no end-of-pass callback. Does not check the header or reset statistics.
    std::int64_t ReadLog(const std::string& path, RecordSink* sink);
    // The same pass over a stream that is already open, from its current position;
    // the stream is left open. The end-of-pass callbacks run.
    std::int64_t ReadLog(std::FILE* file, RecordSink* sink);

    // Size of the reads the pass makes (256 KiB unless changed; at least 1 byte).
    void SetReadChunkBytes(std::size_t bytes) { chunkBytes_ = bytes == 0 ? 1 : bytes; }
    // Whether the file is read and cut into lines on a helper thread while the lines
    // before are parsed (on unless changed). The thread ends with the pass.
    void SetReadAhead(bool on) { readAhead_ = on; }

    // One non-empty kept line: count, classify, filter, hand to the sink. With no
    // sink installed the line is ignored altogether (not counted either).
    void ParseRecord(std::string_view keptLine);

    LogStatistics& Statistics() { return stats_; }
    const std::array<std::uint16_t, kHeaderWords>& HeaderBuffer() const { return header_; }
    RecordSink* InstalledSink() const { return sink_; }

private:
    LogStatistics& stats_;
    const ViewerSettings& settings_;
    const UserList& users_;
    PassCallbacks callbacks_;
    RecordSink* sink_ = nullptr;
    std::array<std::uint16_t, kHeaderWords> header_{};
    std::size_t chunkBytes_ = std::size_t{256} << 10;
    bool readAhead_ = true;
};

// "Say:%d, Tell:%d, ..., All:%d" (ASCII).
std::string FormatCountsText(const LogStatistics& stats, std::int64_t allLines);
// "取得経験値:%d" as Shift-JIS bytes.
std::string FormatExpText(const LogStatistics& stats);

}  // namespace chatscope
