// The reading pass over a chat log file.
#include "chatscope/log_reader.h"

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <system_error>

#include "block_scanner.h"
#include "chatscope/classify.h"
#include "chatscope/regular_file.h"
#include "classify_table.h"
#include "count_record.h"
#include "line_feed.h"
#include "record_prefix.h"

namespace chatscope {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

LogReader::LogReader(LogStatistics& stats, const ViewerSettings& settings, const UserList& users)
    : stats_(stats), settings_(settings), users_(users) {}

bool LogReader::CheckLogHeader(const std::string& path) {
    if (path.empty()) return false;
    FilePtr f(OpenRegularFile(path));
    if (!f) return false;
    unsigned char raw[kBlockHeaderBytes];
    const std::size_t words = std::fread(raw, 2, kHeaderWords, f.get());
    for (std::size_t i = 0; i < words; ++i) header_[i] = static_cast<std::uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    return words == static_cast<std::size_t>(kHeaderWords) && header_[0] == 0;
}

std::int64_t LogReader::ReadLog(const std::string& path, RecordSink* sink) {
    sink_ = sink;
    if (path.empty()) return 0;
    FilePtr f(OpenRegularFile(path));
    if (!f) return 0;
    return ReadLog(f.get(), sink);
}

std::int64_t LogReader::ReadLog(std::FILE* file, RecordSink* sink) {
    sink_ = sink;
    std::int64_t total = 0;
    const auto parse = [this](std::string_view line) { ParseRecord(line); };
    std::unique_ptr<detail::LineFeed> feed;
    if (readAhead_) {
        try {
            feed = std::make_unique<detail::LineFeed>(file, chunkBytes_);
        } catch (const std::system_error&) {
            // No thread to be had: the pass runs on this one.
        }
    }
    if (feed) {
        total = feed->Consume(parse);
    } else {
        detail::BlockScanner scanner(file, chunkBytes_);
        total = scanner.Run(parse);
    }
    feed.reset();
    if (callbacks_.setChannelCountText) callbacks_.setChannelCountText(FormatCountsText(stats_, total));
    if (callbacks_.setExperienceText) callbacks_.setExperienceText(FormatExpText(stats_));
    if (callbacks_.refreshStatistics) callbacks_.refreshStatistics();
    return total;
}

void LogReader::ParseRecord(std::string_view keptLine) {
    const std::optional<LogRecord> rec = detail::ParseRecordPrefix(keptLine);
    if (!rec || sink_ == nullptr) return;
    const int category = detail::Classify(rec->typeCode, rec->text, users_);
    detail::CountClassifiedRecord(stats_, rec->typeCode, rec->text, category);
    if (IsHidden(category, settings_.filterWord())) return;
    sink_->Put(rec->typeCode, rec->colourWord, rec->text, rec->indent);
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
