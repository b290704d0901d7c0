// The viewer's 8-byte settings record and its file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "chatscope/regular_file.h"

namespace chatscope {

struct ViewerSettings {
    // Exactly the bytes of the settings file: red, green, blue, reserved,
    // filter word (little-endian).
    std::array<std::uint8_t, 8> bytes{};

    std::uint8_t red() const { return bytes[0]; }
    std::uint8_t green() const { return bytes[1]; }
    std::uint8_t blue() const { return bytes[2]; }
    void SetRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        bytes[0] = r;
        bytes[1] = g;
        bytes[2] = b;
    }
    std::uint32_t filterWord() const {
        return std::uint32_t(bytes[4]) | std::uint32_t(bytes[5]) << 8 | std::uint32_t(bytes[6]) << 16 |
               std::uint32_t(bytes[7]) << 24;
    }
    void SetFilterWord(std::uint32_t w) {
        for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<std::uint8_t>(w >> (8 * i));
    }
    // Background as a display colour 0x00BBGGRR.
    std::uint32_t BackgroundDisplayColour() const {
        return std::uint32_t(red()) | std::uint32_t(green()) << 8 | std::uint32_t(blue()) << 16;
    }
    // Background as an HTML colour value RRGGBB.
    std::uint32_t BackgroundHtmlColour() const {
        return std::uint32_t(red()) << 16 | std::uint32_t(green()) << 8 | std::uint32_t(blue());
    }
};

// Reads up to 8 bytes; a shorter file sets only the bytes present. False when
// the file cannot be opened or is not a regular file (the values are kept).
LoadResult LoadViewerSettings(const std::string& path, ViewerSettings& settings);
// Replaces the file atomically with the 8 bytes. False (old file kept) on any
// error, and when the path names something other than a regular file.
bool SaveViewerSettings(const std::string& path, const ViewerSettings& settings);

}  // namespace chatscope
