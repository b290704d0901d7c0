#include "document/line_offsets.h"

#include <algorithm>
#include <bit>

namespace chatscope {

void LineOffsets::Update(const LineStore& store) {
    const int count = store.Count();
    if (LineCount() == count) return;
    if (LineCount() > count) lengths_.clear();
    const std::size_t built = lengths_.size();
    lengths_.reserve(static_cast<std::size_t>(count));
    for (int line = LineCount(); line < count; ++line) lengths_.push_back(store.Length(line));
    Rebuild(built);
}

void LineOffsets::Splice(int first, int removed, int added, const LineStore& store) {
    if (LineCount() != store.Count() - added + removed || first + removed > LineCount()) {
        Clear();  // never built, or built for other lines: built afresh when asked
        return;
    }
    if (added == removed) {
        for (int i = 0; i < added; ++i) {
            const int length = store.Length(first + i);
            Add(first + i, length - lengths_[static_cast<std::size_t>(first + i)]);
            lengths_[static_cast<std::size_t>(first + i)] = length;
        }
        return;
    }
    const auto at = lengths_.begin() + first;
    lengths_.erase(at, at + removed);
    std::vector<int> inserted;
    inserted.reserve(static_cast<std::size_t>(added));
    for (int i = 0; i < added; ++i) inserted.push_back(store.Length(first + i));
    lengths_.insert(lengths_.begin() + first, inserted.begin(), inserted.end());
    Rebuild(static_cast<std::size_t>(first));
}

void LineOffsets::Rebuild(std::size_t keep) {
    // Nodes up to `keep` cover only lines before it and stay; the others are
    // built again in one pass, each adding itself to its parent. Of the kept
    // nodes, those with a parent beyond `keep` are the ones a prefix sum up
    // to `keep` visits.
    const std::size_t n = lengths_.size();
    keep = std::min(keep, n);
    tree_.resize(n + 1);
    for (std::size_t i = keep + 1; i <= n; ++i) tree_[i] = lengths_[i - 1] + 1;
    auto parentOf = [](std::size_t i) { return i + (i & (~i + 1)); };
    for (std::size_t i = keep; i > 0; i -= i & (~i + 1))
        if (parentOf(i) <= n) tree_[parentOf(i)] += tree_[i];
    for (std::size_t i = keep + 1; i <= n; ++i)
        if (parentOf(i) <= n) tree_[parentOf(i)] += tree_[i];
}

void LineOffsets::Add(int line, qint64 delta) {
    if (delta == 0) return;
    for (std::size_t i = static_cast<std::size_t>(line) + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += delta;
}

qint64 LineOffsets::Start(int line) const {
    qint64 sum = 0;
    for (std::size_t i = static_cast<std::size_t>(line); i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
}

int LineOffsets::LineAt(qint64 offset) const {
    const std::size_t n = lengths_.size();
    if (n == 0) return 0;
    // The number of whole lines (with their breaks) that end at or before `offset`.
    std::size_t pos = 0;
    for (std::size_t step = std::bit_floor(n); step > 0; step >>= 1) {
        if (pos + step <= n && tree_[pos + step] <= offset) {
            pos += step;
            offset -= tree_[pos];
        }
    }
    return static_cast<int>(std::min(pos, n - 1));
}

}  // namespace chatscope
