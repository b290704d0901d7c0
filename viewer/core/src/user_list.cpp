// The user list and its per-type-code index of unticked entries.
#include "chatscope/user_list.h"

#include <utility>

namespace chatscope {
namespace {

bool IsMatchableCode(std::int32_t code) { return code >= 0 && code <= 255; }

}  // namespace

void UserList::Clear() {
    entries_.clear();
    untickedPerCode_.fill(0);
}

void UserList::Append(UserFilterEntry entry) {
    if (!entry.ticked && IsMatchableCode(entry.typeCode)) ++untickedPerCode_[entry.typeCode];
    entries_.push_back(std::move(entry));
}

void UserList::SetTicked(std::size_t index, bool ticked) {
    if (index >= entries_.size()) return;
    UserFilterEntry& e = entries_[index];
    if (e.ticked == ticked) return;
    e.ticked = ticked;
    if (!IsMatchableCode(e.typeCode)) return;
    if (ticked)
        --untickedPerCode_[e.typeCode];
    else
        ++untickedPerCode_[e.typeCode];
}

}  // namespace chatscope
