#include "chatscope/html_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "byte_classes.h"
#include "chatscope/colour.h"
#include "chatscope/log_reader.h"
#include "chatscope/statistics.h"
#include "export_output.h"

namespace chatscope {

namespace {

constexpr std::size_t kBufferBytes = 1 << 20;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::string_view kIndent = "\x81\x40\x81\x40";  // two ideographic spaces
constexpr std::string_view kFontOpen = "<FONT color=\"#";
constexpr std::string_view kFontClose = "</FONT><BR>\r\n";

// Replacement of each byte: 0 = the byte itself, else an index into kEscapes.
struct EscapeTable {
    unsigned char code[256] = {};
    constexpr EscapeTable() {
        code[static_cast<unsigned char>('&')] = 1;
        code[static_cast<unsigned char>('<')] = 2;
        code[static_cast<unsigned char>('>')] = 3;
    }
};
constexpr EscapeTable kEscapeTable;
constexpr std::string_view kEscapes[] = {"", "&amp;", "&lt;", "&gt;"};

// True when one of the eight bytes of x is '&', '<' or '>'. The zero-byte test
// (v - 0x01..) & ~v & 0x80.. never misses a zero byte, and it only reports
// spurious ones above a real one, so "any" is exact.
inline bool HasEscapedByte(std::uint64_t x) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    auto zeroByte = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    return (zeroByte(x ^ (kOnes * '&')) | zeroByte(x ^ (kOnes * '<')) | zeroByte(x ^ (kOnes * '>'))) != 0;
}

char* PutBytes(char* p, std::string_view s) {
    std::memcpy(p, s.data(), s.size());
    return p + s.size();
}

char* PutHexColour(char* p, std::uint32_t rgb) {
    for (int shift = 20; shift >= 0; shift -= 4) *p++ = kHexDigits[rgb >> shift & 0xF];
    return p;
}

inline char* PutEscapedByte(char* p, char c) {
    const unsigned char code = kEscapeTable.code[static_cast<unsigned char>(c)];
    if (code == 0) {
        *p++ = c;
        return p;
    }
    return PutBytes(p, kEscapes[code]);
}

// Copies the bytes of [s, s + n) that need no replacing, a word at a time,
// and stops at the first word holding a byte that does. Gives the count copied.
inline std::size_t CopyPlainWords(char* p, const char* s, std::size_t n) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        if (detail::ClassMask16<detail::kMarkupByte>(s + i) != 0) return i;
        std::memcpy(p + i, s + i, 16);
    }
    for (; i + 8 <= n; i += 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, s + i, 8);
        if (HasEscapedByte(chunk)) return i;
        std::memcpy(p + i, &chunk, 8);
    }
    return i;
}

// The message bytes with "&", "<" and ">" replaced: whole words while none
// needs replacing, byte by byte only through a word that holds one.
char* PutEscaped(char* p, std::string_view text) {
    const char* s = text.data();
    const char* const end = s + text.size();
    while (end - s >= 8) {
        const std::size_t copied = CopyPlainWords(p, s, static_cast<std::size_t>(end - s));
        p += copied;
        s += copied;
        if (end - s < 8) break;
        for (int k = 0; k < 8; ++k) p = PutEscapedByte(p, *s++);  // the word with a hit
    }
    const std::size_t rest = static_cast<std::size_t>(end - s);
    if (rest == 0) return p;
    if (text.size() >= 8) {
        // The last eight bytes: when none needs replacing, the ones before the
        // rest were written unchanged too, so the word can be stored overlapping them.
        std::uint64_t chunk;
        std::memcpy(&chunk, end - 8, 8);
        if (!HasEscapedByte(chunk)) {
            std::memcpy(p - (8 - rest), &chunk, 8);
            return p + rest;
        }
    }
    while (s != end) p = PutEscapedByte(p, *s++);
    return p;
}

// "RRGGBB" of the brightened colour of each colour word, by component tables.
struct HexColourTables {
    char pair[256][2];
    std::uint8_t redGreen[256];
    std::uint8_t blue[256];
    HexColourTables() {
        for (int v = 0; v < 256; ++v) {
            pair[v][0] = kHexDigits[v >> 4];
            pair[v][1] = kHexDigits[v & 0xF];
            const std::uint32_t d = BrightenColour(static_cast<std::uint32_t>(v) * 0x010101u);
            redGreen[v] = static_cast<std::uint8_t>(d & 0xFF);
            blue[v] = static_cast<std::uint8_t>(d >> 16);
        }
    }
    char* Put(char* p, std::uint32_t colourWord) const {
        std::memcpy(p, pair[redGreen[colourWord >> 16 & 0xFF]], 2);
        std::memcpy(p + 2, pair[redGreen[colourWord >> 8 & 0xFF]], 2);
        std::memcpy(p + 4, pair[blue[colourWord & 0xFF]], 2);
        return p + 6;
    }
};

const HexColourTables& HexColours() {
    static const HexColourTables tables;
    return tables;
}

std::string DocumentHead(const ViewerSettings& settings) {
    std::string head =
        "<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
        "charset=Shift-JIS\">\r\n</HEAD>\r\n<BODY BGCOLOR=\"#";
    char hex[6];
    PutHexColour(hex, settings.BackgroundHtmlColour());
    head.append(hex, sizeof hex);
    head += "\">";
    return head;
}

