#include "chatscope/colour.h"

#include <gtest/gtest.h>

#include <cmath>

namespace chatscope {
namespace {

TEST(BrightenColour, WorkedExamples) {
    EXPECT_EQ(BrightenColour(0x00123456), 0x0081531Cu);
    EXPECT_EQ(DisplayToHtmlColour(BrightenColour(0x00123456)), 0x1C5381u);
    EXPECT_EQ(BrightenColour(0x009F00A9), 0x00FD00FEu);
    EXPECT_EQ(BrightenColour(0xFF000000), 0u);
    EXPECT_EQ(BrightenColour(0x00FFFFFF), 0x00FFFFFFu);
}

TEST(BrightenColour, CapsAtTheThresholds) {
    // red and green: 159 -> 254, 160 -> 255; blue: 169 -> 253, 170 -> 255
    EXPECT_EQ(BrightenColour(159u << 16) & 0xFF, 254u);
    EXPECT_EQ(BrightenColour(160u << 16) & 0xFF, 255u);
    EXPECT_EQ(BrightenColour(159u << 8) >> 8 & 0xFF, 254u);
    EXPECT_EQ(BrightenColour(160u << 8) >> 8 & 0xFF, 255u);
    EXPECT_EQ(BrightenColour(169u) >> 16, 253u);
    EXPECT_EQ(BrightenColour(170u) >> 16, 255u);
}

TEST(BrightenColour, TopByteIgnored) {
    for (std::uint32_t top : {0x01u, 0x80u, 0xFFu})
        EXPECT_EQ(BrightenColour(top << 24 | 0x00405060), BrightenColour(0x00405060));
}

TEST(BrightenColour, MatchesSinglePrecisionFactorsForEveryByte) {
    // The factors as the game's viewer used them: single-precision 1.6 and
    // 1.5, the product in extended precision, truncated.
    const long double f16 = static_cast<long double>(1.6f);
    for (std::uint32_t c = 0; c < 256; ++c) {
        const auto rg = static_cast<std::uint32_t>(std::min<long double>(255, std::trunc(c * f16)));
        const auto b = static_cast<std::uint32_t>(std::min<long double>(255, std::trunc(c * 1.5L)));
        const std::uint32_t d = BrightenColour(c << 16 | c << 8 | c);
        ASSERT_EQ(d & 0xFF, rg) << c;
        ASSERT_EQ(d >> 8 & 0xFF, rg) << c;
        ASSERT_EQ(d >> 16, b) << c;
    }
}

}  // namespace
}  // namespace chatscope
