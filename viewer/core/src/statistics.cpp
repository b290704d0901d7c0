// Counting the records of a pass: counters, items, monsters and partners.
#include "chatscope/statistics.h"

#include <algorithm>
#include <array>
#include <limits>

#include "byte_classes.h"
#include "chatscope/classify.h"
#include "count_record.h"

namespace chatscope {
namespace {

constexpr std::string_view kMoneyMarker = "\x83\x4D\x83\x8B\x82\xF0";         // "ギルを"
constexpr std::string_view kComma = "\x81\x41";                               // "、"
constexpr std::string_view kObtainMarker = "\x82\xF0\x8E\xE8";                // "を手"
constexpr std::string_view kFellMarker = "\x82\xCD\x93\x7C\x82\xEA\x82\xBD";  // "は倒れた"
constexpr std::string_view kDefeatMarker = "\x82\xF0\x93\x7C";                // "を倒"

constexpr std::int64_t kCounterMax = std::numeric_limits<std::int64_t>::max();

// Counters never wrap: a sum that would pass the 64-bit range stays at its largest value.
inline void Add(LogStatistics& s, Counter c, std::int64_t n) {
    std::int64_t& v = s.counters[c];
    v = (v > kCounterMax - n) ? kCounterMax : v + n;
}
// Counting one record at a time, a 64-bit counter cannot reach its limit.
inline void Inc(LogStatistics& s, Counter c) { ++s.counters[c]; }

inline bool IsAsciiLetter(unsigned char b) { return (b | 0x20) >= 'a' && (b | 0x20) <= 'z'; }
constexpr std::array<bool, 256> kPartnerByte = [] {
    std::array<bool, 256> t{};
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = t[c + 32] = true;
    t['['] = t[']'] = true;
    return t;
}();
inline bool IsPartnerByte(unsigned char b) { return kPartnerByte[b]; }
inline bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Longest run of bytes accepted by `pred` from `from`, at most `limit` bytes.
template <typename Pred> std::string_view Run(std::string_view text, std::size_t from, std::size_t limit, Pred pred) {
    if (from >= text.size()) return {};
    const std::size_t stop = std::min(text.size(), from + limit);
    const char* p = text.data();
    std::size_t end = from;
    while (end < stop && pred(static_cast<unsigned char>(p[end]))) ++end;
    return std::string_view(p + from, end - from);
}

// The bytes after the comma marker at `comma` up to `marker`, or to the end of the
// text when the marker lies before the comma.
std::string_view BetweenCommaAndMarker(std::string_view text, std::size_t comma, std::size_t marker) {
    const std::size_t from = comma + kComma.size();
    if (marker < comma) return text.substr(from);
    return text.substr(from, marker - from);
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Offset of the first ASCII digit; the size of the text when there is none.
std::size_t FirstDigit(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    for (; i + 16 <= n; i += 16) {
        const std::uint32_t mask = detail::ClassMask16<detail::kDigitByte>(text.data() + i);
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
    while (i < n && !IsDigit(text[i])) ++i;
    return i;
}

}  // namespace

std::string_view CutToCharBoundary(std::string_view s, std::size_t limit) {
    if (s.size() <= limit) return s;
    std::size_t i = 0;
    while (i < limit) {
        const std::size_t width = IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
        if (i + width > limit) break;
        i += width;
    }
    return s.substr(0, i);
}

void ResetStatistics(LogStatistics& stats) {
    stats.counters.fill(0);
    stats.items.Clear();
    stats.DefeatedMonsters.Clear();
    stats.TalkPartners.Clear();
}

StatisticsMark MarkStatistics(const LogStatistics& stats) {
    return {stats.counters, stats.items.changes(), stats.DefeatedMonsters.changes(), stats.TalkPartners.changes()};
}

void UndoToMark(LogStatistics& stats, const StatisticsMark& mark) {
    stats.counters = mark.counters;
    if (stats.items.changes() != mark.items) stats.items.UndoLastAppend();
    if (stats.DefeatedMonsters.changes() != mark.monsters) stats.DefeatedMonsters.UndoLastTally();
    if (stats.TalkPartners.changes() != mark.partners) stats.TalkPartners.UndoLastTally();
}

std::int32_t ExtractNumber(std::string_view text) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::size_t n = text.size();
    std::size_t i = FirstDigit(text);
    if (i == n) return 0;
    std::int64_t value = 0;
    while (i < n && IsDigit(text[i])) {
        if (value <= kMax) value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (i == n) return 0;  // the run ends the text
    return static_cast<std::int32_t>(value > kMax ? kMax : value);
}

void RecordItem(LogStatistics& stats, std::string_view text) {
    const std::string_view obtainer = Run(text, 0, kObtainerNameLimit, IsAsciiLetter);
    const std::size_t comma = text.find(kComma);
    if (comma == std::string_view::npos) return;
    const std::size_t marker = text.find(kObtainMarker);
    if (marker == std::string_view::npos) return;
    const std::string_view name = CutToCharBoundary(BetweenCommaAndMarker(text, comma, marker), kItemNameLimit);
    stats.items.Append(name, obtainer);
}

void RecordDefeat(LogStatistics& stats, std::string_view text) {
    std::string_view name;
    const std::size_t fell = text.find(kFellMarker);
    if (fell != std::string_view::npos) {
        name = text.substr(0, fell);
    } else {
        const std::size_t comma = text.find(kComma);
        if (comma == std::string_view::npos) return;
        const std::size_t marker = text.find(kDefeatMarker);
        if (marker == std::string_view::npos) return;
        name = BetweenCommaAndMarker(text, comma, marker);
    }
    TallyName(stats.DefeatedMonsters, CutToCharBoundary(name, kMonsterNameLimit), 0);
}

void RecordPartner(LogStatistics& stats, std::string_view text, PartnerKind kind) {
    std::size_t start = 0;
    switch (kind) {
    case PartnerKind::Party:
    case PartnerKind::LinkShell: start = 1; break;
    case PartnerKind::Tell: start = (!text.empty() && text[0] == '>') ? 2 : 0; break;
    case PartnerKind::Other: start = 0; break;
    }
    const std::string_view name = Run(text, start, kPartnerNameLimit, IsPartnerByte);
    if (name.empty()) return;
    TallyName(stats.TalkPartners, name, std::uint32_t(static_cast<std::uint8_t>(kind)) << 24);
}

namespace detail {

void CountClassifiedRecord(LogStatistics& stats, std::uint8_t typeCode, std::string_view text, int category) {
    // Categories by their filter bit: 1, 9 Say; 4, 12 Tell; 5, 13 Party; 6, 14 LinkShell;
    // 2, 3, 10, 11 Shout; 7, 15 Emote; 17-23 the etc checklist items.
    switch (category) {
    case 1:
    case 9:
        RecordPartner(stats, text, PartnerKind::Other);
        Inc(stats, SayLines);
        return;
    case 4:
    case 12:
        RecordPartner(stats, text, PartnerKind::Tell);
        Inc(stats, TellLines);
        return;
    case 5:
    case 13:
        RecordPartner(stats, text, PartnerKind::Party);
        Inc(stats, PartyLines);
        return;
    case 6:
    case 14:
        RecordPartner(stats, text, PartnerKind::LinkShell);
        Inc(stats, LinkShellLines);
        return;
    case 2:
    case 3:
    case 10:
    case 11:
        RecordPartner(stats, text, PartnerKind::Other);
        Inc(stats, ShoutLines);
        return;
    case 7:
    case 15:
        RecordPartner(stats, text, PartnerKind::Other);
        Inc(stats, EmoteLines);
        return;
    case 18:
        if (text.find(kMoneyMarker) != std::string_view::npos)
            Add(stats, MoneyGained, ExtractNumber(text));
        else
            RecordItem(stats, text);
        Inc(stats, DropLines);
        return;
    case 19:
        Add(stats, ExpPoints, ExtractNumber(text));
        Inc(stats, ExpLines);
        return;
    case 20: Inc(stats, SearchCommentLines); return;
    case 21: Inc(stats, LinkShellMessageLines); return;
    case 22: Inc(stats, SkillLines); return;
    case 23: Inc(stats, LevelChangeLines); return;
    case 17: Inc(stats, ServiceMessageLines); return;
    default: break;
    }
    // Category 0, etc, monster defeated, user-specified: act on the type code.
    switch (typeCode) {
    case 20:
        Add(stats, AttackDamage, ExtractNumber(text));
        Inc(stats, AttackCount);
        break;
    case 21: Inc(stats, MissCount); break;
    case 23:
        Add(stats, HealingDone, ExtractNumber(text));
        Inc(stats, HealingDoneCount);
        break;
    case 25: Add(stats, PartyAttackDamage, ExtractNumber(text)); break;
    case 28:
        Add(stats, DamageTaken, ExtractNumber(text));
        Inc(stats, DamageTakenCount);
        break;
    case 31:
        Add(stats, HealingReceived, ExtractNumber(text));
        Inc(stats, HealingReceivedCount);
        break;
    case 32: Add(stats, PartyDamageTaken, ExtractNumber(text)); break;
    case 36:
        RecordDefeat(stats, text);
        Inc(stats, DefeatCount);
        break;
    case 37:
        RecordDefeat(stats, text);
        Inc(stats, PartyDefeatCount);
        break;
    case 38: Inc(stats, KnockedOutCount); break;
    case 39: Inc(stats, PartyKnockedOutCount); break;
    default: break;
    }
    Inc(stats, OtherLines);
}

}  // namespace detail

void CountRecord(LogStatistics& stats, std::uint8_t typeCode, std::string_view text, const UserList& users) {
    detail::CountClassifiedRecord(stats, typeCode, text, ClassifyMessage(typeCode, text, users));
}

}  // namespace chatscope
