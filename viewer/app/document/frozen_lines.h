// FrozenLines: a copy of the display's lines that another thread can read
// while the display goes on (loads, edits, clears). The byte chunks and the
// blocks of line records are shared, not copied: freezing a million lines
// costs the index of their blocks.
#pragma once

#include <QString>

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "document/line_store.h"

namespace chatscope {

class FrozenLines {
public:
    FrozenLines() = default;
    FrozenLines(const LineBlocks& lines, std::vector<std::shared_ptr<char[]>> chunks, std::vector<QString> edited)
        : blocks_(lines.Share()), starts_(lines.Starts()), chunks_(std::move(chunks)), edited_(std::move(edited)) {}
    // The same over `records` (copied whole into one block).
    FrozenLines(const std::vector<LineRec>& records, std::vector<std::shared_ptr<char[]>> chunks,
                std::vector<QString> edited)
        : chunks_(std::move(chunks)), edited_(std::move(edited)) {
        if (records.empty()) return;
        starts_.push_back(static_cast<int>(records.size()));
        blocks_.push_back(std::make_shared<const LineBlocks::Block>(records.begin(), records.end()));
    }

    int Count() const { return starts_.back(); }
    bool IsEdited(int line) const { return IsEdited(Rec(line)); }
    std::string_view Bytes(int line) const { return Bytes(Rec(line)); }
    const QString& EditedText(int line) const { return EditedText(Rec(line)); }

    static bool IsEdited(const LineRec& r) { return r.chunk == LineStore::kEditedChunk; }
    // The bytes of a loaded line, or the text of an edited one.
    std::string_view Bytes(const LineRec& r) const {
        if (IsEdited(r) || r.length == 0) return {};
        return {chunks_[r.chunk].get() + r.offset, r.length};
    }
    const QString& EditedText(const LineRec& r) const { return edited_[r.offset]; }

    // Calls f(line, record) for lines [first, first + count) in order while it returns true.
    template <typename F> void ForEach(int first, int count, F&& f) const {
        if (count <= 0 || first >= Count()) return;
        const int end = first + count;
        for (std::size_t b = BlockOf(first); b < blocks_.size() && starts_[b] < end; ++b) {
            const LineBlocks::Block& block = *blocks_[b];
            for (int i = std::max(first, starts_[b]), stop = std::min(end, starts_[b + 1]); i < stop; ++i)
                if (!f(i, block[static_cast<std::size_t>(i - starts_[b])])) return;
        }
    }

private:
    std::size_t BlockOf(int line) const {
        return static_cast<std::size_t>(std::upper_bound(starts_.begin() + 1, starts_.end() - 1, line) -
                                        starts_.begin() - 1);
    }
    const LineRec& Rec(int line) const {
        const std::size_t b = BlockOf(line);
        return (*blocks_[b])[static_cast<std::size_t>(line - starts_[b])];
    }

    LineBlocks::SharedBlocks blocks_;
    std::vector<int> starts_ = {0};
    std::vector<std::shared_ptr<char[]>> chunks_;
    std::vector<QString> edited_;
};

}  // namespace chatscope
