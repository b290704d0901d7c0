// Flat offsets of line starts, lines joined by one "\n" each, as assistive
// technologies address the text. Kept as a Fenwick tree over each line's
// length plus one for its line break: a line's start is a prefix sum, the line
// holding an offset a descent through the tree, both in logarithmic time, and
// an edit within a line updates it in logarithmic time too, however many lines
// follow. Built on demand (the first use after a load scans the line store
// once); an edit that adds or removes lines rebuilds the tree after it from
// the kept lengths, a linear pass without decoding any text.
#pragma once

#include <QtGlobal>

#include <vector>

#include "document/line_store.h"

namespace chatscope {

class LineOffsets {
public:
    void Clear() {
        lengths_.clear();
        tree_.assign(1, 0);
    }
    // Brings the offsets up to date with `store` after lines were appended
    // (or the store was replaced): one entry per line.
    void Update(const LineStore& store);
    // Follows an edit that replaced lines [first, first + removed) of the store
    // by `added` lines (`store` is already changed). Offsets not yet built stay
    // so until the next Update.
    void Splice(int first, int removed, int added, const LineStore& store);

    int LineCount() const { return static_cast<int>(lengths_.size()); }
    // Start of `line` (0 <= line <= LineCount(); LineCount() gives End()).
    qint64 Start(int line) const;
    qint64 End() const { return Start(LineCount()); }  // character count + 1
    // The line holding `offset` (a line's break belongs to it).
    int LineAt(qint64 offset) const;

private:
    // Builds the tree again from the lengths, keeping its nodes up to `keep`.
    void Rebuild(std::size_t keep);
    void Add(int line, qint64 delta);

    std::vector<int> lengths_;        // each line's length in QChars
    std::vector<qint64> tree_ = {0};  // 1-based Fenwick tree of length + 1
};

}  // namespace chatscope
