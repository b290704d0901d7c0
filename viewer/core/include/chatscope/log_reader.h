// The reading pass: a chat log file becomes records, each counted, classified,
// filtered and handed to a sink. A pass keeps nothing between calls: what it
// found, and where it stopped for following, is the value it returns.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chatscope/log_format.h"
#include "chatscope/record_sink.h"
#include "chatscope/statistics.h"
#include "chatscope/user_list.h"

namespace chatscope {

// The 50 words of a log file's first block header.
using LogHeader = std::array<std::uint16_t, kHeaderWords>;

// The header of a regular file that opens and whose first 100 bytes read as
// 50 words, word 0 being 0; none otherwise. A FIFO or device is refused unread.
std::optional<LogHeader> ReadLogHeader(const std::string& path);
inline bool CheckLogHeader(const std::string& path) { return ReadLogHeader(path).has_value(); }

// Which records of a pass reach its sink: those of no hidden channel, classified
// with the user list.
struct PassFilter {
    std::uint32_t filterWord = 0;  // ViewerSettings::filterWord()
    const UserList& users;
    bool countStatistics = true;  // false: a pass for the shown records alone (a search) counts nothing
};

// Size of the reads a pass makes unless told otherwise (at least 1 byte).
inline constexpr std::size_t kReadChunkBytes = std::size_t{256} << 10;

// Where a pass over a path stopped: what a later ReadAppended goes on from. A
// small value, kept by whoever follows the file.
struct FollowPoint {
    bool followable = false;  // a whole pass over a path ended here
    std::uint64_t device = 0, inode = 0;
    std::int64_t resumeOffset = 0;  // after the last whole header or NUL-ended line
    int resumeLine = 0;             // the block's next line there (kLinesPerBlock: a header)
    std::int64_t endOffset = 0;     // the file's size at the end of the pass
    // The last line handed on, when the file ended inside it.
    bool openLine = false;
    bool openLineShown = false;    // it reached the sink
    bool openLineCounted = false;  // it was counted into the statistics
    StatisticsMark openLineMark;   // the statistics before it
};

// What a pass found.
struct PassResult {
    bool opened = false;        // false: the file could not be opened or is no regular file; nothing was read
    std::int64_t allLines = 0;  // non-empty lines (the All count)
    LogStatistics stats;        // of the records read; nothing is counted by a pass without a sink
    FollowPoint follow;         // only a pass over a path can be followed
    // ReadLogs: the files of the list that were left out, in their order.
    std::vector<std::string> skipped;
};

// Reads the whole file, block by block, to its true end. With no sink, lines
// are counted in All but no record is counted or classified. Does not check the
// header.
PassResult ReadLog(const std::string& path, RecordSink* sink, const PassFilter& filter,
                   std::size_t chunkBytes = kReadChunkBytes);
// One pass over several files read one after another, as over one file that
// holds them all: a line or a block may begin in one file and end in the next.
// Each file is opened when the pass reaches it; one that is then gone, no
// regular file or no chat log (the header check) is left out and named in
// `skipped`. Every file but the last is read up to the size it had when it was
// opened, so one that grows meanwhile does not move the files after it; the
// last is read to its end, as by ReadLog. `opened`: a file was read. `follow`
// follows the last file, when it was read and the pass holds a whole unit of it
// (the offsets are in that file).
PassResult ReadLogs(const std::vector<std::string>& paths, RecordSink* sink, const PassFilter& filter,
                    std::size_t chunkBytes = kReadChunkBytes);
// The same pass over a file descriptor, from its current position to its end;
// the descriptor is left open. Not followable.
PassResult ReadLog(int fd, RecordSink* sink, const PassFilter& filter, std::size_t chunkBytes = kReadChunkBytes);

// The outcome of ReadAppended.
enum class FollowResult {
    Unchanged,     // the file has not grown: nothing was read
    Appended,      // the appended bytes were read: sink and `followed` updated
    ReloadNeeded,  // see ReadAppended: nothing was changed; load the file again from the start
};

// Following a file that grows.
//
// After `followed = ReadLog(path, sink, filter)`, ReadAppended(path, sink, filter,
// followed) reads only what was appended to the file since the last pass (ReadLog
// or ReadAppended), so its cost is the size of the appended bytes. Afterwards the
// records handed to the sink over all these passes, and `followed`'s statistics
// and All count, are exactly those of a full ReadLog of the file as it is now,
// with the same sink object, filter word and user list as the full pass (after a
// change of those, load the file again).
//
// A pass ends at the end of the file, also inside a line or a block: it hands
// that last line on as it stands, as a full pass does. The next ReadAppended
// first takes that line back (sink->RetractLast() when it was handed to the sink,
// its statistics and its count in All) and reads it again from its start; whole
// lines and block headers are never read twice.
//
// Gives Unchanged when the file has the size of the last pass. Gives ReloadNeeded,
// changing nothing, when the file shrank, when the path now names another file
// (device or inode differ) or no regular file, when it cannot be opened, when
// `followed` is not followable (no pass over a path, or the last one ended with
// an exception). A file that is rewritten in place to the same size or larger
// goes unnoticed.
FollowResult ReadAppended(const std::string& path, RetractableSink* sink, const PassFilter& filter,
                          PassResult& followed, std::size_t chunkBytes = kReadChunkBytes);

}  // namespace chatscope
