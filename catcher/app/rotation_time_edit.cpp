#include "rotation_time_edit.h"

#include <QKeyEvent>

namespace chatkeeper::app {

namespace {

bool IsDigit(const QString& text) { return text.size() == 1 && text[0] >= u'0' && text[0] <= u'9'; }

// A typed character that is neither a digit nor a control: a separator.
bool IsSeparator(const QString& text) { return text.size() == 1 && text[0].isPrint() && !IsDigit(text); }

}  // namespace

void RotationTimeEdit::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (movedOn_ && plain && (IsSeparator(event->text()) || event->key() == Qt::Key_Right)) {
        movedOn_ = false;  // the box is already where this key would take it
        event->accept();
        return;
    }
    const Section before = currentSection();
    QTimeEdit::keyPressEvent(event);
    movedOn_ = IsDigit(event->text()) && currentSection() != before;
}

bool RotationTimeEdit::focusNextPrevChild(bool next) {
    if (next && movedOn_) {
        movedOn_ = false;
        return true;
    }
    movedOn_ = false;
    return QTimeEdit::focusNextPrevChild(next);
}

void RotationTimeEdit::focusInEvent(QFocusEvent* event) {
    movedOn_ = false;
    QTimeEdit::focusInEvent(event);
}

void RotationTimeEdit::mousePressEvent(QMouseEvent* event) {
    movedOn_ = false;
    QTimeEdit::mousePressEvent(event);
}

}  // namespace chatkeeper::app
