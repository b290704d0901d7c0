// LineSubset: the display's lines while only some of them are shown. The line
// store then holds the shown lines; this keeps the whole list aside and, for
// each shown line, where it stands in the whole list, through the edits made
// meanwhile. Showing all again puts the shown lines back in place, edits
// included: a line an edit added stays after the line before it.
#pragma once

#include <vector>

#include "document/line_store.h"

namespace chatscope {

class LineSubset {
public:
    bool Active() const { return active_; }
    void Reset();

    // Keeps the whole list of `store` aside and leaves in it only the lines
    // whose flag in `keep` is set (a missing flag counts as unset).
    void ShowOnly(LineStore& store, const std::vector<bool>& keep);
    // The whole list as it would be if all were shown again now.
    std::vector<LineRec> Whole(const LineStore& store) const;
    // Puts the whole list back into `store`.
    void ShowAll(LineStore& store);
    // A line was appended to the shown ones (it goes after every line of the whole list).
    void Appended();
    // Lines [first, first + count) of the shown ones were replaced by `added` lines.
    void Spliced(int first, int count, int added);

    // The line of the whole list a shown line stands for (or follows, when an edit added it).
    int WholeLine(int shownLine) const;
    // The shown line for a line of the whole list, -1 when it is hidden.
    int ShownLine(int wholeLine) const;

private:
    bool active_ = false;
    std::vector<LineRec> whole_;
    std::vector<bool> shown_;  // per line of whole_
    std::vector<int> origin_;  // per shown line: its index in whole_, -1 when an edit added it
};

}  // namespace chatscope
