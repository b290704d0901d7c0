#include "display/log_display_accessible.h"

#include "display/log_display.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <climits>

namespace chatscope {

namespace {

// A whole-text request for a very large document (a million lines make one
// string of some 150 MB) is answered with an excerpt around the caret instead,
// as editors of large documents do; smaller documents are given whole. Ranges
// asked for by offsets are cut to the same limit.
constexpr int kWholeTextLimit = 1 << 20;  // characters
constexpr int kExcerptHalf = 1 << 15;     // characters either side of the caret

// The range [start, end) a whole-text request is answered with.
void WholeTextRange(const LogDisplay& display, int* start, int* end) {
    const int count = display.CharacterCount();
    *start = 0;
    *end = count;
    if (count <= kWholeTextLimit) return;
    const int caret = display.CaretOffset();
    *start = std::max(0, caret - kExcerptHalf);
    *end = std::min(count, caret + kExcerptHalf);
}

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("chatscope::LogDisplay") && object && object->isWidgetType())
        return new LogDisplayAccessible(static_cast<LogDisplay*>(object));
    return nullptr;
}

}  // namespace

void InstallLogDisplayAccessibleFactory() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(&Factory);
}

LogDisplayAccessible::LogDisplayAccessible(LogDisplay* display)
    : QAccessibleWidget(display, QAccessible::EditableText) {}

LogDisplay* LogDisplayAccessible::display() const { return static_cast<LogDisplay*>(widget()); }

void* LogDisplayAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State LogDisplayAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.multiLine = true;
    s.editable = true;
    s.selectableText = true;
    s.focusable = true;
    return s;
}

QString LogDisplayAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        int start = 0, end = 0;
        WholeTextRange(*display(), &start, &end);
        return display()->TextRange(start, end);
    }
    return QAccessibleWidget::text(t);
}

void LogDisplayAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0) return;
    const LogDisplay::OffsetRange range = display()->SelectionOffsets();
    *startOffset = range.start;
    *endOffset = range.end;
}

int LogDisplayAccessible::selectionCount() const { return display()->HasSelection() ? 1 : 0; }

void LogDisplayAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void LogDisplayAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) display()->SetCaretOffset(display()->CaretOffset());
}

void LogDisplayAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) display()->SetSelectionOffsets(startOffset, endOffset);
}

int LogDisplayAccessible::cursorPosition() const { return display()->CaretOffset(); }

void LogDisplayAccessible::setCursorPosition(int position) { display()->SetCaretOffset(position); }

QString LogDisplayAccessible::text(int startOffset, int endOffset) const {
    // A range longer than the whole-text limit (a request for all the text of
    // a very large document) is cut after that many characters: what is given
    // still starts at the offset asked for.
    if (qint64{endOffset} - startOffset > kWholeTextLimit) endOffset = std::max(startOffset, 0) + kWholeTextLimit;
    return display()->TextRange(startOffset, endOffset);
}

QString LogDisplayAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                           int* endOffset) const {
    const int count = display()->CharacterCount();
    if (boundaryType == QAccessible::LineBoundary || boundaryType == QAccessible::ParagraphBoundary) {
        const int line = display()->PositionOf(offset).line;
        *startOffset = display()->OffsetOf(line, 0);
        *endOffset = display()->OffsetOf(line, INT_MAX);
        // The line break belongs to the line it ends.
        if (*endOffset < count) ++*endOffset;
        return display()->TextRange(*startOffset, *endOffset);
    }
    if (boundaryType == QAccessible::NoBoundary) {
        WholeTextRange(*display(), startOffset, endOffset);
        return display()->TextRange(*startOffset, *endOffset);
    }
    // Characters, words and sentences: found within the line holding the offset.
    const auto [line, column] = display()->PositionOf(offset);
    const int lineStart = display()->OffsetOf(line, 0);
    const QString lineText = display()->LineText(line);
    if (boundaryType == QAccessible::CharBoundary) {
        *startOffset = offset;
        *endOffset = std::min(offset + 1, count);
        if (column < lineText.size() && lineText[column].isHighSurrogate()) *endOffset = offset + 2;
        return display()->TextRange(*startOffset, *endOffset);
    }
    const auto type =
        boundaryType == QAccessible::WordBoundary ? QTextBoundaryFinder::Word : QTextBoundaryFinder::Sentence;
    QTextBoundaryFinder finder(type, lineText);
    finder.setPosition(std::min<qsizetype>(column, lineText.size()));
    qsizetype start = finder.isAtBoundary() ? finder.position() : finder.toPreviousBoundary();
    finder.setPosition(std::min<qsizetype>(column, lineText.size()));
    qsizetype end = finder.toNextBoundary();
    if (start < 0) start = 0;
    if (end < 0) end = lineText.size();
    *startOffset = lineStart + static_cast<int>(start);
    *endOffset = lineStart + static_cast<int>(end);
    return display()->TextRange(*startOffset, *endOffset);
}

QString LogDisplayAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                               int* endOffset) const {
    int s = 0, e = 0;
    textAtOffset(offset, boundaryType, &s, &e);
    if (s <= 0) {
        *startOffset = *endOffset = -1;
        return {};
    }
    return textAtOffset(s - 1, boundaryType, startOffset, endOffset);
}

QString LogDisplayAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                              int* endOffset) const {
    int s = 0, e = 0;
    textAtOffset(offset, boundaryType, &s, &e);
    if (e >= characterCount()) {
        *startOffset = *endOffset = -1;
        return {};
    }
    return textAtOffset(e, boundaryType, startOffset, endOffset);
}

int LogDisplayAccessible::characterCount() const { return display()->CharacterCount(); }

QRect LogDisplayAccessible::characterRect(int offset) const { return display()->CharacterRect(offset); }

int LogDisplayAccessible::offsetAtPoint(const QPoint& point) const { return display()->OffsetAtPoint(point); }

void LogDisplayAccessible::scrollToSubstring(int startIndex, int endIndex) {
    display()->ScrollToOffsets(startIndex, endIndex);
}

QString LogDisplayAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset;
    return {};
}

}  // namespace chatscope
