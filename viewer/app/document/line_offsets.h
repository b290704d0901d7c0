// Flat offsets of line starts, lines joined by one "\n" each, as assistive
// technologies address the text. Built on demand (the first use after a load
// scans the line store once) and cut back when lines change.
#pragma once

#include <QtGlobal>

#include <vector>

#include "document/line_store.h"

namespace chatscope {

class LineOffsets {
public:
    void Clear() { starts_.clear(); }
    // Forgets the starts after line `line` (lines from there on changed).
    void DropAfter(int line) {
        if (starts_.size() > static_cast<std::size_t>(line) + 1) starts_.resize(static_cast<std::size_t>(line) + 1);
    }
    // Brings the starts up to date with `store`: one per line plus the end.
    void Update(const LineStore& store);

    qint64 Start(int line) const { return starts_[static_cast<std::size_t>(line)]; }
    qint64 End() const { return starts_.back(); }  // character count + 1
    // The line holding `offset` (the starts must be up to date).
    int LineAt(qint64 offset) const;

private:
    std::vector<qint64> starts_;
};

}  // namespace chatscope
