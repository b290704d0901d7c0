#include "chatscope/filter_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "chatscope/paths.h"
#include "chatscope/regular_file.h"
#include "fileio/atomic_replace.h"
#include "filter_line.h"

namespace chatscope {

namespace detail {

namespace {

bool IsTrimmed(unsigned char c) { return c <= 0x20; }

// The white-space bytes of the C locale, as the scanning of a number or name skips them.
bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// "%d": blanks, an optional sign, at least one digit. Values outside the
// signed 32-bit range are refused.
bool ScanInt(std::string_view s, std::size_t& pos, std::int32_t& value) {
    while (pos < s.size() && IsSpace(s[pos])) ++pos;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
    const std::size_t digits = pos;
    long long v = 0;
    bool tooBig = false;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        if (!tooBig) {
            v = v * 10 + (s[pos] - '0');
            if (v > static_cast<long long>(INT_MAX) + 1) tooBig = true;
        }
        ++pos;
    }
    if (pos == digits) return false;
    if (negative) v = -v;
    if (tooBig || v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

}  // namespace

std::string_view TrimLine(std::string_view line) {
    std::size_t b = 0, e = line.size();
    while (b < e && IsTrimmed(static_cast<unsigned char>(line[b]))) ++b;
    while (e > b && IsTrimmed(static_cast<unsigned char>(line[e - 1]))) --e;
    return line.substr(b, e - b);
}

std::optional<UserFilterEntry> ParseFilterLine(std::string_view trimmed) {
    // The line is a C string to the scanner: it ends at a NUL byte.
    trimmed = trimmed.substr(0, std::min(trimmed.size(), trimmed.find('\0')));
    std::size_t pos = 0;
    std::int32_t ticked = 0, typeCode = 0;
    if (!ScanInt(trimmed, pos, ticked)) return std::nullopt;
    if (pos >= trimmed.size() || trimmed[pos] != ',') return std::nullopt;
    ++pos;
    if (!ScanInt(trimmed, pos, typeCode)) return std::nullopt;
    if (pos >= trimmed.size() || trimmed[pos] != ',') return std::nullopt;
    ++pos;
    while (pos < trimmed.size() && IsSpace(trimmed[pos])) ++pos;
    const std::size_t nameStart = pos;
    while (pos < trimmed.size() && !IsSpace(trimmed[pos]) && pos - nameStart < kFilterNameBytes) ++pos;
    // Control bytes that end the name would be trimmed off the line written back.
    while (pos > nameStart && IsTrimmed(static_cast<unsigned char>(trimmed[pos - 1]))) --pos;
    if (pos == nameStart) return std::nullopt;
    UserFilterEntry entry;
    entry.ticked = ticked != 0;
    entry.typeCode = typeCode;
    entry.name.assign(trimmed.substr(nameStart, pos - nameStart));
    return entry;
}

std::optional<UserFilterEntry> ParseFilterFileLine(std::string_view rawLine) {
    // Lines longer than the line buffer held are never entries.
    std::string_view body = rawLine;
    if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    if (body.size() > kFilterLineBytes) return std::nullopt;
    return ParseFilterLine(TrimLine(body));
}

bool ReadFilterLine(std::FILE* f, std::string& line) {
    line.clear();
    int c;
    while ((c = std::getc(f)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') return true;
    }
    // A read error ends the file as its end does.
    return !line.empty() && !std::ferror(f);
}

}  // namespace detail

LoadResult LoadUserFilters(const std::string& path, UserList& users) {
    LoadResult result;
    std::FILE* f = OpenRegularFile(path, &result.state);
    if (!f) return result;
    std::string line;
    while (detail::ReadFilterLine(f, line)) {
        if (auto entry = detail::ParseFilterFileLine(line)) users.Append(std::move(*entry));
    }
    std::fclose(f);
    return result;
}

bool SaveUserFilters(const std::string& path, const UserList& users) {
    const std::string target = chatlog::fileio::ReplacementTarget(path);
    // The viewer never creates a filter file, nor writes over a device or FIFO.
    std::FILE* in = OpenRegularFile(target);
    if (!in) return false;

    std::string tempPath = ReplaceExtension(target, ".tmp");
    if (tempPath == target) tempPath += ".tmp";  // never truncate the file being read
    chatlog::fileio::Replacement temp;
    if (!temp.Begin(target, tempPath) || !temp.Stream()) {
        std::fclose(in);
        return false;
    }

    std::string line, out;
    std::size_t next = 0;
    bool ok = true;
    while (ok && detail::ReadFilterLine(in, line)) {
        out.clear();
        if (auto entry = detail::ParseFilterFileLine(line); entry && next < users.size()) {
            out += users[next++].ticked ? '1' : '0';
            out += ',';
            out += std::to_string(entry->typeCode);
            out += ',';
            out += entry->name;
        } else {
            std::string_view body = line;
            if (body.ends_with('\n')) body.remove_suffix(1);
            if (body.ends_with('\r')) body.remove_suffix(1);
            // A line too long to be an entry stays so: trimmed short, it could become one.
            const std::string_view trimmed = detail::TrimLine(body);
            out.assign(body.size() > detail::kFilterLineBytes && trimmed.size() <= detail::kFilterLineBytes ? body
                                                                                                            : trimmed);
        }
        out += "\r\n";
        ok = temp.Write(out);
    }
    if (std::ferror(in)) ok = false;  // a half-read file must not replace the whole one
    std::fclose(in);
    if (!ok) return false;
    return temp.Commit();
}

}  // namespace chatscope
