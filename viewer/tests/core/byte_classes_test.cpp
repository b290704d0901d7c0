// The vector and the table way of finding byte classes agree on every byte value
// in every lane, so the reading pass and the export give the same results on a
// machine without vector instructions.
#include <gtest/gtest.h>

#include <random>

#include "byte_classes.h"

namespace {

using namespace chatscope::detail;

template <ByteClass C> void ExpectPathsAgree(const char* window) {
    ASSERT_EQ(ClassMask16Vector<C>(window), ClassMask16Portable<C>(window)) << int(C);
}

void ExpectAllClassesAgree(const char* window) {
    ExpectPathsAgree<kSpecialByte>(window);
    ExpectPathsAgree<kHexByte>(window);
    ExpectPathsAgree<kCommaByte>(window);
    ExpectPathsAgree<kDigitByte>(window);
    ExpectPathsAgree<kMarkupByte>(window);
}

TEST(ByteClasses, VectorAndPortablePathsAgree) {
    char window[16];
    for (int filler : {0x00, int{'0'}, int{'a'}, 0x80, 0xFF})
        for (int lane = 0; lane < 16; ++lane)
            for (int value = 0; value < 256; ++value) {
                std::fill(std::begin(window), std::end(window), static_cast<char>(filler));
                window[lane] = static_cast<char>(value);
                ExpectAllClassesAgree(window);
            }
    std::mt19937 rng(5);
    for (int round = 0; round < 20000; ++round) {
        for (char& c : window) c = static_cast<char>(rng());
        ExpectAllClassesAgree(window);
    }
    // The table itself, on the bytes each class is about.
    EXPECT_EQ(ClassMask16Portable<kHexByte>("09afAFgG/:@`,\x1E\x7F&"), 0x3Fu);
    EXPECT_EQ(ClassMask16Portable<kSpecialByte>(std::string("a\0\x1E\x1F\x7F\x1D\x20\x80xxxxxxxx", 16).data()), 0x1Eu);
}

}  // namespace
