// LogDocument: what the viewer's display shows, apart from the widget. Holds
// each line as its Shift-JIS bytes and colour and decodes a line only when it
// is asked for, so an archive of a million lines loads in moments. Edits turn
// the lines they touch into edited lines that keep their text decoded; every
// other line stays as it was loaded. Positions are a line and a column in QChar
// units of the decoded line; flat offsets join the lines with one "\n" each.
// QtCore only: no widget, no painting.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <optional>
#include <string_view>

#include "document/edit_history.h"
#include "document/frozen_lines.h"
#include "document/line_offsets.h"
#include "document/line_store.h"
#include "document/line_subset.h"
#include "document/text_pos.h"

namespace chatscope {

// A selection: where it started and where the caret is (equal when empty).
struct Selection {
    Pos anchor;
    Pos caret;
};

class LogDocument {
public:
    LogDocument() = default;

    // Back to the one empty line of the start; forgets edits and their history.
    void Clear();
    // Appends one line: Shift-JIS bytes (no line end) shown in a display colour
    // 0x00BBGGRR. The first line appended takes the place of the empty start line.
    // While only some lines are shown, it is shown when it passes their filter.
    void Append(std::string_view bytes, std::uint32_t colour) { AppendLine(bytes, colour, true); }

    // Takes back the line appended last (a record the reader withdraws while it
    // follows a growing file); the empty start line comes back after the last one.
    void RemoveLastLine();

    // How many lines at the start of the whole content are as they were at the
    // last call (lines appended after them or taken back from the end leave
    // them so; a clear or an edit leaves none), then marks the present content.
    int TakeUnchangedLines();
    // Lines of the whole content, hidden ones too.
    int WholeLineCount() const { return shown_.WholeCount(store_); }

    int LineCount() const { return store_.Count(); }
    QString LineText(int line) const { return store_.Text(line); }
    int LineLength(int line) const { return store_.Length(line); }
    std::uint32_t LineColour(int line) const { return store_.Colour(line); }
    // Bytes of the longest line (an edited line counts two per QChar): a bound
    // for the width of the text before it is measured.
    std::uint32_t WidestLineBytes() const { return store_.MaxBytes(); }
    bool IsEdited() const { return edited_; }

    // `p` moved into the text; the end of the last line.
    Pos Clamp(Pos p) const;
    Pos End() const { return {LineCount() - 1, LineLength(LineCount() - 1)}; }
    // The text from `from` to `to` (empty unless from < to), lines joined by "\n".
    QString Text(Pos from, Pos to) const;
    // One character (a surrogate pair is one, a line break too) or one word
    // before or after `p`; `p` itself at the start or end of the text.
    Pos StepBack(Pos p, bool byWord) const;
    Pos StepForward(Pos p, bool byWord) const;
    // The word at `p` (a double click): its start and end on p's line.
    Selection WordAt(Pos p) const;

    // Flat offsets (built on first use after a load, then kept up to date).
    qint64 CharacterCount() const;
    qint64 OffsetOf(Pos p) const;         // p clamped first
    Pos PositionAt(qint64 offset) const;  // offset clamped to [0, CharacterCount()]

    // Replaces the text from `a` to `b` (either order, clamped) with `text`,
    // whose line breaks start new lines; `before` is the selection that undo
    // brings back. Gives the caret after the new text; nothing when there was
    // nothing to replace or insert.
    std::optional<Pos> Replace(Pos a, Pos b, const QString& text, Selection before);
    // Takes back the last edit (giving the selection before it) or does again
    // the last one taken back (giving the caret after it); nothing when there
    // is none.
    std::optional<Selection> Undo();
    std::optional<Pos> Redo();

    // The present content as an RTF document, each line in its colour; and as
    // Windows-31J text with CR LF between lines ("?" for characters it cannot
    // hold). The file is replaced only when the whole save succeeds.
    bool SaveRtf(const QString& path) const;
    bool SavePlainText(const QString& path) const;

    // Only some lines shown (log_document_shown.cpp). Freeze gives every line,
    // hidden ones too, for reading on another thread, and FreezeFrom the lines
    // from `first` on of an unedited content; ShowOnly keeps the lines whose
    // flag in `keep` is set, indexed as Freeze gives them, and the lines
    // appended later that `appended` passes; ShowAll shows every line again,
    // edits of the shown lines in place. Both start the undo history afresh.
    // WholeLine and ShownLine map a shown line to its line in the whole content
    // and back (-1 when hidden).
    FrozenLines Freeze() const;
    FrozenLines FreezeFrom(int first) const;
    void ShowOnly(const std::vector<bool>& keep, LineSubset::LineFilter appended = {});
    void ShowAll();
    bool ShowingSome() const { return shown_.Active(); }
    int WholeLine(int line) const { return shown_.WholeLine(line); }
    int ShownLine(int wholeLine) const { return shown_.ShownLine(wholeLine); }

private:
    void AppendLine(std::string_view bytes, std::uint32_t colour, bool mayHide) {
        if (store_.Empty()) offsets_.Clear();
        store_.Append(bytes, colour);
        if (shown_.Active()) AppendedWhileShowingSome(bytes, mayHide);
    }
    void AppendedWhileShowingSome(std::string_view bytes, bool mayHide);
    void Splice(int first, int count, const std::vector<LineRec>& records);
    void UpdateOffsets() const { offsets_.Update(store_); }

    LineStore store_;
    mutable LineOffsets offsets_;
    EditHistory history_;
    LineSubset shown_;
    bool edited_ = false;
    int unchanged_ = 0;  // see TakeUnchangedLines
};

}  // namespace chatscope
