// Statistics of one reading pass: 31 counters and the item, monster and
// conversation-partner lists. Counting happens before filtering, so the
// figures always describe the whole file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "chatscope/user_list.h"

namespace chatscope {

// Counter indices; the order is the display order of the statistics window.
enum Counter : int {
    SayLines,
    TellLines,
    PartyLines,
    LinkShellLines,
    ShoutLines,
    EmoteLines,
    ServiceMessageLines,
    DropLines,
    SkillLines,
    ExpLines,
    SearchCommentLines,
    LinkShellMessageLines,
    LevelChangeLines,
    OtherLines,
    ExpPoints,
    MoneyGained,
    AttackDamage,
    AttackCount,
    MissCount,
    DamageTaken,
    DamageTakenCount,
    HealingDone,
    HealingDoneCount,
    HealingReceived,
    HealingReceivedCount,
    DefeatCount,
    KnockedOutCount,
    PartyAttackDamage,
    PartyDamageTaken,
    PartyDefeatCount,
    PartyKnockedOutCount,
    kCounterCount
};

enum class PartnerKind : std::uint8_t { Party = 0, LinkShell = 1, Tell = 2, Other = 3 };

inline constexpr std::uint32_t kCountMask = 0x00FFFFFF;
inline constexpr std::uint32_t kCountLimit = 0x00FFFFFE;
inline constexpr std::size_t kPartnerNameLimit = 16;
inline constexpr std::size_t kObtainerNameLimit = 16;
inline constexpr std::size_t kMonsterNameLimit = 32;
inline constexpr std::size_t kItemNameLimit = 64;

// Hash of a name for the indexes below.
struct NameHash {
    // Names are short (64 bytes at most); mixed 8 bytes at a time.
    std::uint64_t operator()(std::string_view s) const noexcept {
        const char* p = s.data();
        std::size_t n = s.size();
        std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ (n * 0xFF51AFD7ED558CCDULL);
        auto load = [](const char* q, std::size_t bytes) {
            std::uint64_t w = 0;
            std::memcpy(&w, q, bytes);
            return w;
        };
        auto mix = [&h](std::uint64_t w) {
            h = (h ^ w) * 0xC4CEB9FE1A85EC53ULL;
            h ^= h >> 29;
        };
        if (n >= 8) {
            const char* last = p + n - 8;
            for (; p < last; p += 8) mix(load(p, 8));
            mix(load(last, 8));
        } else if (n >= 4) {
            mix(load(p, 4) | (load(p + n - 4, 4) << 32));
        } else if (n > 0) {
            mix(std::uint64_t(static_cast<unsigned char>(p[0])) |
                std::uint64_t(static_cast<unsigned char>(p[n / 2])) << 8 |
                std::uint64_t(static_cast<unsigned char>(p[n - 1])) << 16);
        }
        h *= 0xFF51AFD7ED558CCDULL;
        return h ^ (h >> 31);
    }
};

// Open-addressing index from a key's hash to a position in an entry list. The
// caller compares the candidates, so no key is stored twice.
class NameSlots {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    void Clear() {
        slots_.clear();
        used_ = 0;
    }
    // The position among those stored with this hash for which `same(position)` holds.
    template <typename Same> std::uint32_t Find(std::uint64_t hash, Same&& same) const {
        if (slots_.empty()) return kNone;
        const std::size_t mask = slots_.size() - 1;
        const auto tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.position == kNone) return kNone;
            if (slot.tag == tag && same(slot.position)) return slot.position;
        }
    }
    // Adds a position not yet stored; `hashOf(position)` gives the hash of any stored
    // position again when the table grows.
    template <typename HashOf> void Insert(std::uint64_t hash, std::uint32_t position, HashOf&& hashOf) {
        if ((used_ + 1) * 2 > slots_.size()) {
            std::vector<Slot> old = std::move(slots_);
            slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
            for (const Slot& slot : old)
                if (slot.position != kNone) Place(hashOf(slot.position), slot.position);
        }
        Place(hash, position);
        ++used_;
    }
    // Removes the position inserted last. Nothing placed before it probed past its
    // slot, so clearing the slot keeps every other lookup intact.
    void EraseLast(std::uint64_t hash, std::uint32_t position) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = static_cast<std::size_t>(hash) & mask;
        while (slots_[i].position != position) i = (i + 1) & mask;
        slots_[i] = Slot{};
        --used_;
    }

