// LineSubset: the display's lines while only some of them are shown. The line
// store then holds the shown lines; this keeps the whole list aside and, for
// each shown line, where it stands in the whole list, through the edits made
// meanwhile. Showing all again puts the shown lines back in place, edits
// included: a line an edit added stays after the line before it.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "document/line_store.h"

namespace chatscope {

class LineSubset {
public:
    bool Active() const { return active_; }
    void Reset();

    // Tells from a line's bytes whether it is shown.
    using LineFilter = std::function<bool(std::string_view bytes)>;

    // Keeps the whole list of `store` aside and leaves in it only the lines
    // whose flag in `keep` is set (a missing flag counts as unset). Lines
    // appended later are shown when `appended` passes them (all without one).
    void ShowOnly(LineStore& store, const std::vector<bool>& keep, LineFilter appended = {});
    // The whole list as it would be if all were shown again now.
    std::vector<LineRec> Whole(const LineStore& store) const;
    // Puts the whole list back into `store`.
    void ShowAll(LineStore& store);
    // Whether a line appended now is shown.
    bool Shows(std::string_view bytes) const { return !appended_ || appended_(bytes); }
    // `rec` was appended to the whole list, and to the shown lines when `shown`.
    void Appended(const LineRec& rec, bool shown);
    // Takes back the last line of the whole list; true when it was shown (the
    // store's last line then goes too). Only while no edit added a line after it.
    bool RemoveLast();
    // Lines in the whole list.
    int WholeCount(const LineStore& store) const;
    // Lines [first, WholeCount()) of the whole list, while no edit added a line.
    std::vector<LineRec> WholeFrom(int first) const;
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
    int hidden_ = 0;           // lines of whole_ not shown
    LineFilter appended_;
};

}  // namespace chatscope
