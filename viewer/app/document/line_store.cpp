#include "document/line_store.h"

#include <utility>

#include "document/frozen_lines.h"
#include "document/large_pages.h"

namespace chatscope {

namespace {
constexpr std::size_t kChunkSize = std::size_t{8} << 20;
}  // namespace

void LineStore::NewChunk(std::size_t atLeast) {
    const std::size_t size = std::max(kChunkSize, atLeast);
    chunks_.push_back(LargeBuffer(size));
    chunkCapacity_ = size;
    chunkUsed_ = 0;
}

void LineStore::Release() {
    chunks_.clear();
    chunkUsed_ = chunkCapacity_ = 0;
    lines_.Clear();
    editedTexts_.clear();
    editedTexts_.shrink_to_fit();
    maxBytes_ = 0;
}

LineRec LineStore::EditedLine(QString text, std::uint32_t colour) {
    maxBytes_ = std::max(maxBytes_, static_cast<std::uint32_t>(std::min<qsizetype>(text.size() * 2, 1 << 24)));
    editedTexts_.push_back(std::move(text));
    return {kEditedChunk, static_cast<std::uint32_t>(editedTexts_.size() - 1), 0, colour};
}

FrozenLines LineStore::Freeze() const { return FrozenLines(lines_, chunks_, editedTexts_); }

FrozenLines LineStore::Freeze(const std::vector<LineRec>& records) const {
    return FrozenLines(records, chunks_, editedTexts_);
}

std::vector<LineRec> LineStore::Records(int first, int count) const {
    std::vector<LineRec> out;
    out.reserve(static_cast<std::size_t>(std::max(count, 0)));
    lines_.ForEach(first, count, [&](int, const LineRec& r) {
        out.push_back(r);
        return true;
    });
    return out;
}

void LineStore::Splice(int first, int count, const std::vector<LineRec>& records) {
    lines_.Splice(first, count, records);
}

void LineStoreContent::LineRuns(int line, std::vector<TextRun>& runs) const {
    runs.clear();
    const LineRec* r = store_.Rec(line);
    if (!r) return;
    if (r->chunk == LineStore::kEditedChunk) {
        const QString& text = store_.EditedText(*r);
        if (!text.isEmpty()) runs.push_back({r->colour, true, {}, QStringView(text)});
    } else if (r->length > 0) {
        runs.push_back({r->colour, false, store_.Bytes(*r), {}});
    }
}

}  // namespace chatscope
