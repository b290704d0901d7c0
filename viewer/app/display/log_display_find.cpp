// What finding needs of the display: placing the selection on a match, marks
// on the matches in sight, and showing only some lines.
#include <QScrollBar>

#include <algorithm>
#include <utility>

#include "display/log_display.h"

namespace chatscope {

void LogDisplay::ShowRange(int line, int from, int to) {
    const Pos start = document_.Clamp({line, from}), end = document_.Clamp({line, to});
    EnsureVisible(start);
    EnsureVisible(end);
    SetCursor(start, end);
}

void LogDisplay::SetHighlighter(Highlighter highlighter) {
    highlighter_ = std::move(highlighter);
    viewport()->update();
}

void LogDisplay::ChangeShownLines(const std::function<void()>& change) {
    const int whole = document_.WholeLine(caret_.line);
    change();
    preedit_.clear();
    const int line = document_.ShownLine(whole);
    const Pos p = line >= 0 ? document_.Clamp({line, 0}) : Pos{};
    UpdateScrollBars();
    SetCursor(p, p);
    // The caret's line in the middle of the view rather than at its edge.
    verticalScrollBar()->setValue(std::max(0, p.line - VisibleRows() / 2));
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void LogDisplay::ShowOnly(const std::vector<bool>& keep, LineSubset::LineFilter appended) {
    ChangeShownLines([&] { document_.ShowOnly(keep, std::move(appended)); });
}

void LogDisplay::ShowAll() {
    if (!document_.ShowingSome()) return;
    ChangeShownLines([&] { document_.ShowAll(); });
}

}  // namespace chatscope
