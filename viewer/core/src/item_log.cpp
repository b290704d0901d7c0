// Item records of a pass, stored once per distinct (name, obtainer) pair.
#include "chatscope/statistics.h"

#include "same_bytes.h"

namespace chatscope {
namespace {

std::uint64_t PairHash(std::string_view name, std::string_view obtainer) {
    const NameHash h;
    return (h(name) * 0x9E3779B97F4A7C15ULL) ^ h(obtainer);
}

}  // namespace

void ItemLog::Clear() {
    order_.clear();
    rows_.clear();
    index_.Clear();
}

void ItemLog::Append(std::string_view name, std::string_view obtainer) {
    const std::uint64_t h = PairHash(name, obtainer);
    std::uint32_t row = index_.Find(h, [&](std::uint32_t r) {
        return detail::SameBytes(rows_[r].name, name) && detail::SameBytes(rows_[r].obtainer, obtainer);
    });
    lastAdded_ = row == NameSlots::kNone;
    if (!lastAdded_) {
        ++rows_[row].count;
    } else {
        row = static_cast<std::uint32_t>(rows_.size());
        rows_.push_back(ItemRow{std::string(name), 1, std::string(obtainer)});
        index_.Insert(h, row, [this](std::uint32_t r) { return PairHash(rows_[r].name, rows_[r].obtainer); });
    }
    order_.push_back(row);
}

void ItemLog::UndoLastAppend() {
    const std::uint32_t row = order_.back();
    order_.pop_back();
    if (!lastAdded_) {
        --rows_[row].count;
        return;
    }
    index_.EraseLast(PairHash(rows_[row].name, rows_[row].obtainer), row);
    rows_.pop_back();
}

}  // namespace chatscope
