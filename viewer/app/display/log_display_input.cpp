// Keyboard, mouse and input method: caret moves, selecting, typing.
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

#include "display/line_text_ops.h"
#include "display/log_display.h"
#include "display/log_display_impl.h"

namespace chatscope {

namespace {

// Text a key press types: printable characters only (Tab moves the focus).
bool TypesText(QKeyEvent* e) {
    if (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    const QString text = e->text();
    return !text.isEmpty() &&
           std::none_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

}  // namespace

void LogDisplay::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy)) return Copy();
    if (e->matches(QKeySequence::SelectAll)) return SelectAll();
    if (e->matches(QKeySequence::Paste)) {
        const QString text = QGuiApplication::clipboard()->text();
        if (!text.isEmpty()) d->ReplaceSelection(text);
        return;
    }
    if (e->matches(QKeySequence::Cut)) {
        if (HasSelection()) {
            Copy();
            d->ReplaceSelection({});
        }
        return;
    }
    if (e->matches(QKeySequence::Undo)) return d->Undo();
    if (e->matches(QKeySequence::Redo)) return d->Redo();
    switch (e->key()) {
    case Qt::Key_Backspace: return d->Backspace();
    case Qt::Key_Delete: return d->Delete();
    case Qt::Key_Return:
    case Qt::Key_Enter: return d->ReplaceSelection(QStringLiteral("\n"));
    default: break;
    }
    if (TypesText(e)) return d->ReplaceSelection(e->text());

    const bool extend = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    Pos p = d->caret;
    switch (e->key()) {
    case Qt::Key_Left:
        if (p.column > 0) {
            const QString text = d->Text(p.line);
            p.column = ctrl ? WordColumn(text, p.column, false) : PrevColumn(text, p.column);
        } else if (p.line > 0) {
            p = {p.line - 1, d->Length(p.line - 1)};
        }
        break;
    case Qt::Key_Right:
        if (p.column < d->Length(p.line)) {
            const QString text = d->Text(p.line);
            p.column = ctrl ? WordColumn(text, p.column, true) : NextColumn(text, p.column);
        } else if (p.line + 1 < d->Count()) {
            p = {p.line + 1, 0};
        }
        break;
    case Qt::Key_Up: --p.line; break;
    case Qt::Key_Down: ++p.line; break;
    case Qt::Key_PageUp:
        p.line -= d->VisibleRows();
        verticalScrollBar()->setValue(verticalScrollBar()->value() - d->VisibleRows());
        break;
    case Qt::Key_PageDown:
        p.line += d->VisibleRows();
        verticalScrollBar()->setValue(verticalScrollBar()->value() + d->VisibleRows());
        break;
    case Qt::Key_Home: p = ctrl ? Pos{0, 0} : Pos{p.line, 0}; break;
    case Qt::Key_End: p = ctrl ? Pos{d->Count() - 1, d->Length(d->Count() - 1)} : Pos{p.line, d->Length(p.line)}; break;
    default: QAbstractScrollArea::keyPressEvent(e); return;
    }
    d->MoveTo(p, extend);
}

void LogDisplay::inputMethodEvent(QInputMethodEvent* e) {
    if (e->replacementLength() > 0 && d->anchor == d->caret) {
        // The input method replaces text around the caret on its line.
        const int from = std::max(0, d->caret.column + e->replacementStart());
        d->SetCursor({d->caret.line, from}, d->Clamp({d->caret.line, from + e->replacementLength()}));
    }
    d->preedit = e->preeditString();
    if (!e->commitString().isEmpty() || e->replacementLength() > 0) d->ReplaceSelection(e->commitString());
    viewport()->update();
    updateMicroFocus();
    e->accept();
}

QVariant LogDisplay::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImFont: return d->font;
    case Qt::ImCursorRectangle: {
        const int y = kDisplayMargin + (d->caret.line - d->FirstRow()) * d->lineHeight;
        auto layout = d->Layout(d->Text(d->caret.line));
        QTextLine tl = layout->lineAt(0);
        const int x = d->OriginX() + (tl.isValid() ? static_cast<int>(tl.cursorToX(d->caret.column)) : 0);
        return QRect(viewport()->mapTo(this, QPoint(x, y)), QSize(1, d->lineHeight));
    }
    case Qt::ImCursorPosition: return d->caret.column;
    case Qt::ImAnchorPosition: return d->anchor.line == d->caret.line ? d->anchor.column : d->caret.column;
    case Qt::ImSurroundingText: return d->Text(d->caret.line);
    case Qt::ImCurrentSelection: return d->anchor.line == d->caret.line ? SelectedText() : QString();
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void LogDisplay::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    const Pos p = d->HitTest(e->position().toPoint());
    d->selectingWithMouse = true;
    d->SetCursor((e->modifiers() & Qt::ShiftModifier) ? d->anchor : p, p);
}

void LogDisplay::mouseMoveEvent(QMouseEvent* e) {
    if (!d->selectingWithMouse || !(e->buttons() & Qt::LeftButton)) return;
    const Pos p = d->HitTest(e->position().toPoint());
    d->SetCursor(d->anchor, p);
    d->EnsureVisible(p);
}

void LogDisplay::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(e);
        return;
    }
    d->selectingWithMouse = false;
    e->accept();
}

void LogDisplay::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const Pos p = d->HitTest(e->position().toPoint());
    int start = 0, end = 0;
    WordAt(d->Text(p.line), p.column, &start, &end);
    d->SetCursor({p.line, start}, {p.line, end});
}

void LogDisplay::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void LogDisplay::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

}  // namespace chatscope
