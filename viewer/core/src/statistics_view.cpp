// Texts of the statistics window and the sort rules of its lists.
#include "chatscope/statistics_view.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>

namespace chatscope {
namespace {

struct CounterRowText {
    Counter counter;
    const char* caption;  // Shift-JIS
    const char* unit;     // appended to the value; Shift-JIS
};

constexpr const char* kLines = " \x8D\x73";                           // " 行"
constexpr const char* kPoints = " \x83\x7C\x83\x43\x83\x93\x83\x67";  // " ポイント"
constexpr const char* kGil = " \x83\x4D\x83\x8B";                     // " ギル"
constexpr const char* kHp = " HP";
constexpr const char* kTimes = " \x89\xF1";  // " 回"

constexpr CounterRowText kRows[kCounterCount] = {
    {SayLines, "Say", kLines},
    {TellLines, "Tell", kLines},
    {PartyLines, "Party", kLines},
    {LinkShellLines, "LinkShell", kLines},
    {ShoutLines, "Shout", kLines},
    {EmoteLines, "Emote", kLines},
    {ServiceMessageLines, "\x83\x54\x81\x5B\x83\x72\x83\x58\x83\x81\x83\x62\x83\x5A\x81\x5B\x83\x57", kLines},
    {DropLines, "\x83\x41\x83\x43\x83\x65\x83\x80\x81\x41\x83\x4D\x83\x8B\x8E\xE6\x93\xBE", kLines},
    {SkillLines, "\x83\x58\x83\x4C\x83\x8B\x83\x41\x83\x62\x83\x76", kLines},
    {ExpLines, "\x8C\x6F\x8C\xB1\x92\x6C", kLines},
    {SearchCommentLines, "\x83\x54\x81\x5B\x83\x60\x83\x52\x83\x81\x83\x93\x83\x67", kLines},
    {LinkShellMessageLines, "\x83\x8A\x83\x93\x83\x4E\x83\x56\x83\x46\x83\x8B\x83\x81\x83\x62\x83\x5A\x81\x5B\x83\x57",
     kLines},
    {LevelChangeLines, "\x83\x8C\x83\x78\x83\x8B\x83\x41\x83\x62\x83\x76\x81\x41\x83\x5F\x83\x45\x83\x93", kLines},
    {OtherLines, "\x82\xBB\x82\xCC\x91\xBC", kLines},
    {ExpPoints, "\x8E\xE6\x93\xBE\x8C\x6F\x8C\xB1\x92\x6C", kPoints},
    {MoneyGained, "\x8E\xE6\x93\xBE\x83\x4D\x83\x8B", kGil},
    {AttackDamage, "\x83\x41\x83\x5E\x83\x62\x83\x4E", kHp},
    {AttackCount, "\x83\x41\x83\x5E\x83\x62\x83\x4E\x89\xF1\x90\x94", kTimes},
    {MissCount, "\x83\x7E\x83\x58\x89\xF1\x90\x94", kTimes},
    {DamageTaken, "\x94\xED\x83\x5F\x83\x81\x81\x5B\x83\x57", kHp},
    {DamageTakenCount, "\x94\xED\x83\x5F\x83\x81\x81\x5B\x83\x57\x89\xF1\x90\x94", kTimes},
    {HealingDone, "\x89\xF1\x95\x9C", kHp},
    {HealingDoneCount, "\x89\xF1\x95\x9C\x89\xF1\x90\x94", kTimes},
    {HealingReceived, "\x94\xED\x89\xF1\x95\x9C", kHp},
    {HealingReceivedCount, "\x94\xED\x89\xF1\x95\x9C\x89\xF1\x90\x94", kTimes},
    {DefeatCount, "\x93\x7C\x82\xB5\x82\xBD\x89\xF1\x90\x94", kTimes},
    {KnockedOutCount, "\x90\xED\x93\xAC\x95\x73\x94\x5C\x89\xF1\x90\x94", kTimes},
    {PartyAttackDamage, "\x83\x41\x83\x5E\x83\x62\x83\x4E(\x83\x70\x81\x5B\x83\x65\x83\x42\x81\x5B)", kHp},
    {PartyDamageTaken, "\x94\xED\x83\x5F\x83\x81\x81\x5B\x83\x57(\x83\x70\x81\x5B\x83\x65\x83\x42\x81\x5B)", kHp},
    {PartyDefeatCount, "\x93\x7C\x82\xB5\x82\xBD\x89\xF1\x90\x94(\x83\x70\x81\x5B\x83\x65\x83\x42\x81\x5B)", kTimes},
    {PartyKnockedOutCount, "\x90\xED\x93\xAC\x95\x73\x94\x5C\x89\xF1\x90\x94(\x83\x70\x81\x5B\x83\x65\x83\x42\x81\x5B)",
     kTimes},
};

// Decimal integer with an optional sign and nothing else; 0 for any other text.
std::int64_t ReadCount(std::string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return 0;
    std::int64_t v = 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return 0;
        const int d = s[i] - '0';
        if (v > (kMax - d) / 10) return 0;  // out of range
        v = v * 10 + d;
    }
    return negative ? -v : v;
}

int Sign(std::int64_t v) { return (v > 0) - (v < 0); }

unsigned char Fold(unsigned char b) { return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 32) : b; }

}  // namespace

std::vector<std::pair<std::string, std::string>> CounterRows(const LogStatistics& stats) {
    std::vector<std::pair<std::string, std::string>> rows;
    rows.reserve(kCounterCount);
    for (const CounterRowText& r : kRows) {
        char value[64];
        std::snprintf(value, sizeof value, "%" PRId64 "%s", stats[r.counter], r.unit);
        rows.emplace_back(r.caption, value);
    }
    return rows;
}

std::string PartnerKindText(std::uint8_t kind) {
    switch (kind) {
    case 0: return "\x83\x70\x81\x5B\x83\x65\x83\x42";                  // "パーティ"
    case 1: return "\x83\x8A\x83\x93\x83\x4E\x83\x56\x83\x46\x83\x8B";  // "リンクシェル"
    case 2: return "TELL";
    case 3: return "\x82\xBB\x82\xCC\x91\xBC";  // "その他"
    default: return {};
    }
}

int CompareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = Fold(static_cast<unsigned char>(a[i]));
        const int cb = Fold(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return Sign(static_cast<std::int64_t>(a.size()) - static_cast<std::int64_t>(b.size()));
}

int CompareByName(std::string_view firstA, std::string_view firstB, int direction) {
    return CompareText(firstA, firstB) * direction;
}

int CompareByCount(std::string_view secondA, std::string_view secondB, int direction) {
    const std::int64_t a = ReadCount(secondA), b = ReadCount(secondB);
    // Compared rather than subtracted: the difference of two counts may not fit.
    return Sign((b > a) - (b < a)) * direction;
}

int CompareByThirdColumn(std::string_view thirdA, std::string_view thirdB, int direction) {
    return -CompareText(thirdA, thirdB) * direction;
}

int NextSortDirection(SortState& state, int columnId) {
    state.direction = (columnId == state.lastColumn) ? -state.direction : 1;
    state.lastColumn = columnId;
    return state.direction;
}

}  // namespace chatscope
