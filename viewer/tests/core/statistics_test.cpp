#include "chatscope/statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "chatscope/classify.h"

namespace {

using namespace chatscope;
using namespace std::string_literals;

const std::string kComma = "\x81\x41";                         // "、"
const std::string kObtain = "\x82\xF0\x8E\xE8";                // "を手"
const std::string kFell = "\x82\xCD\x93\x7C\x82\xEA\x82\xBD";  // "は倒れた"
const std::string kDefeat = "\x82\xF0\x93\x7C";                // "を倒"
const std::string kMoney = "\x83\x4D\x83\x8B\x82\xF0";         // "ギルを"
const std::string kKanji = "\x8E\xE6";                         // one double-byte character

class Stats : public ::testing::Test {
protected:
    void Count(std::uint8_t code, std::string_view text) { CountRecord(s, code, text, users); }
    // Every counter except those named is zero.
    void ExpectOnly(std::initializer_list<std::pair<Counter, std::int64_t>> expected) {
        std::array<std::int64_t, kCounterCount> want{};
        for (auto [c, v] : expected) want[c] = v;
        for (int i = 0; i < kCounterCount; ++i) EXPECT_EQ(s.counters[i], want[i]) << "counter " << i;
    }
    LogStatistics s;
    UserList users;
};

TEST(ExtractNumber, FirstDigitRunFollowedByAByte) {
    EXPECT_EQ(ExtractNumber(""), 0);
    EXPECT_EQ(ExtractNumber("no digits"), 0);
    EXPECT_EQ(ExtractNumber("12345"), 0);
    EXPECT_EQ(ExtractNumber("gain 42"), 0);
    EXPECT_EQ(ExtractNumber("gain 42 points"), 42);
    EXPECT_EQ(ExtractNumber("ab1cd22ef"), 1);
    EXPECT_EQ(ExtractNumber("007x"), 7);
    EXPECT_EQ(ExtractNumber("\x82\x4F"
                            "5!"),
              5);  // a full-width digit is no digit
}

TEST(ExtractNumber, LargeRunsStopAtInt32Max) {
    EXPECT_EQ(ExtractNumber("2147483647x"), 2147483647);
    EXPECT_EQ(ExtractNumber("2147483648x"), 2147483647);
    EXPECT_EQ(ExtractNumber("99999999999999999999999999x"), 2147483647);
    EXPECT_EQ(ExtractNumber("99999999999999999999999999"), 0);
}

TEST(CutToCharBoundary, BacksOffFromASplitDoubleByteCharacter) {
    EXPECT_EQ(CutToCharBoundary("abc", 16), "abc");
    EXPECT_EQ(CutToCharBoundary("abcdef", 4), "abcd");
    EXPECT_EQ(CutToCharBoundary("a" + kKanji + kKanji, 4), "a" + kKanji);
    EXPECT_EQ(CutToCharBoundary(kKanji + kKanji + "b", 4), kKanji + kKanji);
    // A name within its limit is never cut, even when it ends in a lead byte.
    EXPECT_EQ(CutToCharBoundary("ab\x81", 3), "ab\x81");
}

// The ends of both lead-byte ranges (0x81-0x9F, 0xE0-0xFC) and the bytes just
// outside them: a lead byte at the limit's last place is left out with its pair.
TEST(CutToCharBoundary, LeadByteRangeEnds) {
    const struct {
        unsigned char byte;
        bool lead;
    } rows[] = {{0x80, false}, {0x81, true}, {0x9F, true}, {0xA0, false},
                {0xDF, false}, {0xE0, true}, {0xFC, true}, {0xFD, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.byte));
        const std::string name = std::string("abc") + static_cast<char>(row.byte) + "\x40z";
        EXPECT_EQ(CutToCharBoundary(name, 4), row.lead ? "abc" : name.substr(0, 4));
        // As the first byte, a lead byte and its pair stay together.
        EXPECT_EQ(CutToCharBoundary(name.substr(3), 1), row.lead ? "" : name.substr(3, 1));
    }
}

