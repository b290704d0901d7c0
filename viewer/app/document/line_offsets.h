// Flat offsets of line starts, lines joined by one "\n" each, as assistive
// technologies address the text. Each line's length is kept in a BlockList,
// with the characters (breaks included) before each of its blocks: a line's
// start is that figure plus a sum within one block, the line holding an
// offset a binary search over the blocks and a walk within one. An edit, also
// one that adds or removes lines, rewrites the lengths of one block and shifts
// the figures of the blocks after it, never a pass over the lines after it.
// Built on demand: the first use after a load scans the line store once.
#pragma once

#include <QtGlobal>

#include <vector>

#include "document/block_list.h"
#include "document/line_store.h"

namespace chatscope {

class LineOffsets {
public:
    void Clear() {
        lengths_.Clear();
        blockStarts_.assign(1, 0);
    }
    // Brings the offsets up to date with `store` after lines were appended
    // (or the store was replaced): one entry per line.
    void Update(const LineStore& store);
    // Follows an edit that replaced lines [first, first + removed) of the store
    // by `added` lines (`store` is already changed). Offsets not yet built stay
    // so until the next Update.
    void Splice(int first, int removed, int added, const LineStore& store);

    int LineCount() const { return lengths_.Size(); }
    // Start of `line` (0 <= line <= LineCount(); LineCount() gives End()).
    qint64 Start(int line) const;
    qint64 End() const { return blockStarts_.back(); }  // character count + 1
    // The line holding `offset` (a line's break belongs to it).
    int LineAt(qint64 offset) const;

private:
    using Lengths = BlockList<int, 1024>;
    // Counts again the characters of blocks [first, first + added), which took
    // the place of `removed` blocks, and shifts the figures of those after them.
    void Recount(Lengths::Change change);

    Lengths lengths_;                     // each line's length in QChars
    std::vector<qint64> blockStarts_{0};  // characters before each block (and in all, last)
};

}  // namespace chatscope