// Hands on the records whose display line `keep` keeps.
class KeptRecordSink final : public RecordSink {
public:
    KeptRecordSink(RecordSink& out, const RecordLineFilter& keep) : out_(out), keep_(keep) {}
    void Put(std::uint8_t typeCode, std::uint32_t colourWord, std::string_view text, bool indent) override {
        std::string_view line = text;
        if (indent) {
            line_.assign(kIndent);
            line_.append(text);
            line = line_;
        }
        if (keep_(line)) out_.Put(typeCode, colourWord, text, indent);
    }

private:
    RecordSink& out_;
    const RecordLineFilter& keep_;
    std::string line_;
};

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

HtmlSink::HtmlSink(std::FILE* out) : out_(out) { buffer_.resize(kBufferBytes); }

HtmlSink::~HtmlSink() = default;

void HtmlSink::HandOff(std::size_t minimumNext) {
    if (used_ > 0 && !failed_ && std::fwrite(buffer_.data(), 1, used_, out_) != used_) failed_ = true;
    used_ = 0;
    if (buffer_.size() < minimumNext) buffer_.resize(minimumNext);
}

char* HtmlSink::Reserve(std::size_t bytes) {
    if (buffer_.size() - used_ < bytes) HandOff(bytes);
    return buffer_.data() + used_;
}

void HtmlSink::Put(std::uint8_t, std::uint32_t colourWord, std::string_view text, bool indent) {
    // Worst case: every byte becomes "&amp;".
    const std::size_t most = kFontOpen.size() + 8 + kIndent.size() + text.size() * 5 + kFontClose.size();
    char* const start = Reserve(most);
    char* p = PutBytes(start, kFontOpen);
    p = HexColours().Put(p, colourWord);
    *p++ = '"';
    *p++ = '>';
    if (indent) p = PutBytes(p, kIndent);
    p = PutEscaped(p, text);
    p = PutBytes(p, kFontClose);
    used_ += static_cast<std::size_t>(p - start);
}

void HtmlSink::Write(std::string_view bytes) {
    char* const start = Reserve(bytes.size());
    PutBytes(start, bytes);
    used_ += bytes.size();
}

bool HtmlSink::Flush() {
    HandOff(0);
    if (!failed_ && std::fflush(out_) != 0) failed_ = true;
    return !failed_;
}

namespace {

ExportResult WriteExport(detail::ExportOutput& output, const std::vector<std::string>& logPaths,
                         const ViewerSettings& settings, const UserList& users, const RecordLineFilter& keep) {
    // A stream that turns out to be a log (standard output sent into it) gets nothing.
    for (const std::string& logPath : logPaths) {
        struct stat log;
        if (::stat(logPath.c_str(), &log) == 0 && output.Is(log)) return ExportResult::SameFileAsLog;
    }
    {
        HtmlSink sink(output.file());
        sink.Write(DocumentHead(settings));
        const PassFilter filter{settings.filterWord(), users};
        if (keep) {
            KeptRecordSink kept(sink, keep);
            ReadLogs(logPaths, &kept, filter);
        } else {
            ReadLogs(logPaths, &sink, filter);
        }
        sink.Write("</BODY>\r\n</HTML>\r\n");
        if (!sink.Flush()) return ExportResult::CannotWrite;
    }
    return output.Commit() ? ExportResult::Written : ExportResult::CannotWrite;
}

// Why the logs cannot be exported, if they cannot.
std::optional<ExportResult> CheckLogs(const std::vector<std::string>& logPaths) {
    if (logPaths.empty() || logPaths.front().empty()) return ExportResult::NoLogLoaded;
    for (const std::string& logPath : logPaths)
        if (!CheckLogHeader(logPath)) return ExportResult::NotALogFile;
    return std::nullopt;
}

}  // namespace

ExportResult ExportHtml(const std::string& outPath, const std::vector<std::string>& logPaths,
                        const ViewerSettings& settings, const UserList& users, const RecordLineFilter& keep) {
    if (const auto refused = CheckLogs(logPaths)) return *refused;
    // Writing over a log would destroy what is being read.
    for (const std::string& logPath : logPaths)
        if (SameFile(outPath, logPath)) return ExportResult::SameFileAsLog;
    detail::ExportOutput output;
    if (!output.Open(outPath)) return ExportResult::CannotWrite;
    return WriteExport(output, logPaths, settings, users, keep);
}

ExportResult ExportHtmlToStream(std::FILE* out, const std::vector<std::string>& logPaths,
                                const ViewerSettings& settings, const UserList& users) {
    if (const auto refused = CheckLogs(logPaths)) return *refused;
    detail::ExportOutput output;
    output.Borrow(out);
    return WriteExport(output, logPaths, settings, users, {});
}

ExportResult ExportHtml(const std::string& outPath, const std::string& logPath, const ViewerSettings& settings,
                        const UserList& users, const RecordLineFilter& keep) {
    return ExportHtml(outPath, std::vector<std::string>{logPath}, settings, users, keep);
}

ExportResult ExportHtmlToStream(std::FILE* out, const std::string& logPath, const ViewerSettings& settings,
                                const UserList& users) {
    return ExportHtmlToStream(out, std::vector<std::string>{logPath}, settings, users);
}

}  // namespace chatscope