TEST_F(Stats, ChatChannelsCountLinesAndPartners) {
    Count(1, "Alice : hi");   // Say
    Count(9, "Bob : hi");     // Say
    Count(4, ">>Carol : x");  // Tell starting with '>': read from offset 2
    Count(12, ">Dave x");     // Tell from offset 2: "ave"
    Count(5, "(Eve) x");      // Party from 1
    Count(14, "<Finn> x");    // LinkShell from 1
    Count(2, "Gus");          // Shout
    Count(7, "Hal waves");    // Emote
    ExpectOnly({{SayLines, 2}, {TellLines, 2}, {PartyLines, 1}, {LinkShellLines, 1}, {ShoutLines, 1}, {EmoteLines, 1}});
    std::vector<std::pair<std::string, int>> got;
    for (const auto& e : s.TalkPartners.entries()) got.emplace_back(e.name, e.Kind());
    const std::vector<std::pair<std::string, int>> want = {{"Alice", 3}, {"Bob", 3},  {"Carol", 2}, {"ave", 2},
                                                           {"Eve", 0},   {"Finn", 1}, {"Gus", 3},   {"Hal", 3}};
    EXPECT_EQ(got, want);
}

TEST_F(Stats, PartnerNameRules) {
    RecordPartner(s, ">Tom", PartnerKind::Tell);
    RecordPartner(s, "Tom2", PartnerKind::Tell);
    RecordPartner(s, "[GM]Ann:", PartnerKind::Other);
    RecordPartner(s, "ABCDEFGHIJKLMNOPQRS", PartnerKind::Other);
    RecordPartner(s, "9lives", PartnerKind::Other);  // digit at the start offset
    RecordPartner(s, "x", PartnerKind::Party);       // nothing from the start offset on
    RecordPartner(s, "", PartnerKind::LinkShell);
    RecordPartner(s, ">", PartnerKind::Tell);
    const auto& e = s.TalkPartners.entries();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].name, "om");  // ">Tom" from offset 2
    EXPECT_EQ(e[1].name, "Tom");
    EXPECT_EQ(e[1].Count(), 1u);
    EXPECT_EQ(e[2].name, "[GM]Ann");
    EXPECT_EQ(e[3].name, "ABCDEFGHIJKLMNOP");
    RecordPartner(s, "ABCDEFGHIJKLMNOPQ", PartnerKind::Other);
    ASSERT_EQ(s.TalkPartners.size(), 4u) << "both runs cut to the same 16 letters";
    EXPECT_EQ(s.TalkPartners.entries()[3].Count(), 2u);
}

TEST_F(Stats, PartnerMetUnderSecondKindCountsOnFirstEntry) {
    RecordPartner(s, "Zed", PartnerKind::Tell);
    RecordPartner(s, "(Zed", PartnerKind::Party);
    RecordPartner(s, "zed", PartnerKind::Other);  // case matters
    const auto& e = s.TalkPartners.entries();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].Count(), 2u);
    EXPECT_EQ(e[0].Kind(), 2);
    EXPECT_EQ(e[1].name, "zed");
}

TEST_F(Stats, TallyCountStopsAtFFFFFE) {
    const std::uint32_t kind = 1u << 24;
    for (std::uint32_t i = 0; i < 0xFFFFFFu + 3; ++i) TallyName(s.TalkPartners, "Max", kind);
    const auto& e = s.TalkPartners.entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].Count(), 0xFFFFFEu);
    EXPECT_EQ(e[0].Kind(), 1);
    EXPECT_EQ(e[0].countWord, 0x01FFFFFEu);
}

