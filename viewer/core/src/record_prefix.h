// The record prefix parser, inline so the reading pass can use it without a call.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "byte_classes.h"
#include "chatscope/log_format.h"

namespace chatscope::detail {

// Hex digit values; 0xFF for every other byte.
constexpr std::array<std::uint8_t, 256> MakeHexTable() {
    std::array<std::uint8_t, 256> t{};
    for (auto& v : t) v = 0xFF;
    for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) t[c] = static_cast<std::uint8_t>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c) t[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    return t;
}
inline constexpr std::array<std::uint8_t, 256> kHexValue = MakeHexTable();

// Maximum number of hex digits of each of the eleven prefix fields.
inline constexpr std::array<int, 11> kFieldDigits = {2, 2, 2, 8, 8, 8, 4, 2, 2, 2, 2};

// Offsets of the commas when every field has all its digits (the game's own layout).
constexpr std::array<bool, kRecordPrefixBytes> MakeCommaLayout() {
    std::array<bool, kRecordPrefixBytes> t{};
    std::size_t pos = 0;
    for (int digits : kFieldDigits) {
        pos += static_cast<std::size_t>(digits);
        t[pos++] = true;
    }
    return t;
}
inline constexpr std::array<bool, kRecordPrefixBytes> kCommaAt = MakeCommaLayout();

inline std::uint32_t TwoHexDigits(const unsigned char* p) {
    return static_cast<std::uint32_t>(kHexValue[p[0]] << 4 | kHexValue[p[1]]);
}

// Value of eight hex digits already known to be hex digits, all at once: each
// byte becomes its nibble, then the nibbles are packed pairwise.
inline std::uint32_t EightHexDigits(const unsigned char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    // '0'-'9' have bit 6 clear, 'A'-'F' and 'a'-'f' set; letters take 9 more.
    x = (x & 0x0F0F0F0F0F0F0F0FULL) + 9 * ((x >> 6) & 0x0101010101010101ULL);
    // Byte i holds digit i (the first digit in the lowest byte).
    x = ((x & 0x000F000F000F000FULL) << 12) | ((x & 0x0F000F000F000F00ULL) >> 0);
    // 16-bit lane k now holds digit 2k in bits 12-15 and digit 2k+1 in bits 8-11.
    x >>= 8;
    // Lane k: low byte = digit 2k << 4 | digit 2k+1.
    return static_cast<std::uint32_t>((x & 0xFF) << 24 | ((x >> 16) & 0xFF) << 16 | ((x >> 32) & 0xFF) << 8 |
                                      ((x >> 48) & 0xFF));
}

// The prefix is checked in four 16-byte windows at offsets 0, 16, 32 and 37 (the
// last one overlaps the third); each window's commas of the full layout as a mask.
inline constexpr std::size_t kWindowOffsets[4] = {0, 16, 32, kRecordPrefixBytes - 16};
inline constexpr std::array<std::uint32_t, 4> kWindowCommas = [] {
    std::array<std::uint32_t, 4> m{};
    for (int w = 0; w < 4; ++w)
        for (int i = 0; i < 16; ++i)
            if (kCommaAt[kWindowOffsets[w] + i]) m[w] |= std::uint32_t{1} << i;
    return m;
}();

// True when the prefix has the full layout: every field all its digits. Commas
// exactly where the layout has them, hex digits everywhere else.
inline bool HasFullLayout(const unsigned char* p) {
    const char* c = reinterpret_cast<const char*>(p);
    const auto window = [c](int w) {
        const char* at = c + kWindowOffsets[w];
        return (ClassMask16<kCommaByte>(at) ^ kWindowCommas[w]) | (~ClassMask16<kHexByte>(at) & ~kWindowCommas[w]);
    };
    return ((window(0) | window(1) | window(2) | window(3)) & 0xFFFF) == 0;
}

// Fields with fewer digits than the full layout: each is 1 to its width of hex
// digits, the first ten followed at once by a comma. Nothing is required after the
// eleventh but the comma at offset 52 (checked by the caller). Every field ends at
// the latest on offset 52, so no read passes the prefix.
[[gnu::noinline]] inline std::optional<LogRecord> ParseShortFields(const unsigned char* p, LogRecord rec) {
    std::size_t pos = 0;
    std::array<std::uint32_t, 11> field{};
    for (int f = 0; f < 11; ++f) {
        std::uint32_t value = 0;
        int digits = 0;
        while (digits < kFieldDigits[f]) {
            const std::uint8_t d = kHexValue[p[pos]];
            if (d == 0xFF) break;
            value = (value << 4) | d;
            ++pos;
            ++digits;
        }
        if (digits == 0) return std::nullopt;
        if (f < 10) {
            if (p[pos] != ',') return std::nullopt;
            ++pos;
        }
        field[f] = value;
    }
    rec.typeCode = static_cast<std::uint8_t>(field[0]);
    rec.colourWord = field[3];
    rec.indent = field[10] != 0;
    return rec;
}

inline std::optional<LogRecord> ParseRecordPrefix(std::string_view line) {
    if (line.size() < kRecordPrefixBytes || line[kRecordPrefixBytes - 1] != ',') return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    LogRecord rec;
    rec.text = std::string_view(line.data() + kRecordPrefixBytes, line.size() - kRecordPrefixBytes);
    if (!HasFullLayout(p)) return ParseShortFields(p, rec);
    rec.typeCode = static_cast<std::uint8_t>(TwoHexDigits(p));
    rec.colourWord = EightHexDigits(p + 9);
    rec.indent = TwoHexDigits(p + 50) != 0;
    return rec;
}

}  // namespace chatscope::detail
