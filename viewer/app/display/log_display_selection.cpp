// The caret and the selection: moving them, the selected text and copy, and
// both as flat offsets and screen places for assistive technologies.
#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QTextLayout>

#include <algorithm>
#include <climits>

#include "display/log_display.h"

namespace chatscope {

namespace {

int ToInt(qint64 offset) { return static_cast<int>(std::min<qint64>(offset, INT_MAX)); }

}  // namespace

void LogDisplay::SetCursor(Pos newAnchor, Pos newCaret) {
    const Pos oldStart = SelectionStart(), oldEnd = SelectionEnd();
    const Pos oldCaret = caret_;
    goalColumn_ = -1;
    anchor_ = newAnchor;
    caret_ = newCaret;
    const Pos start = SelectionStart(), end = SelectionEnd();
    const bool changed = !(start == oldStart && end == oldEnd) && !(start == end && oldStart == oldEnd);
    viewport()->update();
    // Flat offsets for assistive technologies, only when one listens (the
    // first after a load scans the document once).
    if (ReportsToAssistiveTechnologies()) {
        if (!(caret_ == oldCaret)) {
            QAccessibleTextCursorEvent ev(this, CaretOffset());
            QAccessible::updateAccessibility(&ev);
        }
        if (changed) {
            const OffsetRange selection = SelectionOffsets();
            QAccessibleTextSelectionEvent ev(this, selection.start, selection.end);
            QAccessible::updateAccessibility(&ev);
        }
    }
    if (changed) emit selectionChanged();
}

void LogDisplay::MoveTo(Pos p, bool extend) {
    p = document_.Clamp(p);
    SetCursor(extend ? anchor_ : p, p);
    EnsureVisible(p);
}

QString LogDisplay::SelectedText() const { return document_.Text(SelectionStart(), SelectionEnd()); }

void LogDisplay::Copy() {
    if (!HasSelection()) return;
    QGuiApplication::clipboard()->setText(SelectedText());
}

void LogDisplay::SelectAll() { SetCursor({0, 0}, document_.End()); }

void LogDisplay::SetSelection(int fromLine, int fromColumn, int toLine, int toColumn) {
    SetCursor(document_.Clamp({fromLine, fromColumn}), document_.Clamp({toLine, toColumn}));
}

int LogDisplay::CharacterCount() const { return ToInt(document_.CharacterCount()); }

int LogDisplay::OffsetOf(int line, int column) const { return ToInt(document_.OffsetOf({line, column})); }

Pos LogDisplay::PositionOf(int offset) const { return document_.PositionAt(std::clamp(offset, 0, CharacterCount())); }

QString LogDisplay::TextRange(int start, int end) const {
    const int count = CharacterCount();
    start = std::clamp(start, 0, count);
    end = std::clamp(end, start, count);
    return document_.Text(document_.PositionAt(start), document_.PositionAt(end));
}

int LogDisplay::CaretOffset() const { return OffsetOf(caret_.line, caret_.column); }

LogDisplay::OffsetRange LogDisplay::SelectionOffsets() const {
    const Pos s = SelectionStart(), e = SelectionEnd();
    const int start = OffsetOf(s.line, s.column);
    return {start, s == e ? start : OffsetOf(e.line, e.column)};
}

void LogDisplay::SetCaretOffset(int offset) { SetSelectionOffsets(offset, offset); }

void LogDisplay::SetSelectionOffsets(int start, int end) {
    const int count = CharacterCount();
    SetCursor(document_.PositionAt(std::clamp(start, 0, count)), document_.PositionAt(std::clamp(end, 0, count)));
}

void LogDisplay::ScrollToOffsets(int start, int end) {
    const int count = CharacterCount();
    EnsureVisible(document_.PositionAt(std::clamp(end, 0, count)));
    EnsureVisible(document_.PositionAt(std::clamp(start, 0, count)));  // its start wins when it does not fit
}

QRect LogDisplay::CharacterRect(int offset) const {
    const auto [line, column] = PositionOf(offset);
    const int row = line - FirstRow();
    if (row < 0 || row > VisibleRows()) return {};
    auto layout = Layout(document_.LineText(line));
    QTextLine tl = layout->lineAt(0);
    if (!tl.isValid()) return {};
    const int x1 = static_cast<int>(tl.cursorToX(column));
    const int x2 = static_cast<int>(tl.cursorToX(column + 1));
    const QPoint topLeft(OriginX() + x1, kDisplayMargin + row * lineHeight_);
    return QRect(viewport()->mapToGlobal(topLeft), QSize(std::max(1, x2 - x1), lineHeight_));
}

int LogDisplay::OffsetAtPoint(const QPoint& screenPos) const {
    const QPoint p = viewport()->mapFromGlobal(screenPos);
    if (!viewport()->rect().contains(p)) return -1;
    const Pos pos = HitTest(p);
    return OffsetOf(pos.line, pos.column);
}

}  // namespace chatscope