TEST_F(Stats, ExperienceAndMoney) {
    Count(131, "You gain 150 points.");
    Count(131, "You gain 50 points.");
    Count(127, "Bob" + kComma + "100" + kMoney + kComma + "x" + kObtain);
    ExpectOnly({{ExpLines, 2}, {ExpPoints, 200}, {DropLines, 1}, {MoneyGained, 100}});
    EXPECT_EQ(s.items.size(), 0u) << "a money record records no item";
}

TEST_F(Stats, ItemRecordSplitsNameAndObtainer) {
    Count(127, "Bob" + kComma + "Potion" + kObtain + "!");
    Count(127, "Bob" + kComma + "Potion" + kObtain);
    Count(127, "Cid" + kComma + "no marker");
    Count(127, "no comma" + kObtain);
    ExpectOnly({{DropLines, 4}});
    ASSERT_EQ(s.items.size(), 2u) << "two equal records give two entries";
    EXPECT_EQ(s.items.Name(0), "Potion");
    EXPECT_EQ(s.items.Obtainer(0), "Bob");
    EXPECT_EQ(s.items.Name(1), "Potion");
}

TEST_F(Stats, ItemNameEdgeCases) {
    RecordItem(s, kObtain + "Bob" + kComma + "Tail");        // marker before the comma: to the end
    RecordItem(s, "ABCDEFGHIJKLMNOPQR" + kComma + kObtain);  // empty name, obtainer cut to 16
    RecordItem(s, "1Bob" + kComma + "X" + kObtain);          // no letter first: empty obtainer
    const std::string longName = std::string(63, 'n') + kKanji + "tail";
    RecordItem(s, "Ann" + kComma + longName + kObtain);
    ASSERT_EQ(s.items.size(), 4u);
    EXPECT_EQ(s.items.Name(0), "Tail");
    EXPECT_EQ(s.items.Obtainer(0), "");
    EXPECT_EQ(s.items.Name(1), "");
    EXPECT_EQ(s.items.Obtainer(1), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(s.items.Obtainer(2), "");
    EXPECT_EQ(s.items.Name(3), std::string(63, 'n')) << "cut backs off before the split character";
}

TEST(ItemLog, MergesPairsInOrderOfFirstAppearance) {
    ItemLog log;
    log.Append("A", "X");
    log.Append("A", "X");
    log.Append("A", "Y");
    log.Append("B", "X");
    ASSERT_EQ(log.size(), 4u);
    const auto& rows = log.Merged();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "A");
    EXPECT_EQ(rows[0].count, 2);
    EXPECT_EQ(rows[0].obtainer, "X");
    EXPECT_EQ(rows[1].name, "A");
    EXPECT_EQ(rows[1].count, 1);
    EXPECT_EQ(rows[1].obtainer, "Y");
    EXPECT_EQ(rows[2].name, "B");
    EXPECT_EQ(rows[2].count, 1);
    EXPECT_EQ(rows[2].obtainer, "X");
    EXPECT_EQ(log.Name(3), "B");
    EXPECT_EQ(log.Obtainer(2), "Y");
}

TEST(ItemLog, PairKeyDoesNotConfuseNameAndObtainerBoundary) {
    ItemLog log;
    log.Append("AB", "C");
    log.Append("A", "BC");
    log.Append("", "ABC");
    log.Append("ABC", "");
    EXPECT_EQ(log.Merged().size(), 4u);
    log.Clear();
    EXPECT_EQ(log.size(), 0u);
    EXPECT_TRUE(log.Merged().empty());
    log.Append("A", "X");
    EXPECT_EQ(log.Merged().size(), 1u);
    EXPECT_EQ(log.Merged()[0].count, 1);
}

