// The chat log file format: blocks of a 100-byte header and 50 NUL-terminated
// lines; a line is a 53-byte hexadecimal prefix followed by the message text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace chatscope {

inline constexpr std::size_t kBlockHeaderBytes = 100;
inline constexpr int kHeaderWords = 50;
inline constexpr int kLinesPerBlock = 50;
// The reader's line buffer; a kept line holds at most kLineBufferBytes - 1 bytes.
inline constexpr std::size_t kLineBufferBytes = 1024;
inline constexpr std::size_t kMaxKeptLineBytes = kLineBufferBytes - 1;
inline constexpr std::size_t kRecordPrefixBytes = 53;

// True for the bytes that, with the byte after them, are removed from a line.
constexpr bool IsEscapeByte(unsigned char b) { return b == 0x1E || b == 0x1F || b == 0x7F; }

// One log record cut from a kept line. `text` points into that line.
struct LogRecord {
    std::uint8_t typeCode = 0;
    std::uint32_t colourWord = 0;  // 0x??RRGGBB as written by the game
    bool indent = false;           // field 11 non-zero
    std::string_view text;         // bytes from offset 53 to the end of the kept line
};

// Recognises a kept line (escape bytes already removed, no NUL) as a log record.
std::optional<LogRecord> RecogniseRecord(std::string_view keptLine);

}  // namespace chatscope
