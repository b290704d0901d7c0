// Keyboard, mouse and input method: caret moves, selecting, typing.
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>

#include "display/log_display.h"

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
        if (!text.isEmpty()) ReplaceSelection(text);
        return;
    }
    if (e->matches(QKeySequence::Cut)) {
        if (HasSelection()) {
            Copy();
            ReplaceSelection({});
        }
        return;
    }
    if (e->matches(QKeySequence::Undo)) return Undo();
    if (e->matches(QKeySequence::Redo)) return Redo();
    switch (e->key()) {
    case Qt::Key_Backspace: return Backspace();
    case Qt::Key_Delete: return Delete();
    case Qt::Key_Return:
    case Qt::Key_Enter: return ReplaceSelection(QStringLiteral("\n"));
    default: break;
    }
    if (TypesText(e)) return ReplaceSelection(e->text());

    const bool extend = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    Pos p = caret_;
    const int goal = goalColumn_ < 0 ? caret_.column : goalColumn_;
    bool vertical = true;
    switch (e->key()) {
    case Qt::Key_Left:
        p = document_.StepBack(p, ctrl);
        vertical = false;
        break;
    case Qt::Key_Right:
        p = document_.StepForward(p, ctrl);
        vertical = false;
        break;
    case Qt::Key_Up: p = {p.line - 1, goal}; break;
    case Qt::Key_Down: p = {p.line + 1, goal}; break;
    case Qt::Key_PageUp:
        p = {p.line - VisibleRows(), goal};
        verticalScrollBar()->setValue(verticalScrollBar()->value() - VisibleRows());
        break;
    case Qt::Key_PageDown:
        p = {p.line + VisibleRows(), goal};
        verticalScrollBar()->setValue(verticalScrollBar()->value() + VisibleRows());
        break;
    case Qt::Key_Home:
        p = ctrl ? Pos{0, 0} : Pos{p.line, 0};
        vertical = false;
        break;
    case Qt::Key_End:
        p = ctrl ? document_.End() : Pos{p.line, document_.LineLength(p.line)};
        vertical = false;
        break;
    default: QAbstractScrollArea::keyPressEvent(e); return;
    }
    MoveTo(p, extend);  // forgets the goal column
    if (vertical) goalColumn_ = goal;
}

void LogDisplay::inputMethodEvent(QInputMethodEvent* e) {
    if (e->replacementLength() > 0 && anchor_ == caret_) {
        // The input method replaces text around the caret on its line.
        const int from = std::max(0, caret_.column + e->replacementStart());
        SetCursor({caret_.line, from}, document_.Clamp({caret_.line, from + e->replacementLength()}));
    }
    preedit_ = e->preeditString();
    if (!e->commitString().isEmpty() || e->replacementLength() > 0) ReplaceSelection(e->commitString());
    viewport()->update();
    updateMicroFocus();
    e->accept();
}

QVariant LogDisplay::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImFont: return font_;
    case Qt::ImCursorRectangle: {
        const int y = kDisplayMargin + (caret_.line - FirstRow()) * lineHeight_;
        auto layout = Layout(document_.LineText(caret_.line));
        QTextLine tl = layout->lineAt(0);
        const int x = OriginX() + (tl.isValid() ? static_cast<int>(tl.cursorToX(caret_.column)) : 0);
        return QRect(viewport()->mapTo(this, QPoint(x, y)), QSize(1, lineHeight_));
    }
    case Qt::ImCursorPosition: return caret_.column;
    case Qt::ImAnchorPosition: return anchor_.line == caret_.line ? anchor_.column : caret_.column;
    case Qt::ImSurroundingText: return document_.LineText(caret_.line);
    case Qt::ImCurrentSelection: return anchor_.line == caret_.line ? SelectedText() : QString();
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void LogDisplay::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    const Pos p = HitTest(e->position().toPoint());
    selectingWithMouse_ = true;
    SetCursor((e->modifiers() & Qt::ShiftModifier) ? anchor_ : p, p);
}

void LogDisplay::mouseMoveEvent(QMouseEvent* e) {
    if (!selectingWithMouse_ || !(e->buttons() & Qt::LeftButton)) return;
    const Pos p = HitTest(e->position().toPoint());
    SetCursor(anchor_, p);
    EnsureVisible(p);
}

void LogDisplay::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(e);
        return;
    }
    selectingWithMouse_ = false;
    e->accept();
}

void LogDisplay::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const Selection word = document_.WordAt(HitTest(e->position().toPoint()));
    SetCursor(word.anchor, word.caret);
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
