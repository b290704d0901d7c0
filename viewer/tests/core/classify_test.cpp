#include "chatscope/classify.h"

#include <gtest/gtest.h>

namespace {

using namespace chatscope;

const std::string_view kLevel = "\x83\x8C\x83\x78\x83\x8B";  // "レベル"

UserList Users(std::initializer_list<std::pair<int, bool>> codesTicked) {
    UserList u;
    for (auto [code, ticked] : codesTicked) u.Append({"name", code, ticked});
    return u;
}

bool HiddenBy(std::uint8_t code, std::string_view text, std::uint32_t word, const UserList& u = {}) {
    return IsHidden(ClassifyMessage(code, text, u), word);
}

TEST(ClassifyMessage, FixedCodes) {
    const UserList none;
    EXPECT_EQ(ClassifyMessage(18, "", none), 17);
    EXPECT_EQ(ClassifyMessage(36, "", none), 24);
    EXPECT_EQ(ClassifyMessage(37, "", none), 24);
    EXPECT_EQ(ClassifyMessage(127, "", none), 18);
    EXPECT_EQ(ClassifyMessage(129, "", none), 22);
    EXPECT_EQ(ClassifyMessage(131, "", none), 19);
    EXPECT_EQ(ClassifyMessage(204, "", none), 20);
    EXPECT_EQ(ClassifyMessage(205, "", none), 21);
}

TEST(ClassifyMessage, LevelPhraseDecidesCode191) {
    const UserList none;
    EXPECT_EQ(ClassifyMessage(191, std::string("ab") + std::string(kLevel) + "cd", none), 23);
    EXPECT_EQ(ClassifyMessage(191, kLevel.substr(0, 5), none), 16);
    EXPECT_EQ(ClassifyMessage(191, "", none), 16);
    EXPECT_TRUE(HiddenBy(191, kLevel, FilterBit::LevelChange));
    EXPECT_FALSE(HiddenBy(191, kLevel, FilterBit::Etc));
    EXPECT_TRUE(HiddenBy(191, "x", FilterBit::Etc));
    EXPECT_FALSE(HiddenBy(191, "x", FilterBit::LevelChange));
}

TEST(ClassifyMessage, LowCodesAreTheirOwnCategoryAndOthersAreEtc) {
    const UserList none;
    for (int c = 0; c < 16; ++c) EXPECT_EQ(ClassifyMessage(std::uint8_t(c), "", none), c);
    EXPECT_EQ(ClassifyMessage(16, "", none), 16);
    EXPECT_EQ(ClassifyMessage(200, "", none), 16);
    EXPECT_EQ(ClassifyMessage(255, "", none), 16);
}

TEST(ClassifyMessage, ChannelFilters) {
    EXPECT_TRUE(HiddenBy(1, "", FilterBit::Say));
    EXPECT_TRUE(HiddenBy(9, "", FilterBit::Say));
    for (std::uint8_t c : {2, 3, 10, 11}) EXPECT_TRUE(HiddenBy(c, "", FilterBit::Shout)) << int(c);
    EXPECT_TRUE(HiddenBy(18, "", FilterBit::ServiceMessage));
    EXPECT_FALSE(HiddenBy(18, "", FilterBit::Etc));
    EXPECT_TRUE(HiddenBy(200, "", FilterBit::Etc));
    // Category 0 is hidden by nothing.
    EXPECT_FALSE(HiddenBy(0, "", 0xFFFFFFFFu));
}

TEST(ClassifyMessage, EtcAloneHidesOnlyCategories8And16) {
    for (int cat = 0; cat < kCategoryCount; ++cat)
        EXPECT_EQ(IsHidden(cat, FilterBit::Etc), cat == 8 || cat == 16) << cat;
    EXPECT_FALSE(HiddenBy(127, "", FilterBit::Etc));
    EXPECT_FALSE(HiddenBy(131, "", FilterBit::Etc));
    EXPECT_TRUE(HiddenBy(127, "", FilterBit::ItemDrop));
}

TEST(ClassifyMessage, FilterWordZeroHidesNothing) {
    const UserList u = Users({{5, false}});
    for (int code = 0; code < 256; ++code) EXPECT_FALSE(HiddenBy(std::uint8_t(code), kLevel, 0, u)) << code;
}

TEST(ClassifyMessage, UserListMovesCodesToUserCategory) {
    const UserList u = Users({{1, false}, {36, false}, {200, false}});
    EXPECT_EQ(ClassifyMessage(1, "", u), kUserCategory);
    EXPECT_FALSE(HiddenBy(1, "", FilterBit::Say, u));
    EXPECT_TRUE(HiddenBy(1, "", FilterBit::UserSpecified, u));
    EXPECT_EQ(ClassifyMessage(36, "", u), 24);  // fixed codes never reach the user list
    EXPECT_EQ(ClassifyMessage(200, "", u), kUserCategory);
    EXPECT_EQ(ClassifyMessage(201, "", u), 16);
}

TEST(UserList, MatchesWhenAnyUntickedEntryHasTheCode) {
    UserList u = Users({{7, true}, {7, false}});
    EXPECT_TRUE(u.Matches(7));
    u.SetTicked(1, true);
    EXPECT_FALSE(u.Matches(7));
    u.SetTicked(0, false);
    EXPECT_TRUE(u.Matches(7));
    u.SetTicked(0, false);  // unchanged tick must not count twice
    u.SetTicked(0, true);
    EXPECT_FALSE(u.Matches(7));
    u.SetTicked(99, false);  // out of range: ignored
    EXPECT_FALSE(u.Matches(7));
}

TEST(UserList, CodesOutsideByteRangeNeverMatch) {
    UserList u = Users({{300, false}, {-1, false}, {256, false}});
    for (int code = 0; code < 256; ++code) EXPECT_FALSE(u.Matches(std::uint8_t(code))) << code;
    u.SetTicked(0, true);
    u.SetTicked(0, false);
    EXPECT_FALSE(u.Matches(300 & 0xFF));
    u.Clear();
    EXPECT_TRUE(u.empty());
    EXPECT_EQ(ClassifyMessage(5, "", u), 5);
}

}  // namespace