TEST_F(Stats, DefeatRecords) {
    Count(36, "Goblin" + kFell);
    Count(37, "Ann" + kComma + "Goblin" + kDefeat + "!");
    Count(36, kFell + "rest");                  // empty name is tallied
    Count(36, "no markers at all");             // counted, nothing tallied
    Count(37, kDefeat + "x" + kComma + "Orc");  // marker before comma: to the end
    ExpectOnly({{DefeatCount, 3}, {PartyDefeatCount, 2}, {OtherLines, 5}});
    const auto& e = s.DefeatedMonsters.entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].name, "Goblin");
    EXPECT_EQ(e[0].Count(), 2u);
    EXPECT_EQ(e[0].Kind(), 0);
    EXPECT_EQ(e[1].name, "");
    EXPECT_EQ(e[2].name, "Orc");
}

TEST_F(Stats, MonsterNameCutToThirtyTwoBytes) {
    RecordDefeat(s, std::string(31, 'm') + kKanji + kFell);
    ASSERT_EQ(s.DefeatedMonsters.size(), 1u);
    EXPECT_EQ(s.DefeatedMonsters.entries()[0].name, std::string(31, 'm'));
}

TEST_F(Stats, BattleTypeCodes) {
    Count(20, "hit for 30 damage");
    Count(20, "hit for 12 damage");
    Count(21, "miss 5 x");
    Count(22, "22 x");
    Count(23, "heal 7 x");
    Count(25, "party 9 x");
    Count(28, "took 4 x");
    Count(31, "healed 3 x");
    Count(32, "party took 2 x");
    Count(38, "down 1 x");
    Count(39, "party down 1 x");
    ExpectOnly({{AttackDamage, 42},
                {AttackCount, 2},
                {MissCount, 1},
                {HealingDone, 7},
                {HealingDoneCount, 1},
                {PartyAttackDamage, 9},
                {DamageTaken, 4},
                {DamageTakenCount, 1},
                {HealingReceived, 3},
                {HealingReceivedCount, 1},
                {PartyDamageTaken, 2},
                {KnockedOutCount, 1},
                {PartyKnockedOutCount, 1},
                {OtherLines, 11}});
}

TEST_F(Stats, EtcCategoriesAndUserFilter) {
    Count(0, "x");
    Count(204, "x");
    Count(205, "x");
    Count(129, "x");
    Count(191, "\x83\x8C\x83\x78\x83\x8B");
    Count(18, "x");
    ExpectOnly({{OtherLines, 1},
                {SearchCommentLines, 1},
                {LinkShellMessageLines, 1},
                {SkillLines, 1},
                {LevelChangeLines, 1},
                {ServiceMessageLines, 1}});
    ResetStatistics(s);
    users.Append({"mine", 1, false});
    users.Append({"battle", 20, false});
    Count(1, "Alice : hi");
    Count(20, "hit 5 x");  // the type-code table still applies on a user-filter match
    ExpectOnly({{OtherLines, 2}, {AttackDamage, 5}, {AttackCount, 1}});
    EXPECT_EQ(s.TalkPartners.size(), 0u);
}

TEST_F(Stats, SumsNeverWrap) {
    s.counters[ExpPoints] = std::numeric_limits<std::int64_t>::max() - 10;
    Count(131, "2147483647 x");
    EXPECT_EQ(s[ExpPoints], std::numeric_limits<std::int64_t>::max());
    for (int i = 0; i < 3; ++i) Count(131, "2147483647 x");
    EXPECT_EQ(s[ExpPoints], std::numeric_limits<std::int64_t>::max());
    // Past the 32-bit range the counters keep counting exactly.
    ResetStatistics(s);
    for (int i = 0; i < 3; ++i) Count(131, "2147483647 x");
    EXPECT_EQ(s[ExpPoints], 3 * std::int64_t{2147483647});
}

TEST_F(Stats, ResetEmptiesEverything) {
    Count(1, "Al x");
    Count(127, "Bo" + kComma + "I" + kObtain);
    Count(36, "M" + kFell);
    ResetStatistics(s);
    ExpectOnly({});
    EXPECT_EQ(s.items.size(), 0u);
    EXPECT_EQ(s.DefeatedMonsters.size(), 0u);
    EXPECT_EQ(s.TalkPartners.size(), 0u);
    Count(1, "Al x");  // the index is emptied with the list
    ASSERT_EQ(s.TalkPartners.size(), 1u);
    EXPECT_EQ(s.TalkPartners.entries()[0].Count(), 1u);
}

