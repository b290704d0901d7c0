// The selection: anchor and caret, moving them, the selected text and copy.
#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>

#include "display/log_display.h"
#include "display/log_display_impl.h"

namespace chatscope {

Pos LogDisplay::Impl::Clamp(Pos p) const {
    p.line = std::clamp(p.line, 0, Count() - 1);
    p.column = std::clamp(p.column, 0, Length(p.line));
    return p;
}

void LogDisplay::Impl::SetCursor(Pos newAnchor, Pos newCaret) {
    const Pos oldStart = SelStart(), oldEnd = SelEnd();
    const Pos oldCaret = caret;
    anchor = newAnchor;
    caret = newCaret;
    const Pos start = SelStart(), end = SelEnd();
    const bool changed = !(start == oldStart && end == oldEnd) && !(start == end && oldStart == oldEnd);
    q->viewport()->update();
    // Flat offsets for assistive technologies, only when one listens (the
    // first after a load scans the line store once).
    if (QAccessible::isActive()) {
        if (!(caret == oldCaret)) {
            QAccessibleTextCursorEvent ev(q, q->CaretOffset());
            QAccessible::updateAccessibility(&ev);
        }
        if (changed) {
            int s = 0, e = 0;
            q->SelectionOffsets(&s, &e);
            QAccessibleTextSelectionEvent ev(q, s, e);
            QAccessible::updateAccessibility(&ev);
        }
    }
    if (changed) emit q->selectionChanged();
}

void LogDisplay::Impl::MoveTo(Pos p, bool extend) {
    p = Clamp(p);
    SetCursor(extend ? anchor : p, p);
    EnsureVisible(p);
}

QString LogDisplay::Impl::RangeText(Pos s, Pos e) const {
    if (!(s < e)) return {};
    QString out;
    for (int line = s.line; line <= e.line; ++line) {
        const QString text = Text(line);
        const int from = line == s.line ? s.column : 0;
        const int to = line == e.line ? e.column : static_cast<int>(text.size());
        if (line > s.line) out.append(QLatin1Char('\n'));
        out.append(QStringView(text).mid(from, std::max(0, to - from)));
    }
    return out;
}

bool LogDisplay::HasSelection() const { return !(d->anchor == d->caret); }

QString LogDisplay::SelectedText() const { return d->RangeText(d->SelStart(), d->SelEnd()); }

void LogDisplay::Copy() {
    if (!HasSelection()) return;
    QGuiApplication::clipboard()->setText(SelectedText());
}

void LogDisplay::SelectAll() {
    const int last = d->Count() - 1;
    d->SetCursor({0, 0}, {last, d->Length(last)});
}

void LogDisplay::SetSelection(int fromLine, int fromColumn, int toLine, int toColumn) {
    d->SetCursor(d->Clamp({fromLine, fromColumn}), d->Clamp({toLine, toColumn}));
}

}  // namespace chatscope
