// LogDisplay's private state, shared by the files that implement it:
// log_display.cpp (content), log_display_view.cpp (geometry and painting),
// log_display_selection.cpp, log_display_offsets.cpp, log_display_editing.cpp
// and log_display_input.cpp (keyboard, mouse and input method).
#pragma once

#include <QFont>
#include <QPoint>
#include <QString>
#include <QTextLayout>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

#include "display/edit_history.h"
#include "display/line_offsets.h"
#include "display/line_store.h"
#include "display/log_display.h"
#include "display/text_pos.h"

namespace chatscope {

// Space between the viewport's edge and the text, in pixels.
inline constexpr int kDisplayMargin = 2;

struct LogDisplay::Impl {
    LogDisplay* q;
    LineStore store;
    mutable LineOffsets offsets;
    int measuredWidth = 0;  // widest line painted or measured so far, in pixels
    bool endOfBatchPosted = false;

    std::uint32_t background = 0x000000;
    QFont font;
    int lineHeight = 16;
    int byteWidth = 6;

    Pos anchor, caret;
    bool selectingWithMouse = false;
    QString preedit;  // input method composition shown at the caret

    bool edited = false;
    EditHistory history;

    explicit Impl(LogDisplay* owner) : q(owner) {}

    // --- content (log_display.cpp) -----------------------------------------

    int Count() const { return store.Count(); }
    QString Text(int line) const { return store.Text(line); }
    int Length(int line) const { return store.Length(line); }
    std::uint32_t Colour(int line) const { return store.Colour(line); }

    void Append(std::string_view bytes, std::uint32_t colour) {
        if (store.Empty()) offsets.Clear();  // the empty start line is replaced
        store.Append(bytes, colour);
    }
    void ReleaseStore();

    // --- geometry (log_display_view.cpp) -----------------------------------

    void UpdateMetrics();
    int VisibleRows() const;
    int ContentWidth() const;
    void UpdateScrollBars();
    int FirstRow() const;
    int OriginX() const;
    // One unwrapped line laid out in the display font; with the input
    // method's composition shown at `preeditAt` when that is not -1.
    std::unique_ptr<QTextLayout> Layout(const QString& text, int preeditAt = -1) const;
    Pos HitTest(const QPoint& point) const;
    void EnsureVisible(Pos p);

    // --- selection (log_display_selection.cpp) -----------------------------

    Pos Clamp(Pos p) const;
    Pos SelStart() const { return std::min(anchor, caret); }
    Pos SelEnd() const { return std::max(anchor, caret); }
    void SetCursor(Pos newAnchor, Pos newCaret);
    void MoveTo(Pos p, bool extend);
    QString RangeText(Pos s, Pos e) const;
    void EnsureLineStarts() const { offsets.Update(store); }

    // --- editing (log_display_editing.cpp) ---------------------------------

    void Splice(int first, int count, const std::vector<LineRec>& records);
    void AfterEdit(Pos newCaret);
    // Replaces the text from `a` to `b` with `text`, which may hold line breaks.
    void Replace(Pos a, Pos b, const QString& text);
    void ReplaceSelection(const QString& text) { Replace(SelStart(), SelEnd(), text); }
    void Undo();
    void Redo();
    void Backspace();
    void Delete();
};

}  // namespace chatscope