// Whatever the type code, a record feeds exactly the line counter its category's
// filter bit names, or OtherLines.
TEST(CountRecordTable, LineCounterFollowsTheCategoryBit) {
    const std::pair<std::uint32_t, Counter> kByBit[] = {{FilterBit::Say, SayLines},
                                                        {FilterBit::Tell, TellLines},
                                                        {FilterBit::Party, PartyLines},
                                                        {FilterBit::LinkShell, LinkShellLines},
                                                        {FilterBit::Shout, ShoutLines},
                                                        {FilterBit::Emote, EmoteLines},
                                                        {FilterBit::ItemDrop, DropLines},
                                                        {FilterBit::Experience, ExpLines},
                                                        {FilterBit::SearchComment, SearchCommentLines},
                                                        {FilterBit::LinkShellMessage, LinkShellMessageLines},
                                                        {FilterBit::SkillUp, SkillLines},
                                                        {FilterBit::LevelChange, LevelChangeLines},
                                                        {FilterBit::ServiceMessage, ServiceMessageLines}};
    UserList none, all;
    for (int code = 0; code < 256; ++code) all.Append({"u", code, false});
    for (const UserList* users : {&none, &all}) {
        for (int code = 0; code < 256; ++code) {
            for (std::string_view text : {std::string_view("Abc 1 x"), std::string_view("\x83\x8C\x83\x78\x83\x8B")}) {
                LogStatistics s;
                CountRecord(s, std::uint8_t(code), text, *users);
                const std::uint32_t bit = CategoryFilterBits[ClassifyMessage(std::uint8_t(code), text, *users)];
                Counter want = OtherLines;
                for (auto [b, c] : kByBit)
                    if (b == bit) want = c;
                for (int c = 0; c <= OtherLines; ++c)
                    ASSERT_EQ(s.counters[c], c == want ? 1 : 0) << "code " << code << " counter " << c;
            }
        }
    }
}

TEST(NameTally, ManyDistinctNamesKeepOrderAndCounts) {
    NameTally t;
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 5000; ++i) t.Tally("name" + std::to_string(i), std::uint32_t(round) << 24);
    ASSERT_EQ(t.size(), 5000u);
    for (int i = 0; i < 5000; ++i) {
        EXPECT_EQ(t.entries()[i].name, "name" + std::to_string(i));
        EXPECT_EQ(t.entries()[i].Count(), 3u);
        EXPECT_EQ(t.entries()[i].Kind(), 0);
    }
    t.Clear();
    t.Tally("name7", 0);
    EXPECT_EQ(t.size(), 1u);
    EXPECT_EQ(t.entries()[0].Count(), 1u);
}

TEST(ItemLog, ManyPairsMergeLikeALinearScan) {
    ItemLog log;
    std::vector<std::pair<std::string, std::string>> seen;
    std::vector<std::int64_t> counts;
    for (int i = 0; i < 20000; ++i) {
        const std::string name = "item" + std::to_string((i * 7) % 1500);
        const std::string who = (i % 3) ? "Ann" : "Bob";
        log.Append(name, who);
        const auto it = std::find(seen.begin(), seen.end(), std::make_pair(name, who));
        if (it == seen.end()) {
            seen.emplace_back(name, who);
            counts.push_back(1);
        } else {
            ++counts[std::size_t(it - seen.begin())];
        }
    }
    ASSERT_EQ(log.Merged().size(), seen.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(log.Merged()[i].name, seen[i].first);
        EXPECT_EQ(log.Merged()[i].obtainer, seen[i].second);
        EXPECT_EQ(log.Merged()[i].count, counts[i]);
    }
}

}  // namespace
