#include "chatkeeper/settings_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "fileio/atomic_replace.h"
#include "fileio/posix_io.h"

namespace chatkeeper {
namespace {

std::string ReadText(const std::array<std::uint8_t, kSettingsRecordSize>& bytes, std::size_t offset) {
    const char* field = reinterpret_cast<const char*>(bytes.data() + offset);
    const std::size_t limit = kSettingsTextFieldSize - 1;
    const void* nul = std::memchr(field, '\0', limit);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : limit;
    return std::string(field, length);
}

void WriteText(std::array<std::uint8_t, kSettingsRecordSize>& bytes, std::size_t offset, std::string_view text) {
    std::uint8_t* field = bytes.data() + offset;
    std::memset(field, 0, kSettingsTextFieldSize);
    // What follows a NUL would be read back as the text's exact form.
    const std::size_t length = std::min({text.size(), text.find('\0'), kSettingsTextFieldSize - 1});
    std::memcpy(field, text.data(), length);
}

std::uint32_t ReadU32(const std::array<std::uint8_t, kSettingsRecordSize>& b, std::size_t o) {
    return static_cast<std::uint32_t>(b[o]) | static_cast<std::uint32_t>(b[o + 1]) << 8 |
           static_cast<std::uint32_t>(b[o + 2]) << 16 | static_cast<std::uint32_t>(b[o + 3]) << 24;
}

void WriteU32(std::array<std::uint8_t, kSettingsRecordSize>& b, std::size_t o, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[o + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t ReadU16(const std::array<std::uint8_t, kSettingsRecordSize>& b, std::size_t o) {
    return static_cast<std::uint16_t>(b[o] | b[o + 1] << 8);
}

void WriteU16(std::array<std::uint8_t, kSettingsRecordSize>& b, std::size_t o, std::uint16_t v) {
    b[o] = static_cast<std::uint8_t>(v);
    b[o + 1] = static_cast<std::uint8_t>(v >> 8);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Optional blanks, optional sign, decimal digits, optional blanks; 32-bit range.
bool ParseInt(std::string_view text, int& value) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    text = text.substr(begin, end - begin);
    // One optional sign, then a digit: from_chars takes a '-' but no '+'.
    std::size_t firstDigit = 0;
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    else if (!text.empty() && text[0] == '-')
        firstDigit = 1;
    if (text.size() <= firstDigit || text[firstDigit] < '0' || text[firstDigit] > '9') return false;
    std::int32_t parsed = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc{} || rest != text.data() + text.size()) return false;
    value = parsed;
    return true;
}

}  // namespace

std::string SettingsRecord::GameLogFolder() const { return ReadText(bytes, kGameLogFolderOffset); }
std::string SettingsRecord::ArchiveFolder() const { return ReadText(bytes, kArchiveFolderOffset); }
std::string SettingsRecord::FileNameTemplate() const { return ReadText(bytes, kFileNameTemplateOffset); }
void SettingsRecord::SetGameLogFolder(std::string_view t) { WriteText(bytes, kGameLogFolderOffset, t); }
void SettingsRecord::SetArchiveFolder(std::string_view t) { WriteText(bytes, kArchiveFolderOffset, t); }
void SettingsRecord::SetFileNameTemplate(std::string_view t) { WriteText(bytes, kFileNameTemplateOffset, t); }

std::string SettingsRecord::Text(TextField f) const { return ReadText(bytes, static_cast<std::size_t>(f)); }
void SettingsRecord::SetText(TextField f, std::string_view t) { WriteText(bytes, static_cast<std::size_t>(f), t); }

std::optional<std::string> SettingsRecord::ExactText(TextField f) const {
    const std::string_view field(reinterpret_cast<const char*>(bytes.data()) + static_cast<std::size_t>(f),
                                 kSettingsTextFieldSize);
    const std::size_t end = field.find('\0');
    if (end == std::string_view::npos || !field.substr(end + 1).starts_with(kExactTextMarker)) return std::nullopt;
    const std::string_view rest = field.substr(end + 1 + kExactTextMarker.size());
    const std::size_t exactEnd = rest.find('\0');
    if (exactEnd == std::string_view::npos) return std::nullopt;
    return std::string(rest.substr(0, exactEnd));
}

bool SettingsRecord::SetTextWithExact(TextField f, std::string_view shiftJis, std::string_view exact) {
    const std::size_t exactBytes = 1 + kExactTextMarker.size() + exact.size() + 1;
    if (exactBytes > kSettingsTextFieldSize || exact.find('\0') != std::string_view::npos) {
        SetText(f, shiftJis);
        return false;
    }
    if (shiftJis.find('\0') != std::string_view::npos || shiftJis.size() + exactBytes > kSettingsTextFieldSize) {
        shiftJis = {};
    }
    std::string field(shiftJis);
    field += '\0';
    field += kExactTextMarker;
    field += exact;
    std::uint8_t* out = bytes.data() + static_cast<std::size_t>(f);
    std::memset(out, 0, kSettingsTextFieldSize);
    std::memcpy(out, field.data(), field.size());
    return true;
}

std::int32_t SettingsRecord::ModeValue() const {
    return static_cast<std::int32_t>(ReadU32(bytes, kRotationModeOffset));
}
void SettingsRecord::SetModeValue(std::int32_t v) {
    WriteU32(bytes, kRotationModeOffset, static_cast<std::uint32_t>(v));
}
RotationMode SettingsRecord::Mode() const {
    switch (ModeValue()) {
    case 1: return RotationMode::RotateByTime;
    case 2: return RotationMode::RotateBySize;
    default: return RotationMode::RotateNever;
    }
}

std::int32_t SettingsRecord::SizeLimitKb() const { return static_cast<std::int32_t>(ReadU32(bytes, kSizeLimitOffset)); }
void SettingsRecord::SetSizeLimitKb(std::int32_t kb) {
    WriteU32(bytes, kSizeLimitOffset, static_cast<std::uint32_t>(kb));
}

std::uint16_t SettingsRecord::Hours() const { return ReadU16(bytes, kHoursOffset); }
std::uint16_t SettingsRecord::Minutes() const { return ReadU16(bytes, kMinutesOffset); }
std::uint16_t SettingsRecord::Seconds() const { return ReadU16(bytes, kSecondsOffset); }
void SettingsRecord::SetHours(std::uint16_t v) { WriteU16(bytes, kHoursOffset, v); }
void SettingsRecord::SetMinutes(std::uint16_t v) { WriteU16(bytes, kMinutesOffset, v); }
void SettingsRecord::SetSeconds(std::uint16_t v) { WriteU16(bytes, kSecondsOffset, v); }
void SettingsRecord::SetInterval(const RotationInterval& interval) {
    SetHours(static_cast<std::uint16_t>(interval.hours));
    SetMinutes(static_cast<std::uint16_t>(interval.minutes));
    SetSeconds(static_cast<std::uint16_t>(interval.seconds));
}
std::uint16_t SettingsRecord::Reserved() const { return ReadU16(bytes, kReservedOffset); }

bool LoadSettings(const std::string& path, SettingsRecord& record) {
    record.bytes.fill(0);
    // Non-blocking, so a FIFO planted at the path is refused rather than waited on.
    const chatlog::fileio::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (chatlog::fileio::ReadFull(fd.get(), record.bytes.data(), kSettingsRecordSize) < 0) {
        record.bytes.fill(0);
        return false;
    }
    // Never written by the catcher, but a hand-edited file may hold them.
    if (record.Hours() > 23) record.SetHours(23);
    if (record.Minutes() > 59) record.SetMinutes(59);
    if (record.Seconds() > 59) record.SetSeconds(59);
    return true;
}

bool SaveSettings(const std::string& path, const SettingsRecord& record) {
    if (path.empty()) return false;
    const std::string_view bytes(reinterpret_cast<const char*>(record.bytes.data()), record.bytes.size());
    chatlog::fileio::Replacement replacement;
    return replacement.Begin(path, path + ".tmp." + std::to_string(::getpid())) && replacement.Write(bytes) &&
           replacement.Commit();
}

int ParseSizeText(std::string_view text) {
    int value = 0;
    return ParseInt(text, value) ? value : 100;
}

int ParseIntOrMinusOne(std::string_view text) {
    int value = 0;
    return ParseInt(text, value) ? value : -1;
}

}  // namespace chatkeeper
