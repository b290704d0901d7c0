// The content as flat offsets (lines joined by one "\n" each) and where those
// offsets are on screen, for assistive technologies.
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <climits>

#include "display/log_display.h"
#include "display/log_display_impl.h"

namespace chatscope {

int LogDisplay::CharacterCount() const {
    d->EnsureLineStarts();
    return static_cast<int>(std::min<qint64>(d->offsets.End() - 1, INT_MAX));
}

int LogDisplay::OffsetOf(int line, int column) const {
    const Pos p = d->Clamp({line, column});
    d->EnsureLineStarts();
    return static_cast<int>(std::min<qint64>(d->offsets.Start(p.line) + p.column, INT_MAX));
}

void LogDisplay::PositionOf(int offset, int* line, int* column) const {
    offset = std::clamp(offset, 0, CharacterCount());
    *line = d->offsets.LineAt(offset);
    *column = static_cast<int>(offset - d->offsets.Start(*line));
}

QString LogDisplay::TextRange(int start, int end) const {
    const int count = CharacterCount();
    start = std::clamp(start, 0, count);
    end = std::clamp(end, start, count);
    Pos s, e;
    PositionOf(start, &s.line, &s.column);
    PositionOf(end, &e.line, &e.column);
    return d->RangeText(s, e);
}

int LogDisplay::CaretOffset() const { return OffsetOf(d->caret.line, d->caret.column); }

void LogDisplay::SelectionOffsets(int* start, int* end) const {
    const Pos s = d->SelStart(), e = d->SelEnd();
    *start = OffsetOf(s.line, s.column);
    *end = s == e ? *start : OffsetOf(e.line, e.column);
}

void LogDisplay::SetCaretOffset(int offset) { SetSelectionOffsets(offset, offset); }

void LogDisplay::SetSelectionOffsets(int start, int end) {
    Pos s, e;
    PositionOf(start, &s.line, &s.column);
    PositionOf(end, &e.line, &e.column);
    d->SetCursor(s, e);
}

QRect LogDisplay::CharacterRect(int offset) const {
    int line = 0, column = 0;
    PositionOf(offset, &line, &column);
    const int row = line - d->FirstRow();
    if (row < 0 || row > d->VisibleRows()) return {};
    auto layout = d->Layout(d->Text(line));
    QTextLine tl = layout->lineAt(0);
    if (!tl.isValid()) return {};
    const int x1 = static_cast<int>(tl.cursorToX(column));
    const int x2 = static_cast<int>(tl.cursorToX(column + 1));
    const QPoint topLeft(d->OriginX() + x1, kDisplayMargin + row * d->lineHeight);
    return QRect(viewport()->mapToGlobal(topLeft), QSize(std::max(1, x2 - x1), d->lineHeight));
}

int LogDisplay::OffsetAtPoint(const QPoint& screenPos) const {
    const QPoint p = viewport()->mapFromGlobal(screenPos);
    if (!viewport()->rect().contains(p)) return -1;
    const Pos pos = d->HitTest(p);
    return OffsetOf(pos.line, pos.column);
}

}  // namespace chatscope
