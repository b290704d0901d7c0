// In-place editing: replacing text (typing, pasting, deleting) and undo/redo.
// Every edit turns the lines it touches into edited lines.
#include <QAccessible>

#include <algorithm>
#include <utility>

#include "display/line_text_ops.h"
#include "display/log_display.h"
#include "display/log_display_impl.h"

namespace chatscope {

void LogDisplay::Impl::Splice(int first, int count, const std::vector<LineRec>& records) {
    store.Splice(first, count, records);
    offsets.DropAfter(first);
}

void LogDisplay::Impl::AfterEdit(Pos newCaret) {
    edited = true;
    UpdateScrollBars();
    SetCursor(newCaret, newCaret);
    EnsureVisible(newCaret);
    q->updateMicroFocus();
}

void LogDisplay::Impl::Replace(Pos a, Pos b, const QString& text) {
    a = Clamp(a);
    b = Clamp(b);
    if (b < a) std::swap(a, b);
    if (a == b && text.isEmpty()) return;
    if (store.Empty()) {
        Append({}, kDefaultTextColour);
        offsets.Clear();
    }
    const QString head = Text(a.line).left(a.column);
    const QString tail = Text(b.line).mid(b.column);
    const QStringList parts = SplitLines(text);
    std::vector<LineRec> after;
    after.reserve(static_cast<std::size_t>(parts.size()));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString t = i == 0 ? head + parts[i] : parts[i];
        if (i == parts.size() - 1) t += tail;
        // A line broken in two keeps its colour in both halves; a line made
        // of another line's end takes that line's colour.
        const std::uint32_t colour = i > 0 && i == parts.size() - 1 ? Colour(b.line) : Colour(a.line);
        after.push_back(store.EditedLine(std::move(t), colour));
    }
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent ev(q, q->OffsetOf(a.line, a.column), RangeText(a, b), text);
        QAccessible::updateAccessibility(&ev);
    }
    EditStep step;
    step.first = a.line;
    step.before = store.Records(a.line, b.line - a.line + 1);
    step.after = after;
    step.anchorBefore = anchor;
    step.caretBefore = caret;
    const int lastPart = static_cast<int>(parts.size()) - 1;
    step.caretAfter = {a.line + lastPart, static_cast<int>((lastPart == 0 ? head.size() : 0) + parts.back().size())};
    Splice(a.line, b.line - a.line + 1, after);
    AfterEdit(history.Record(std::move(step)).caretAfter);
}

void LogDisplay::Impl::Undo() {
    const EditStep* step = history.Undo();
    if (!step) return;
    Splice(step->first, static_cast<int>(step->after.size()), step->before);
    const Pos a = step->anchorBefore, c = step->caretBefore;
    edited = true;
    UpdateScrollBars();
    SetCursor(a, c);
    EnsureVisible(c);
    q->viewport()->update();
}

void LogDisplay::Impl::Redo() {
    const EditStep* step = history.Redo();
    if (!step) return;
    Splice(step->first, static_cast<int>(step->before.size()), step->after);
    AfterEdit(step->caretAfter);
}

void LogDisplay::Impl::Backspace() {
    if (!(anchor == caret)) return ReplaceSelection({});
    if (caret.column > 0) return Replace({caret.line, PrevColumn(Text(caret.line), caret.column)}, caret, {});
    if (caret.line > 0) Replace({caret.line - 1, Length(caret.line - 1)}, caret, {});
}

void LogDisplay::Impl::Delete() {
    if (!(anchor == caret)) return ReplaceSelection({});
    if (caret.column < Length(caret.line))
        return Replace(caret, {caret.line, NextColumn(Text(caret.line), caret.column)}, {});
    if (caret.line + 1 < Count()) Replace(caret, {caret.line + 1, 0}, {});
}

}  // namespace chatscope
