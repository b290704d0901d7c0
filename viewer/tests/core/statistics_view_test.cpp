#include "chatscope/statistics_view.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace chatscope;

TEST(CounterRows, ThirtyOneRowsWithTheirTextsAndUnits) {
    LogStatistics s;
    for (int i = 0; i < kCounterCount; ++i) s.counters[i] = i + 1;
    s.counters[ExpPoints] = 5000000000LL;  // beyond 32 bits
    const auto rows = CounterRows(s);
    ASSERT_EQ(rows.size(), 31u);
    EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"Say", "1 \x8D\x73"}));
    EXPECT_EQ(rows[3].first, "LinkShell");
    EXPECT_EQ(rows[6].first, "\x83\x54\x81\x5B\x83\x72\x83\x58\x83\x81\x83\x62\x83\x5A\x81\x5B\x83\x57");
    EXPECT_EQ(rows[13], (std::pair<std::string, std::string>{"\x82\xBB\x82\xCC\x91\xBC", "14 \x8D\x73"}));
    EXPECT_EQ(rows[14].first, "\x8E\xE6\x93\xBE\x8C\x6F\x8C\xB1\x92\x6C");
    EXPECT_EQ(rows[14].second, "5000000000 \x83\x7C\x83\x43\x83\x93\x83\x67");
    EXPECT_EQ(rows[15].second, "16 \x83\x4D\x83\x8B");
    EXPECT_EQ(rows[16].second, "17 HP");
    EXPECT_EQ(rows[17].second, "18 \x89\xF1");
    EXPECT_EQ(rows[30].first,
              "\x90\xED\x93\xAC\x95\x73\x94\x5C\x89\xF1\x90\x94(\x83\x70\x81\x5B\x83\x65\x83\x42\x81\x5B)");
    EXPECT_EQ(rows[30].second, "31 \x89\xF1");
    // Units by row: 14 line rows, then the listed units.
    const char* units[] = {" \x83\x7C\x83\x43\x83\x93\x83\x67",
                           " \x83\x4D\x83\x8B",
                           " HP",
                           " \x89\xF1",
                           " \x89\xF1",
                           " HP",
                           " \x89\xF1",
                           " HP",
                           " \x89\xF1",
                           " HP",
                           " \x89\xF1",
                           " \x89\xF1",
                           " \x89\xF1",
                           " HP",
                           " HP",
                           " \x89\xF1",
                           " \x89\xF1"};
    for (int r = 14; r < 31; ++r) {
        const std::string value = std::to_string(s.counters[r]);
        EXPECT_EQ(rows[r].second, value + units[r - 14]) << "row " << r + 1;
    }
    for (int r = 0; r < 14; ++r) EXPECT_EQ(rows[r].second, std::to_string(r + 1) + " \x8D\x73");
}

TEST(CounterRows, AllZero) {
    const auto rows = CounterRows(LogStatistics{});
    ASSERT_EQ(rows.size(), 31u);
    for (const auto& r : rows) EXPECT_EQ(r.second[0], '0');
}

TEST(PartnerKindText, FourKinds) {
    EXPECT_EQ(PartnerKindText(0), "\x83\x70\x81\x5B\x83\x65\x83\x42");
    EXPECT_EQ(PartnerKindText(1), "\x83\x8A\x83\x93\x83\x4E\x83\x56\x83\x46\x83\x8B");
    EXPECT_EQ(PartnerKindText(2), "TELL");
    EXPECT_EQ(PartnerKindText(3), "\x82\xBB\x82\xCC\x91\xBC");
    EXPECT_EQ(PartnerKindText(4), "");
}

TEST(CompareText, FoldsOnlyAsciiLowerCase) {
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_LT(CompareText("abc", "abd"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_GT(CompareText("abc", "ab"), 0);
    EXPECT_GT(CompareText("\x83\x41", "\x82\x41"), 0);  // bytes taken unsigned
    EXPECT_GT(CompareText("\xE0", "z"), 0);
    EXPECT_GT(CompareText("_", "a"), 0);  // 'a' is taken as 'A' (0x41), below '_' (0x5F)
}

TEST(SortRules, NameCountAndThirdColumn) {
    EXPECT_LT(CompareByName("Apple", "banana", 1), 0);
    EXPECT_GT(CompareByName("Apple", "banana", -1), 0);
    EXPECT_EQ(CompareByName("ABC", "abc", 1), 0);
    // +1: largest count first.
    EXPECT_LT(CompareByCount("10", "9", 1), 0);
    EXPECT_GT(CompareByCount("10", "9", -1), 0);
    EXPECT_EQ(CompareByCount("x", "0", 1), 0);  // not an integer reads as 0
    EXPECT_EQ(CompareByCount("", "0", 1), 0);
    EXPECT_EQ(CompareByCount("1 2", "0", 1), 0);
    EXPECT_GT(CompareByCount("-3", "1", 1), 0);
    EXPECT_LT(CompareByCount("99999999999", "1", 1), 0);
    EXPECT_EQ(CompareByCount("999999999999999999999", "0", 1), 0);                  // out of range reads as 0
    EXPECT_LT(CompareByCount("9223372036854775807", "9223372036854775806", 1), 0);  // the largest still read
    EXPECT_GT(CompareByThirdColumn("A", "B", 1), 0);                                // +1: descending
    EXPECT_LT(CompareByThirdColumn("A", "B", -1), 0);
}

TEST(SortRules, KindColumnFirstClickOrder) {
    std::vector<std::string> kinds = {PartnerKindText(0), PartnerKindText(1), PartnerKindText(2), PartnerKindText(3)};
    std::sort(kinds.begin(), kinds.end(),
              [](const std::string& a, const std::string& b) { return CompareByThirdColumn(a, b, 1) < 0; });
    const std::vector<std::string> want = {PartnerKindText(1), PartnerKindText(0), PartnerKindText(3),
                                           PartnerKindText(2)};
    EXPECT_EQ(kinds, want);
}

TEST(NextSortDirection, SameColumnFlipsOtherColumnStartsAscending) {
    SortState st;
    EXPECT_EQ(NextSortDirection(st, 2), 1);   // first click on the count: largest first
    EXPECT_EQ(NextSortDirection(st, 2), -1);  // second click: smallest first
    EXPECT_EQ(NextSortDirection(st, 1), 1);
    EXPECT_EQ(NextSortDirection(st, 2), 1);  // name then count: largest first again
    EXPECT_EQ(st.lastColumn, 2);
    EXPECT_EQ(NextSortDirection(st, 2), -1);
    EXPECT_EQ(NextSortDirection(st, 2), 1);
}

}  // namespace
