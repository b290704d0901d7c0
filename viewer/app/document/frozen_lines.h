// FrozenLines: a copy of the display's lines that another thread can read
// while the display goes on (loads, edits, clears). The byte chunks are shared,
// not copied: a copy of a million lines costs their small records only.
#pragma once

#include <QString>

#include <memory>
#include <string_view>
#include <vector>

#include "document/line_store.h"

namespace chatscope {

class FrozenLines {
public:
    int Count() const { return static_cast<int>(lines_.size()); }
    bool IsEdited(int line) const { return lines_[static_cast<std::size_t>(line)].chunk == LineStore::kEditedChunk; }
    // The bytes of a loaded line, or the text of an edited one.
    std::string_view Bytes(int line) const {
        const LineRec& r = lines_[static_cast<std::size_t>(line)];
        if (r.chunk == LineStore::kEditedChunk || r.length == 0) return {};
        return {chunks_[r.chunk].get() + r.offset, r.length};
    }
    const QString& EditedText(int line) const { return edited_[lines_[static_cast<std::size_t>(line)].offset]; }

private:
    friend class LineStore;
    std::vector<LineRec> lines_;
    std::vector<std::shared_ptr<char[]>> chunks_;
    std::vector<QString> edited_;
};

}  // namespace chatscope
