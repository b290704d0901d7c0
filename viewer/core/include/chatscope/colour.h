// Colour forms: colour word 0x??RRGGBB, display colour 0x00BBGGRR, HTML RRGGBB.
#pragma once

#include <cstdint>

namespace chatscope {

// Record colour word to the display colour the viewer shows it in (red and
// green x1.6, blue x1.5, each capped at 255).
std::uint32_t BrightenColour(std::uint32_t colourWord);

// Display colour 0x00BBGGRR to the value 0xRRGGBB written as "#%06X".
constexpr std::uint32_t DisplayToHtmlColour(std::uint32_t display) {
    return (display & 0xFF) << 16 | (display & 0xFF00) | (display >> 16 & 0xFF);
}

}  // namespace chatscope
