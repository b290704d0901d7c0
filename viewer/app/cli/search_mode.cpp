#include "search_mode.h"

#include <string_view>

#include "chatscope/ordered_work.h"
#include "chatscope/record_sink.h"
#include "find/text_matcher.h"
#include "sjis/shift_jis.h"

namespace chatscope {
namespace {

constexpr std::string_view kIndent = "\x81\x40\x81\x40";  // two ideographic spaces
// Files whose results may wait to be printed at any time.
constexpr std::size_t kFilesInFlight = 8;

// Numbers the shown lines of one file and keeps the output of those that match.
class SearchSink final : public RecordSink {
public:
    SearchSink(TextMatcher& matcher, const std::string& path) : matcher_(matcher), path_(path) {}

    void Put(std::uint8_t, std::uint32_t, std::string_view text, bool indent) override {
        ++number_;
        std::string_view line = text;
        if (indent) {
            line_.assign(kIndent);
            line_.append(text);
            line = line_;
        }
        if (!matcher_.ContainsBytes(line)) return;
        ++matches_;
        output_ += path_;
        output_ += ':';
        output_ += std::to_string(number_);
        output_ += ':';
        sjis::AppendUtf8(line, output_);
        output_ += '\n';
    }

    std::string TakeOutput() { return std::move(output_); }
    std::int64_t Matches() const { return matches_; }

private:
    TextMatcher& matcher_;
    const std::string& path_;
    std::int64_t number_ = 0;
    std::int64_t matches_ = 0;
    std::string line_;
    std::string output_;
};

struct FileResult {
    bool read = false;
    std::int64_t matches = 0;
    std::string output;
};

}  // namespace

SearchOutcome SearchLogFiles(const std::vector<std::string>& files, const QString& text, bool exact,
                             const PassFilter& filter, std::FILE* out, unsigned threads) {
    SearchOutcome outcome;
    RunInOrder<FileResult>(
        files.size(), threads, kFilesInFlight,
        [&](std::size_t i) {
            TextMatcher matcher(text, exact);
            SearchSink sink(matcher, files[i]);
            FileResult r;
            PassFilter shownOnly = filter;
            shownOnly.countStatistics = false;
            r.read = ReadLogs({files[i]}, &sink, shownOnly).opened;
            r.matches = sink.Matches();
            r.output = sink.TakeOutput();
            return r;
        },
        [&](std::size_t i, FileResult r) {
            if (!r.read) outcome.unreadable.push_back(files[i]);
            outcome.matches += r.matches;
            if (!outcome.writeFailed && std::fwrite(r.output.data(), 1, r.output.size(), out) != r.output.size())
                outcome.writeFailed = true;
            return !outcome.writeFailed;
        });
    if (std::fflush(out) != 0) outcome.writeFailed = true;
    return outcome;
}

}  // namespace chatscope
