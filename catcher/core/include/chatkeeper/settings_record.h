// The catcher settings file: one 3088-byte record, numbers little-endian.
//
//   0    1024  game log folder   (text, NUL-filled; byte 1023 always NUL)
//   1024 1024  archive folder    (same form)
//   2048 1024  file-name template(same form)
//   3072 4     rotation mode     (int32: 1, 2 or 3)
//   3076 4     size limit, Kbyte (int32)
//   3080 2     interval hours    (uint16)
//   3082 2     interval minutes  (uint16)
//   3084 2     interval seconds  (uint16)
//   3086 2     reserved, carried over from the loaded file
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "chatkeeper/catcher_settings.h"
#include "chatkeeper/clock.h"

namespace chatkeeper {

inline constexpr std::size_t kSettingsRecordSize = 3088;
inline constexpr std::size_t kSettingsTextFieldSize = 1024;
inline constexpr std::size_t kGameLogFolderOffset = 0;
inline constexpr std::size_t kArchiveFolderOffset = 1024;
inline constexpr std::size_t kFileNameTemplateOffset = 2048;
inline constexpr std::size_t kRotationModeOffset = 3072;
inline constexpr std::size_t kSizeLimitOffset = 3076;
inline constexpr std::size_t kHoursOffset = 3080;
inline constexpr std::size_t kMinutesOffset = 3082;
inline constexpr std::size_t kSecondsOffset = 3084;
inline constexpr std::size_t kReservedOffset = 3086;

// The three text fields, named by their offsets.
enum class TextField : std::size_t {
    GameLogFolder = kGameLogFolderOffset,
    ArchiveFolder = kArchiveFolderOffset,
    FileNameTemplate = kFileNameTemplateOffset,
};

// A text that Shift-JIS cannot hold is kept in its field exactly as well, in
// the file-name encoding, behind the NUL that ends the Shift-JIS text:
//   Shift-JIS text (may be empty), NUL, ESC "%G", the exact bytes, NUL, NUL fill.
// A reader that knows nothing of it sees the Shift-JIS text alone.
inline constexpr std::string_view kExactTextMarker = "\x1B%G";

// The record as raw bytes, exactly as stored; accessors read and write the fields.
struct SettingsRecord {
    std::array<std::uint8_t, kSettingsRecordSize> bytes{};

    // Text fields: read up to the first NUL, at most 1023 bytes.
    // Setting copies at most 1023 bytes and NUL-fills the rest of the field.
    std::string GameLogFolder() const;
    std::string ArchiveFolder() const;
    std::string FileNameTemplate() const;
    void SetGameLogFolder(std::string_view text);
    void SetArchiveFolder(std::string_view text);
    void SetFileNameTemplate(std::string_view text);
    std::string Text(TextField field) const;
    void SetText(TextField field, std::string_view text);

    // The exact text kept behind the Shift-JIS text, if the field holds one.
    std::optional<std::string> ExactText(TextField field) const;
    // Writes shiftJis and the exact text; shiftJis is left out (empty) when
    // both do not fit. False, with the field written by SetText(shiftJis),
    // when the exact text alone does not fit or holds a NUL.
    bool SetTextWithExact(TextField field, std::string_view shiftJis, std::string_view exact);

    // Raw mode field (1, 2 or 3 when written by the catcher).
    std::int32_t ModeValue() const;
    void SetModeValue(std::int32_t value);
    // The mode the field selects: 1 and 2 as stored, anything else RotateNever.
    RotationMode Mode() const;
    void SetMode(RotationMode mode) { SetModeValue(static_cast<std::int32_t>(mode)); }

    std::int32_t SizeLimitKb() const;
    void SetSizeLimitKb(std::int32_t kb);

    std::uint16_t Hours() const;
    std::uint16_t Minutes() const;
    std::uint16_t Seconds() const;
    void SetHours(std::uint16_t v);
    void SetMinutes(std::uint16_t v);
    void SetSeconds(std::uint16_t v);
    RotationInterval Interval() const { return {Hours(), Minutes(), Seconds()}; }
    void SetInterval(const RotationInterval& interval);

    std::uint16_t Reserved() const;
};

// Zeroes the record, then reads up to 3088 bytes of the file into it (a
// shorter file leaves the rest zero). Hours above 23 become 23, minutes and
// seconds above 59 become 59. Returns false when the file cannot be opened
// or read (the record is then all zero).
bool LoadSettings(const std::string& path, SettingsRecord& record);

// Writes the 3088 bytes to a temporary file beside path (path + ".tmp." and
// the process id; whatever entry has that name is removed first and the file
// is created exclusively, never through a link), flushes it to disk and
// renames it over path. A replaced file keeps its permission bits. Returns
// false (leaving path untouched) on failure.
bool SaveSettings(const std::string& path, const SettingsRecord& record);

// The integer of the size box: optional blanks, an optional sign '+' or '-',
// one or more decimal digits, optional blanks, within the signed 32-bit
// range. Anything else is not an integer and gives 100.
int ParseSizeText(std::string_view text);

// The same syntax; -1 when the text is not an integer (used on leaving the size box).
int ParseIntOrMinusOne(std::string_view text);

}  // namespace chatkeeper
