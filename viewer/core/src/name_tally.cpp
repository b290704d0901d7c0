// Find-or-add name list with a saturating count word.
#include "chatscope/statistics.h"

#include "same_bytes.h"

namespace chatscope {

void NameTally::Clear() {
    entries_.clear();
    index_.Clear();
    changes_ = 0;
}

void NameTally::Tally(std::string_view name, std::uint32_t kindWord) {
    const std::uint64_t h = NameHash{}(name);
    const std::uint32_t pos =
        index_.Find(h, [&](std::uint32_t p) { return detail::SameBytes(entries_[p].name, name); });
    ++changes_;
    if (pos != NameSlots::kNone) {
        // The first entry of that name; its kind byte stays that of its first record.
        std::uint32_t& w = entries_[pos].countWord;
        lastPosition_ = pos;
        lastWord_ = w;
        lastAdded_ = false;
        if ((w & kCountMask) < kCountLimit) ++w;
        return;
    }
    entries_.push_back(NamedCount{std::string(name), kindWord + 1});
    lastPosition_ = static_cast<std::uint32_t>(entries_.size() - 1);
    lastAdded_ = true;
    index_.Insert(h, lastPosition_, [this](std::uint32_t p) { return NameHash{}(entries_[p].name); });
}

void NameTally::UndoLastTally() {
    --changes_;
    if (!lastAdded_) {
        entries_[lastPosition_].countWord = lastWord_;
        return;
    }
    index_.EraseLast(NameHash{}(entries_.back().name), lastPosition_);
    entries_.pop_back();
}

void TallyName(NameTally& list, std::string_view name, std::uint32_t kindWord) { list.Tally(name, kindWord); }

}  // namespace chatscope
