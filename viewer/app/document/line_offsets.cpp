#include "document/line_offsets.h"

#include <algorithm>
#include <numeric>

namespace chatscope {

void LineOffsets::Update(const LineStore& store) {
    const int count = store.Count();
    if (LineCount() == count) return;
    if (LineCount() > count) Clear();
    const int built = LineCount();
    const int firstBlock = built == 0 ? 0 : lengths_.BlockOf(built - 1);
    if (store.Empty()) {
        lengths_.PushBack(0);  // the empty start line
    } else {
        store.ForEach(built, count - built, [&](int line, const LineRec&) {
            lengths_.PushBack(store.Length(line));
            return true;
        });
    }
    blockStarts_.resize(static_cast<std::size_t>(firstBlock) + 1);
    Recount({firstBlock, 0, lengths_.BlockCount() - firstBlock});
}

void LineOffsets::Splice(int first, int removed, int added, const LineStore& store) {
    if (LineCount() != store.Count() - added + removed || first + removed > LineCount()) {
        Clear();  // never built, or built for other lines: built afresh when asked
        return;
    }
    std::vector<int> inserted;
    inserted.reserve(static_cast<std::size_t>(added));
    for (int i = 0; i < added; ++i) inserted.push_back(store.Length(first + i));
    Recount(lengths_.Splice(first, removed, inserted));
}

void LineOffsets::Recount(Lengths::Change change) {
    const auto at = blockStarts_.begin() + change.first;
    const qint64 before = *at;
    const qint64 oldEnd = change.removed > 0 ? *(at + change.removed) : before;
    std::vector<qint64> ends;
    ends.reserve(static_cast<std::size_t>(change.added));
    qint64 end = before;
    for (int b = change.first; b < change.first + change.added; ++b) {
        const Lengths::Block& block = lengths_.BlockAt(b);
        end += std::accumulate(block.begin(), block.end(), qint64{0}) + static_cast<qint64>(block.size());
        ends.push_back(end);
    }
    blockStarts_.erase(at + 1, at + 1 + change.removed);
    blockStarts_.insert(blockStarts_.begin() + change.first + 1, ends.begin(), ends.end());
    const qint64 delta = end - oldEnd;
    if (delta != 0)
        for (auto it = blockStarts_.begin() + change.first + 1 + change.added; it != blockStarts_.end(); ++it)
            *it += delta;
}

qint64 LineOffsets::Start(int line) const {
    if (line >= LineCount()) return End();
    const int b = lengths_.BlockOf(line);
    const Lengths::Block& block = lengths_.BlockAt(b);
    const int within = line - lengths_.BlockStart(b);
    return blockStarts_[static_cast<std::size_t>(b)] + within +
           std::accumulate(block.begin(), block.begin() + within, qint64{0});
}

int LineOffsets::LineAt(qint64 offset) const {
    const int n = LineCount();
    if (n == 0) return 0;
    // The first block that ends after `offset`.
    const auto it = std::upper_bound(blockStarts_.begin() + 1, blockStarts_.end(), offset);
    if (it == blockStarts_.end()) return n - 1;
    const int b = static_cast<int>(it - blockStarts_.begin()) - 1;
    qint64 rest = offset - blockStarts_[static_cast<std::size_t>(b)];
    int line = lengths_.BlockStart(b);
    for (const int length : lengths_.BlockAt(b)) {
        if (rest <= length) return line;
        rest -= length + 1;
        ++line;
    }
    return std::min(line, n - 1);
}

}  // namespace chatscope
