#include "chatkeeper/capture_intent.h"

#include <charconv>

#include "chatkeeper/capture_engine.h"

namespace chatkeeper {
namespace {

constexpr std::string_view kHeader = "chatkeeper capture intent 1\n";
constexpr std::string_view kEnd = "end\n";

void AppendNumber(std::string& out, std::int64_t value) { out += std::to_string(value); }

// Reads the record front to back; every step fails on anything unexpected.
class Cursor {
public:
    explicit Cursor(std::string_view text) : rest_(text) {}

    bool Literal(std::string_view word) {
        if (!rest_.starts_with(word)) return false;
        rest_.remove_prefix(word.size());
        return true;
    }
    bool Number(std::int64_t& value) {
        const char* begin = rest_.data();
        const auto [end, ec] = std::from_chars(begin, begin + rest_.size(), value);
        if (ec != std::errc{} || end == begin) return false;
        rest_.remove_prefix(static_cast<std::size_t>(end - begin));
        return true;
    }
    bool Bytes(std::int64_t count, std::string& out) {
        if (count < 0 || static_cast<std::uint64_t>(count) > rest_.size()) return false;
        out.assign(rest_.substr(0, static_cast<std::size_t>(count)));
        rest_.remove_prefix(static_cast<std::size_t>(count));
        return true;
    }
    bool AtEnd() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

}  // namespace

std::string EncodeCaptureIntent(const CaptureIntent& intent) {
    std::string out(kHeader);
    out += "archive ";
    AppendNumber(out, static_cast<std::int64_t>(intent.archivePath.size()));
    out += '\n';
    out += intent.archivePath;
    out += "\nlength ";
    AppendNumber(out, intent.archiveLength);
    out += "\ngame ";
    AppendNumber(out, intent.gameLogIndex);
    out += ' ';
    AppendNumber(out, static_cast<std::int64_t>(intent.gameLogPath.size()));
    out += '\n';
    out += intent.gameLogPath;
    out += "\nstamp ";
    AppendNumber(out, intent.stamp.missing ? 1 : 0);
    out += ' ';
    AppendNumber(out, intent.stamp.mtimeSeconds);
    out += ' ';
    AppendNumber(out, intent.stamp.mtimeNanoseconds);
    out += ' ';
    AppendNumber(out, intent.stamp.size);
    out += '\n';
    out += kEnd;
    return out;
}

std::optional<CaptureIntent> DecodeCaptureIntent(std::string_view text) {
    Cursor in(text);
    CaptureIntent intent;
    std::int64_t archiveBytes = 0, gameBytes = 0, index = 0, missing = 0;
    const bool whole =
        in.Literal(kHeader) && in.Literal("archive ") && in.Number(archiveBytes) && in.Literal("\n") &&
        in.Bytes(archiveBytes, intent.archivePath) && in.Literal("\nlength ") && in.Number(intent.archiveLength) &&
        in.Literal("\ngame ") && in.Number(index) && in.Literal(" ") && in.Number(gameBytes) && in.Literal("\n") &&
        in.Bytes(gameBytes, intent.gameLogPath) && in.Literal("\nstamp ") && in.Number(missing) && in.Literal(" ") &&
        in.Number(intent.stamp.mtimeSeconds) && in.Literal(" ") && in.Number(intent.stamp.mtimeNanoseconds) &&
        in.Literal(" ") && in.Number(intent.stamp.size) && in.Literal("\n") && in.Literal(kEnd) && in.AtEnd();
    if (!whole || index < 0 || index >= kGameLogFileCount || (missing != 0 && missing != 1) ||
        intent.archiveLength < -1 || intent.archivePath.empty()) {
        return std::nullopt;
    }
    intent.gameLogIndex = static_cast<int>(index);
    intent.stamp.missing = missing == 1;
    return intent;
}

}  // namespace chatkeeper
