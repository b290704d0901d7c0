#include "chatscope/colour.h"

namespace chatscope {

namespace {

// x1.6 for red and green (single-precision 1.6 is a hair above 1.6, so the
// truncated product is floor(8x/5) for every byte), x1.5 for blue, capped at 255.
constexpr std::uint32_t TimesEightFifths(std::uint32_t c) {
    const std::uint32_t v = c * 8 / 5;
    return v > 255 ? 255 : v;
}
constexpr std::uint32_t TimesThreeHalves(std::uint32_t c) {
    const std::uint32_t v = c * 3 / 2;
    return v > 255 ? 255 : v;
}

}  // namespace

std::uint32_t BrightenColour(std::uint32_t colourWord) {
    const std::uint32_t red = TimesEightFifths(colourWord >> 16 & 0xFF);
    const std::uint32_t green = TimesEightFifths(colourWord >> 8 & 0xFF);
    const std::uint32_t blue = TimesThreeHalves(colourWord & 0xFF);
    return red | green << 8 | blue << 16;
}

}  // namespace chatscope
