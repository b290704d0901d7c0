// LogDisplay: the viewer's display of coloured lines, a view of a LogDocument.
// Paints only the rows in sight, so an archive of a million lines loads in
// moments; keeps the caret, the selection and the input method's composition,
// and turns keys, mouse and input method events into edits of the document.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QRect>
#include <QString>

#include <QList>
#include <QTextLayout>
#include <algorithm>

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "document/log_document.h"

class QTextLayout;

namespace chatscope {

// Space between the viewport's edge and the text, in pixels.
inline constexpr int kDisplayMargin = 2;

class LogDisplay : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LogDisplay(QWidget* parent = nullptr);
    ~LogDisplay() override;

    // Back to one empty line, as at start; leaves editing mode.
    void Clear();
    // Appends one line: Shift-JIS bytes (no line end) shown in a display colour 0x00BBGGRR.
    void AppendLine(std::string_view sjisBytes, std::uint32_t displayColour) {
        document_.Append(sjisBytes, displayColour);
        if (!endOfBatchPosted_) PostEndOfBatch();
    }
    // Takes back the line appended last; call EndOfBatch after.
    void RemoveLastLine() {
        document_.RemoveLastLine();
        if (!endOfBatchPosted_) PostEndOfBatch();
    }
    // Call after a batch of AppendLine calls (a reading pass) to update scroll ranges and repaint.
    void EndOfBatch();
    // Background as a display colour 0x00BBGGRR.
    void SetBackgroundColour(std::uint32_t displayColour);

    const LogDocument& Document() const { return document_; }
    int LineCount() const { return document_.LineCount(); }
    QString LineText(int line) const { return document_.LineText(line); }  // present content, decoded
    // Display colour of the line (kept through edits).
    std::uint32_t LineColour(int line) const { return document_.LineColour(line); }

    bool HasSelection() const { return !(anchor_ == caret_); }
    QString SelectedText() const;  // lines joined with "\n"
    void Copy();                   // copies a non-empty selection to the clipboard
    void SelectAll();
    // Select from (line, column) to (line, column), columns in QChar units of the decoded line.
    void SetSelection(int fromLine, int fromColumn, int toLine, int toColumn);

    // True once the content was edited (until the next Clear).
    bool IsEditing() const { return document_.IsEdited(); }
    // Replaces the selection with `text` (line breaks start new lines), as typing does.
    void InsertText(const QString& text) { ReplaceSelection(text); }

    // The whole content as flat offsets, lines joined by one "\n" each (for
    // assistive technologies): character count, a range of text, conversions.
    int CharacterCount() const;
    QString TextRange(int start, int end) const;
    int OffsetOf(int line, int column) const;
    Pos PositionOf(int offset) const;
    int CaretOffset() const;
    // The selection's flat offsets; start == end when empty.
    struct OffsetRange {
        int start = 0;
        int end = 0;
    };
    OffsetRange SelectionOffsets() const;
    void SetCaretOffset(int offset);
    void SetSelectionOffsets(int start, int end);
    // Scrolls the text from `start` to `end` into sight; caret and selection stay.
    void ScrollToOffsets(int start, int end);
    QRect CharacterRect(int offset) const;             // screen coordinates; empty when not shown
    int OffsetAtPoint(const QPoint& screenPos) const;  // -1 outside the text area

    // The display's present content as an RTF document, each line in its colour;
    // and as Windows-31J text with CR LF between lines ("?" for characters it cannot hold).
    bool SaveRtf(const QString& path) const { return document_.SaveRtf(path); }
    bool SavePlainText(const QString& path) const { return document_.SavePlainText(path); }

    // Whether caret moves, selection changes and edits are reported to
    // assistive technologies: when one listens (QAccessible::isActive()), or
    // when forced, so a benchmark measures that work without a screen reader.
    static bool ReportsToAssistiveTechnologies();
    static void ForceReportsToAssistiveTechnologies(bool forced);

    // --- find (log_display_find.cpp) ---
    // The caret line and column; the selection's ends, first the one nearer the start.
    Pos CaretPosition() const { return caret_; }
    struct Range {
        Pos from, to;
    };
    Range SelectionRange() const { return {SelectionStart(), SelectionEnd()}; }
    // Selects columns [from, to) of `line` and scrolls them into view.
    void ShowRange(int line, int from, int to);
    // Marks painted on each line in sight, under the selection; empty for none.
    using Highlighter = std::function<void(const QString& text, QList<QTextLayout::FormatRange>& marks)>;
    void SetHighlighter(Highlighter highlighter);
    // Shows only the lines whose flag in `keep` is set, indexed by line of the
    // whole content (as LogDocument::Freeze gives it), and the lines appended
    // later that `appended` passes; ShowAll shows every line again. Both keep
    // the caret on its line where it is still shown.
    void ShowOnly(const std::vector<bool>& keep, LineSubset::LineFilter appended = {});
    void ShowAll();
    // See LogDocument::TakeUnchangedLines.
    int TakeUnchangedLines() { return document_.TakeUnchangedLines(); }

signals:
    void selectionChanged();
    // Lines were loaded, cleared or edited.
    void contentChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // A caller that never ends its batch still gets its lines shown.
    void PostEndOfBatch();

    // Geometry (log_display_view.cpp).
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

    // Runs `change` of the shown lines, then puts the caret back on its line where still shown.
    void ChangeShownLines(const std::function<void()>& change);

    // Caret and selection (log_display_selection.cpp).
    Pos SelectionStart() const { return std::min(anchor_, caret_); }
    Pos SelectionEnd() const { return std::max(anchor_, caret_); }
    void SetCursor(Pos anchor, Pos caret);
    void MoveTo(Pos p, bool extend);

    // Edits of the document, with the caret and the scroll bars following (log_display.cpp).
    void Replace(Pos a, Pos b, const QString& text);
    void ReplaceSelection(const QString& text) { Replace(SelectionStart(), SelectionEnd(), text); }
    void AfterEdit(Pos caret);
    void Undo();
    void Redo();
    void Backspace();
    void Delete();

    LogDocument document_;
    bool endOfBatchPosted_ = false;
    int measuredWidth_ = 0;  // widest line painted or measured so far, in pixels
    std::uint32_t background_ = 0x000000;
    QFont font_;
    int lineHeight_ = 16;
    int byteWidth_ = 6;
    Pos anchor_, caret_;
    // Column Up and Down aim for: where the caret was before a run of vertical
    // moves, so a short line passed over does not pull it left; -1 when none.
    int goalColumn_ = -1;
    bool selectingWithMouse_ = false;
    QString preedit_;  // input method composition shown at the caret
    Highlighter highlighter_;
};

}  // namespace chatscope
