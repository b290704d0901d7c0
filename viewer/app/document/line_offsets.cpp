#include "document/line_offsets.h"

#include <algorithm>

namespace chatscope {

void LineOffsets::Update(const LineStore& store) {
    const int count = store.Count();
    if (static_cast<int>(starts_.size()) == count + 1) return;
    if (starts_.size() > static_cast<std::size_t>(count) + 1) starts_.resize(1);
    if (starts_.empty()) starts_.push_back(0);
    starts_.reserve(static_cast<std::size_t>(count) + 1);
    for (int line = static_cast<int>(starts_.size()) - 1; line < count; ++line)
        starts_.push_back(starts_.back() + store.Length(line) + 1);
}

int LineOffsets::LineAt(qint64 offset) const {
    auto it = std::upper_bound(starts_.begin(), starts_.end() - 1, offset);
    return std::max(0, static_cast<int>(it - starts_.begin()) - 1);
}

}  // namespace chatscope
