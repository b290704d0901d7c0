// The display's lines: Shift-JIS bytes in large chunks and one small record per
// line with its display colour. A line the user edited keeps its text decoded.
// No lines stands for the one empty line the display holds at start.
#pragma once

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "document/block_list.h"
#include "document/display_content.h"
#include "sjis/shift_jis.h"

namespace chatscope {

inline constexpr std::uint32_t kDefaultTextColour = 0xFFFFFF;

// One line: where its bytes are in the chunks (or which edited text it is), and
// its display colour.
struct LineRec {
    std::uint32_t chunk;
    std::uint32_t offset;
    std::uint32_t length;
    std::uint32_t colour;
};

class FrozenLines;

// Line records in blocks of this many (32 KB each).
using LineBlocks = BlockList<LineRec, 2048>;

class LineStore {
public:
    // A record with this chunk points into the edited texts.
    static constexpr std::uint32_t kEditedChunk = 0xFFFFFFFF;

    bool Empty() const { return lines_.Size() == 0; }
    int Count() const { return std::max(lines_.Size(), 1); }
    std::uint32_t MaxBytes() const { return maxBytes_; }  // widest line (edited lines: two per QChar)

    const LineRec* Rec(int line) const {
        if (line < 0 || line >= lines_.Size()) return nullptr;
        return &lines_[line];
    }

    std::string_view Bytes(const LineRec& r) const {
        if (r.chunk == kEditedChunk || r.length == 0) return {};
        return {chunks_[r.chunk].get() + r.offset, r.length};
    }

    const QString& EditedText(const LineRec& r) const { return editedTexts_[r.offset]; }

    QString Text(int line) const {
        const LineRec* r = Rec(line);
        if (!r) return {};
        if (r->chunk == kEditedChunk) return editedTexts_[r->offset];
        return sjis::Decode(Bytes(*r));
    }

    int Length(int line) const {
        const LineRec* r = Rec(line);
        if (!r) return 0;
        if (r->chunk == kEditedChunk) return static_cast<int>(editedTexts_[r->offset].size());
        return sjis::CharCount(Bytes(*r));
    }

    std::uint32_t Colour(int line) const {
        const LineRec* r = Rec(line);
        return r ? r->colour : kDefaultTextColour;
    }

    void Append(std::string_view bytes, std::uint32_t colour) {
        if (chunks_.empty() || bytes.size() > chunkCapacity_ - chunkUsed_) NewChunk(bytes.size());
        if (!bytes.empty()) std::memcpy(chunks_.back().get() + chunkUsed_, bytes.data(), bytes.size());
        lines_.PushBack({static_cast<std::uint32_t>(chunks_.size() - 1), static_cast<std::uint32_t>(chunkUsed_),
                         static_cast<std::uint32_t>(bytes.size()), colour & 0xFFFFFF});
        chunkUsed_ += bytes.size();
        maxBytes_ = std::max(maxBytes_, static_cast<std::uint32_t>(bytes.size()));
    }

    // Drops every line and gives the bytes back (the blocks of line records
    // stay for the next load).
    void Release();

    // The present lines, readable on another thread whatever the store does next.
    FrozenLines Freeze() const;
    // The same with `records` (of this store's lines) in place of the present ones.
    FrozenLines Freeze(const std::vector<LineRec>& records) const;

    // Keeps `text` as an edited line's text and returns the record for it.
    LineRec EditedLine(QString text, std::uint32_t colour);

    // The records of lines [first, first + count).
    std::vector<LineRec> Records(int first, int count) const;
    // Calls f(line, record) for lines [first, first + count) in order while it returns true.
    template <typename F> void ForEach(int first, int count, F&& f) const {
        lines_.ForEach(first, count, std::forward<F>(f));
    }
    // Puts `records` in place of lines [first, first + count).
    void Splice(int first, int count, const std::vector<LineRec>& records);

private:
    void NewChunk(std::size_t atLeast);

    std::vector<std::shared_ptr<char[]>> chunks_;  // shared with frozen copies
    std::size_t chunkUsed_ = 0;
    std::size_t chunkCapacity_ = 0;
    LineBlocks lines_;
    std::vector<QString> editedTexts_;
    std::uint32_t maxBytes_ = 0;
};

// The store as the saves read it: one run per non-empty line.
class LineStoreContent : public DisplayContent {
public:
    explicit LineStoreContent(const LineStore& store) : store_(store) {}
    int LineCount() const override { return store_.Count(); }
    void LineRuns(int line, std::vector<TextRun>& runs) const override;
    std::uint32_t EmptyLineColour(int line) const override { return store_.Colour(line); }

private:
    const LineStore& store_;
};

}  // namespace chatscope