private:
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t position = kNone;
    };
    void Place(std::uint64_t hash, std::uint32_t position) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = static_cast<std::size_t>(hash) & mask;
        while (slots_[i].position != kNone) i = (i + 1) & mask;
        slots_[i] = Slot{static_cast<std::uint32_t>(hash >> 32), position};
    }
    std::vector<Slot> slots_;  // size a power of two, at most half full
    std::size_t used_ = 0;
};

struct NamedCount {
    std::string name;
    std::uint32_t countWord = 0;  // bits 0-23 count, bits 24-31 PartnerKind
    std::uint32_t Count() const { return countWord & kCountMask; }
    std::uint8_t Kind() const { return static_cast<std::uint8_t>(countWord >> 24); }
};

// An ordered find-or-add list with a saturating count, indexed by name so a
// tally costs no scan of the list.
class NameTally {
public:
    void Clear();
    void Tally(std::string_view name, std::uint32_t kindWord);
    const std::vector<NamedCount>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }
    // Tallies so far; UndoLastTally() takes the last one back (once).
    std::uint64_t changes() const { return changes_; }
    void UndoLastTally();

private:
    std::vector<NamedCount> entries_;
    NameSlots index_;
    std::uint64_t changes_ = 0;
    std::uint32_t lastPosition_ = 0;  // the entry the last tally touched
    std::uint32_t lastWord_ = 0;      // its count word before, when it was there before
    bool lastAdded_ = false;
};

// One row of the merged item list: a pair of item name and obtainer and the
// number of item records of that pair.
struct ItemRow {
    std::string name;
    std::int64_t count = 0;
    std::string obtainer;
};

// The item records of a pass, in file order with duplicates kept, stored as
// indices into the distinct (name, obtainer) pairs.
class ItemLog {
public:
    void Clear();
    void Append(std::string_view name, std::string_view obtainer);
    std::size_t size() const { return order_.size(); }
    std::string_view Name(std::size_t i) const { return rows_[order_[i]].name; }
    std::string_view Obtainer(std::size_t i) const { return rows_[order_[i]].obtainer; }
    // One row per distinct pair, in order of the pair's first appearance.
    const std::vector<ItemRow>& Merged() const { return rows_; }
    // Appends so far; UndoLastAppend() takes the last one back (once).
    std::uint64_t changes() const { return order_.size(); }
    void UndoLastAppend();

private:
    std::vector<std::uint32_t> order_;
    std::vector<ItemRow> rows_;
    NameSlots index_;         // over rows_
    bool lastAdded_ = false;  // the last append made a new row
};

struct LogStatistics {
    std::array<std::int64_t, kCounterCount> counters{};
    ItemLog items;
    NameTally DefeatedMonsters;
    NameTally TalkPartners;

    std::int64_t operator[](Counter c) const { return counters[c]; }
};

void ResetStatistics(LogStatistics& stats);

// The state of the statistics before a record is counted, so that counting that
// one record can be taken back (the reader counts a last line that the file ends
// inside of, and takes it back when the line has grown).
struct StatisticsMark {
    std::array<std::int64_t, kCounterCount> counters{};
    std::uint64_t items = 0, monsters = 0, partners = 0;
};
StatisticsMark MarkStatistics(const LogStatistics& stats);
// Takes back what was counted since `mark`: at most one record.
void UndoToMark(LogStatistics& stats, const StatisticsMark& mark);

// Counts one well-formed record (before its filter bit is tested).
void CountRecord(LogStatistics& stats, std::uint8_t typeCode, std::string_view text, const UserList& users);

// Value of the first ASCII digit run; 0 when there is none or it ends the text;
// 2147483647 for a run whose value is larger.
std::int32_t ExtractNumber(std::string_view text);

void RecordItem(LogStatistics& stats, std::string_view text);
void RecordDefeat(LogStatistics& stats, std::string_view text);
void RecordPartner(LogStatistics& stats, std::string_view text, PartnerKind kind);
void TallyName(NameTally& list, std::string_view name, std::uint32_t kindWord);

// Cuts a Shift-JIS byte string to at most `limit` bytes without splitting a
// double-byte character.
std::string_view CutToCharBoundary(std::string_view s, std::size_t limit);

}  // namespace chatscope
