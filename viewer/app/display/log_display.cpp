// The display's content and edits: loading lines into the document, and the
// document's edits with the caret, the scroll bars and assistive technologies
// following.
#include "display/log_display.h"

#include <QAccessible>
#include <QMetaObject>
#include <QScrollBar>

#include <utility>

#include "display/log_display_accessible.h"
#include "viewer_font.h"

namespace chatscope {

LogDisplay::LogDisplay(QWidget* parent) : QAbstractScrollArea(parent) {
    InstallLogDisplayAccessibleFactory();
    font_ = ViewerFont();
    setFont(font_);
    UpdateMetrics();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    UpdateScrollBars();
}

LogDisplay::~LogDisplay() = default;

void LogDisplay::Clear() {
    const bool hadSelection = HasSelection();
    document_.Clear();
    measuredWidth_ = 0;
    preedit_.clear();
    anchor_ = caret_ = {};
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
    if (hadSelection) emit selectionChanged();
    emit contentChanged();
}

void LogDisplay::PostEndOfBatch() {
    endOfBatchPosted_ = true;
    QMetaObject::invokeMethod(
        this, [this] { EndOfBatch(); }, Qt::QueuedConnection);
}

void LogDisplay::EndOfBatch() {
    endOfBatchPosted_ = false;
    UpdateScrollBars();
    viewport()->update();
    emit contentChanged();
}

void LogDisplay::SetBackgroundColour(std::uint32_t displayColour) {
    background_ = displayColour & 0xFFFFFF;
    viewport()->update();
}

namespace {
bool reportsForced = false;
}  // namespace

bool LogDisplay::ReportsToAssistiveTechnologies() { return reportsForced || QAccessible::isActive(); }

void LogDisplay::ForceReportsToAssistiveTechnologies(bool forced) { reportsForced = forced; }

void LogDisplay::Replace(Pos a, Pos b, const QString& text) {
    if (ReportsToAssistiveTechnologies()) {
        Pos start = document_.Clamp(a), end = document_.Clamp(b);
        if (end < start) std::swap(start, end);
        if (!(start == end && text.isEmpty())) {
            QAccessibleTextUpdateEvent ev(this, OffsetOf(start.line, start.column), document_.Text(start, end), text);
            QAccessible::updateAccessibility(&ev);
        }
    }
    if (const auto caret = document_.Replace(a, b, text, {anchor_, caret_})) AfterEdit(*caret);
}

void LogDisplay::AfterEdit(Pos caret) {
    emit contentChanged();
    UpdateScrollBars();
    SetCursor(caret, caret);
    EnsureVisible(caret);
    updateMicroFocus();
}

void LogDisplay::Undo() {
    const auto selection = document_.Undo();
    if (!selection) return;
    emit contentChanged();
    UpdateScrollBars();
    SetCursor(selection->anchor, selection->caret);
    EnsureVisible(selection->caret);
    viewport()->update();
}

void LogDisplay::Redo() {
    if (const auto caret = document_.Redo()) AfterEdit(*caret);
}

void LogDisplay::Backspace() {
    if (HasSelection()) return ReplaceSelection({});
    Replace(document_.StepBack(caret_, false), caret_, {});
}

void LogDisplay::Delete() {
    if (HasSelection()) return ReplaceSelection({});
    Replace(caret_, document_.StepForward(caret_, false), {});
}

}  // namespace chatscope
