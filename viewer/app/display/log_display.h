// LogDisplay: the viewer's display of coloured lines. Holds each line as its
// Shift-JIS bytes and colour and decodes only the rows it paints, so an archive
// of a million lines loads in moments. The user can edit it: an edited line
// keeps its text decoded, every other line stays as it was loaded.
#pragma once

#include <QAbstractScrollArea>
#include <QRect>
#include <QString>

#include <cstdint>
#include <string_view>

namespace chatscope {

class LogDisplay : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LogDisplay(QWidget* parent = nullptr);
    ~LogDisplay() override;

    // Back to one empty line, as at start; leaves editing mode.
    void Clear();
    // Appends one line: Shift-JIS bytes (no line end) shown in a display colour 0x00BBGGRR.
    void AppendLine(std::string_view sjisBytes, std::uint32_t displayColour);
    // Call after a batch of AppendLine calls (a reading pass) to update scroll ranges and repaint.
    void EndOfBatch();
    // Background as a display colour 0x00BBGGRR.
    void SetBackgroundColour(std::uint32_t displayColour);

    int LineCount() const;
    QString LineText(int line) const;          // present content, decoded
    std::uint32_t LineColour(int line) const;  // display colour of the line (kept through edits)

    bool HasSelection() const;
    QString SelectedText() const;  // lines joined with "\n"
    void Copy();                   // copies a non-empty selection to the clipboard
    void SelectAll();
    // Select from (line, column) to (line, column), columns in QChar units of the decoded line.
    void SetSelection(int fromLine, int fromColumn, int toLine, int toColumn);

    bool IsEditing() const;  // true once the content was edited (until the next Clear)
    // Replaces the selection with `text` (line breaks start new lines), as typing does.
    void InsertText(const QString& text);

    // The whole content as flat offsets, lines joined by one "\n" each (for
    // assistive technologies): character count, a range of text, conversions.
    int CharacterCount() const;
    QString TextRange(int start, int end) const;
    int OffsetOf(int line, int column) const;
    void PositionOf(int offset, int* line, int* column) const;
    int CaretOffset() const;
    void SelectionOffsets(int* start, int* end) const;  // start == end when empty
    void SetCaretOffset(int offset);
    void SetSelectionOffsets(int start, int end);
    QRect CharacterRect(int offset) const;             // screen coordinates; empty when not shown
    int OffsetAtPoint(const QPoint& screenPos) const;  // -1 outside the text area

    // The display's present content as an RTF document, each line in its colour;
    // and as Windows-31J text with CR LF between lines ("?" for characters it cannot hold).
    bool SaveRtf(const QString& path) const;
    bool SavePlainText(const QString& path) const;

signals:
    void selectionChanged();

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
    struct Impl;
    Impl* d;
};

}  // namespace chatscope
