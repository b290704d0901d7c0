// The time box of the rotation interval: a time edit that takes a time typed
// the way it is shown.
//
// A time edit moves on to the next section by itself once a section is
// full (two digits, or one digit that no second digit could complete). A
// separator, Tab or Right typed right after that would then skip a further
// section: "07:45:30" would become 07:00:45. Here the key that follows such
// a move is taken as the move the box already made, so "07:45:30",
// "7:45:30" and "07" Tab "45" Tab "30" all give 07:45:30. The arrow keys
// and the wheel step the time as in any time edit.
#pragma once

#include <QTimeEdit>

namespace chatkeeper::app {

class RotationTimeEdit final : public QTimeEdit {
    Q_OBJECT
public:
    using QTimeEdit::QTimeEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The last key was a digit that completed its section, and the box moved
    // on to the next section.
    bool movedOn_ = false;
};

}  // namespace chatkeeper::app
