#include "display/log_display.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "display/display_content.h"
#include "display/log_display_accessible.h"
#include "display/rtf_writer.h"
#include "display/text_writer.h"
#include "sjis_text.h"
#include "viewer_font.h"

namespace chatscope {

namespace {

constexpr std::size_t kChunkSize = std::size_t{8} << 20;
constexpr int kMargin = 2;
constexpr std::uint32_t kDefaultTextColour = 0xFFFFFF;
// A line the user edited keeps its text as a QString; its record points there.
constexpr std::uint32_t kEditedChunk = 0xFFFFFFFF;
constexpr std::size_t kUndoSteps = 200;

QColor ToQColor(std::uint32_t display) {
    return QColor(static_cast<int>(display & 0xFF), static_cast<int>(display >> 8 & 0xFF),
                  static_cast<int>(display >> 16 & 0xFF));
}

struct Pos {
    int line = 0;
    int column = 0;
    friend bool operator==(const Pos&, const Pos&) = default;
    friend auto operator<=>(const Pos&, const Pos&) = default;
};

// One line: where its bytes are in the chunks (or which edited text it is), and
// its display colour.
struct LineRec {
    std::uint32_t chunk;
    std::uint32_t offset;
    std::uint32_t length;
    std::uint32_t colour;
};

// One edit: the records of lines [first, first + before.size()) were replaced
// by `after`. Undo and redo swap them back and forth.
struct EditStep {
    int first;
    std::vector<LineRec> before, after;
    Pos anchorBefore, caretBefore, caretAfter;
};

// Splits typed or pasted text at its line breaks (CR LF, CR, LF, U+2029).
QStringList SplitLines(const QString& text) {
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::ParagraphSeparator) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            parts.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    parts.append(current);
    return parts;
}

}  // namespace

struct LogDisplay::Impl {
    LogDisplay* q;
    // Line store: bytes in large chunks, one small record per line. No lines
    // stands for the one empty line the display holds at start.
    std::vector<std::unique_ptr<char[]>> chunks;
    std::size_t chunkUsed = 0;
    std::size_t chunkCapacity = 0;
    std::vector<LineRec> lines;
    std::vector<QString> editedTexts;
    std::uint32_t maxBytes = 0;  // widest line in bytes (edited lines: two per QChar)
    int measuredWidth = 0;
    bool endOfBatchPosted = false;

    std::uint32_t background = 0x000000;
    QFont font;
    int lineHeight = 16;
    int byteWidth = 6;

    Pos anchor, caret;
    bool selectingWithMouse = false;
    QString preedit;  // input method composition shown at the caret

    bool edited = false;
    std::vector<EditStep> undoSteps, redoSteps;

    // Flat offsets of line starts for assistive technologies, built on demand.
    mutable std::vector<qint64> lineStarts;

    explicit Impl(LogDisplay* owner) : q(owner) {}

    int Count() const { return lines.empty() ? 1 : static_cast<int>(lines.size()); }

    const LineRec* Rec(int line) const {
        if (line < 0 || line >= static_cast<int>(lines.size())) return nullptr;
        return &lines[static_cast<std::size_t>(line)];
    }

    std::string_view Bytes(const LineRec& r) const {
        if (r.chunk == kEditedChunk || r.length == 0) return {};
        return {chunks[r.chunk].get() + r.offset, r.length};
    }

    QString Text(int line) const {
        const LineRec* r = Rec(line);
        if (!r) return {};
        if (r->chunk == kEditedChunk) return editedTexts[r->offset];
        return SjisToQString(Bytes(*r));
    }

    int Length(int line) const {
        const LineRec* r = Rec(line);
        if (!r) return 0;
        if (r->chunk == kEditedChunk) return static_cast<int>(editedTexts[r->offset].size());
        return SjisCharCount(Bytes(*r));
    }

    std::uint32_t Colour(int line) const {
        const LineRec* r = Rec(line);
        return r ? r->colour : kDefaultTextColour;
    }

    void Append(std::string_view bytes, std::uint32_t colour) {
        if (lines.empty()) lineStarts.clear();  // the empty start line is replaced
        if (chunks.empty() || bytes.size() > chunkCapacity - chunkUsed) {
            std::size_t size = std::max(kChunkSize, bytes.size());
            chunks.emplace_back(new char[size]);
            chunkCapacity = size;
            chunkUsed = 0;
        }
        if (!bytes.empty()) std::memcpy(chunks.back().get() + chunkUsed, bytes.data(), bytes.size());
        lines.push_back({static_cast<std::uint32_t>(chunks.size() - 1), static_cast<std::uint32_t>(chunkUsed),
                         static_cast<std::uint32_t>(bytes.size()), colour & 0xFFFFFF});
        chunkUsed += bytes.size();
        maxBytes = std::max(maxBytes, static_cast<std::uint32_t>(bytes.size()));
    }

    void ReleaseStore() {
        chunks.clear();
        chunkUsed = chunkCapacity = 0;
        lines.clear();
        editedTexts.clear();
        editedTexts.shrink_to_fit();
        maxBytes = 0;
        measuredWidth = 0;
        lineStarts.clear();
        undoSteps.clear();
        redoSteps.clear();
        edited = false;
        preedit.clear();
    }

    // --- geometry ---------------------------------------------------------

    void UpdateMetrics() {
        QFontMetrics fm(font);
        lineHeight = std::max(1, fm.height());
        byteWidth = std::max({1, (fm.horizontalAdvance(QChar(0x3042)) + 1) / 2, fm.averageCharWidth()});
    }

    int VisibleRows() const { return std::max(1, (q->viewport()->height() - kMargin) / lineHeight); }

    int ContentWidth() const {
        return kMargin * 2 + std::max(measuredWidth, static_cast<int>(std::min<std::uint64_t>(
                                                         std::uint64_t{maxBytes} * byteWidth, 1u << 24)));
    }

    void UpdateScrollBars() {
        const int rows = VisibleRows();
        q->verticalScrollBar()->setRange(0, std::max(0, Count() - rows));
        q->verticalScrollBar()->setPageStep(rows);
        q->verticalScrollBar()->setSingleStep(1);
        const int w = q->viewport()->width();
        q->horizontalScrollBar()->setRange(0, std::max(0, ContentWidth() - w));
        q->horizontalScrollBar()->setPageStep(std::max(1, w));
        q->horizontalScrollBar()->setSingleStep(std::max(1, byteWidth * 4));
    }

    int FirstRow() const { return q->verticalScrollBar()->value(); }
    int OriginX() const { return kMargin - q->horizontalScrollBar()->value(); }

    std::unique_ptr<QTextLayout> Layout(const QString& text, int preeditAt = -1) const {
        auto layout = std::make_unique<QTextLayout>(text, font);
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        if (preeditAt >= 0 && !preedit.isEmpty()) {
            layout->setPreeditArea(preeditAt, preedit);
            QTextLayout::FormatRange underline;
            underline.start = preeditAt;
            underline.length = static_cast<int>(preedit.size());
            underline.format.setFontUnderline(true);
            layout->setFormats({underline});
        }
        layout->beginLayout();
        QTextLine line = layout->createLine();
        if (line.isValid()) line.setPosition(QPointF(0, 0));
        layout->endLayout();
        return layout;
    }

    Pos HitTest(const QPoint& point) const {
        const int y = point.y() - kMargin;
        const int row = y < 0 ? -1 : y / lineHeight;
        const int line = std::clamp(FirstRow() + row, 0, Count() - 1);
        auto layout = Layout(Text(line));
        QTextLine tl = layout->lineAt(0);
        const int column = tl.isValid() ? tl.xToCursor(point.x() - OriginX()) : 0;
        return {line, column};
    }

    void EnsureVisible(Pos p) {
        const int first = FirstRow();
        const int rows = VisibleRows();
        if (p.line < first)
            q->verticalScrollBar()->setValue(p.line);
        else if (p.line >= first + rows)
            q->verticalScrollBar()->setValue(p.line - rows + 1);
        auto layout = Layout(Text(p.line));
        QTextLine tl = layout->lineAt(0);
        if (!tl.isValid()) return;
        const int x = static_cast<int>(tl.cursorToX(p.column));
        if (x > measuredWidth) {
            measuredWidth = std::max(measuredWidth, static_cast<int>(tl.naturalTextWidth()));
            UpdateScrollBars();
        }
        const int hs = q->horizontalScrollBar()->value();
        const int w = q->viewport()->width() - 2 * kMargin;
        if (x < hs)
            q->horizontalScrollBar()->setValue(x);
        else if (x > hs + w)
            q->horizontalScrollBar()->setValue(x - w);
    }

    // --- selection -------------------------------------------------------

    Pos Clamp(Pos p) const {
        p.line = std::clamp(p.line, 0, Count() - 1);
        p.column = std::clamp(p.column, 0, Length(p.line));
        return p;
    }

    Pos SelStart() const { return std::min(anchor, caret); }
    Pos SelEnd() const { return std::max(anchor, caret); }

    void SetCursor(Pos newAnchor, Pos newCaret) {
        const Pos oldStart = SelStart(), oldEnd = SelEnd();
        const Pos oldCaret = caret;
        anchor = newAnchor;
        caret = newCaret;
        const Pos start = SelStart(), end = SelEnd();
        const bool changed = !(start == oldStart && end == oldEnd) && !(start == end && oldStart == oldEnd);
        q->viewport()->update();
        // Flat offsets for assistive technologies, only when one listens (the
        // first after a load scans the line store once).
        if (QAccessible::isActive()) {
            if (!(caret == oldCaret)) {
                QAccessibleTextCursorEvent ev(q, q->CaretOffset());
                QAccessible::updateAccessibility(&ev);
            }
            if (changed) {
                int s = 0, e = 0;
                q->SelectionOffsets(&s, &e);
                QAccessibleTextSelectionEvent ev(q, s, e);
                QAccessible::updateAccessibility(&ev);
            }
        }
        if (changed) emit q->selectionChanged();
    }

    void MoveTo(Pos p, bool extend) {
        p = Clamp(p);
        SetCursor(extend ? anchor : p, p);
        EnsureVisible(p);
    }

    QString RangeText(Pos s, Pos e) const {
        if (!(s < e)) return {};
        QString out;
        for (int line = s.line; line <= e.line; ++line) {
            const QString text = Text(line);
            const int from = line == s.line ? s.column : 0;
            const int to = line == e.line ? e.column : static_cast<int>(text.size());
            if (line > s.line) out.append(QLatin1Char('\n'));
            out.append(QStringView(text).mid(from, std::max(0, to - from)));
        }
        return out;
    }

    // --- flat offsets ----------------------------------------------------

    void EnsureLineStarts() const {
        const int count = Count();
        if (static_cast<int>(lineStarts.size()) == count + 1) return;
        if (lineStarts.size() > static_cast<std::size_t>(count) + 1) lineStarts.resize(1);
        if (lineStarts.empty()) lineStarts.push_back(0);
        lineStarts.reserve(static_cast<std::size_t>(count) + 1);
        for (int line = static_cast<int>(lineStarts.size()) - 1; line < count; ++line)
            lineStarts.push_back(lineStarts.back() + Length(line) + 1);
    }

    // --- editing ---------------------------------------------------------

    LineRec EditedLine(QString text, std::uint32_t colour) {
        maxBytes = std::max(maxBytes, static_cast<std::uint32_t>(std::min<qsizetype>(text.size() * 2, 1 << 24)));
        editedTexts.push_back(std::move(text));
        return {kEditedChunk, static_cast<std::uint32_t>(editedTexts.size() - 1), 0, colour};
    }

    // Puts `records` in place of lines [first, first + count).
    void Splice(int first, int count, const std::vector<LineRec>& records) {
        auto at = lines.begin() + first;
        const std::size_t common = std::min(static_cast<std::size_t>(count), records.size());
        std::copy(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(common), at);
        if (records.size() > common)
            lines.insert(at + static_cast<std::ptrdiff_t>(common), records.begin() + static_cast<std::ptrdiff_t>(common),
                         records.end());
        else
            lines.erase(at + static_cast<std::ptrdiff_t>(common), at + count);
        if (lineStarts.size() > static_cast<std::size_t>(first) + 1) lineStarts.resize(static_cast<std::size_t>(first) + 1);
    }

    void AfterEdit(Pos newCaret) {
        edited = true;
        UpdateScrollBars();
        SetCursor(newCaret, newCaret);
        EnsureVisible(newCaret);
        q->updateMicroFocus();
    }

    // Replaces the text from `a` to `b` with `text`, which may hold line breaks.
    void Replace(Pos a, Pos b, const QString& text) {
        a = Clamp(a);
        b = Clamp(b);
        if (b < a) std::swap(a, b);
        if (a == b && text.isEmpty()) return;
        if (lines.empty()) {
            Append({}, kDefaultTextColour);
            lineStarts.clear();
        }
        const QString head = Text(a.line).left(a.column);
        const QString tail = Text(b.line).mid(b.column);
        const QStringList parts = SplitLines(text);
        std::vector<LineRec> after;
        after.reserve(static_cast<std::size_t>(parts.size()));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QString t = i == 0 ? head + parts[i] : parts[i];
            if (i == parts.size() - 1) t += tail;
            // A line broken in two keeps its colour in both halves; a line made
            // of another line's end takes that line's colour.
            const std::uint32_t colour = i > 0 && i == parts.size() - 1 ? Colour(b.line) : Colour(a.line);
            after.push_back(EditedLine(std::move(t), colour));
        }
        if (QAccessible::isActive()) {
            QAccessibleTextUpdateEvent ev(q, q->OffsetOf(a.line, a.column), RangeText(a, b), text);
            QAccessible::updateAccessibility(&ev);
        }
        EditStep step;
        step.first = a.line;
        step.before.assign(lines.begin() + a.line, lines.begin() + b.line + 1);
        step.after = after;
        step.anchorBefore = anchor;
        step.caretBefore = caret;
        const int lastPart = static_cast<int>(parts.size()) - 1;
        step.caretAfter = {a.line + lastPart,
                           static_cast<int>((lastPart == 0 ? head.size() : 0) + parts.back().size())};
        Splice(a.line, b.line - a.line + 1, after);
        undoSteps.push_back(std::move(step));
        if (undoSteps.size() > kUndoSteps) undoSteps.erase(undoSteps.begin());
        redoSteps.clear();
        AfterEdit(undoSteps.back().caretAfter);
    }

    void ReplaceSelection(const QString& text) { Replace(SelStart(), SelEnd(), text); }

    void Undo() {
        if (undoSteps.empty()) return;
        EditStep step = std::move(undoSteps.back());
        undoSteps.pop_back();
        Splice(step.first, static_cast<int>(step.after.size()), step.before);
        const Pos a = step.anchorBefore, c = step.caretBefore;
        redoSteps.push_back(std::move(step));
        edited = true;
        UpdateScrollBars();
        SetCursor(a, c);
        EnsureVisible(c);
        q->viewport()->update();
    }

    void Redo() {
        if (redoSteps.empty()) return;
        EditStep step = std::move(redoSteps.back());
        redoSteps.pop_back();
        Splice(step.first, static_cast<int>(step.before.size()), step.after);
        const Pos c = step.caretAfter;
        undoSteps.push_back(std::move(step));
        AfterEdit(c);
    }

    // Column before/after `p` on its line, stepping over a surrogate pair whole.
    int PrevColumn(Pos p) const {
        const QString t = Text(p.line);
        int c = p.column - 1;
        if (c > 0 && t[c].isLowSurrogate() && t[c - 1].isHighSurrogate()) --c;
        return c;
    }
    int NextColumn(Pos p) const {
        const QString t = Text(p.line);
        int c = p.column + 1;
        if (c < t.size() && t[c].isLowSurrogate() && t[c - 1].isHighSurrogate()) ++c;
        return c;
    }

    // Column of the word boundary before/after `p` on its line (Ctrl+arrows).
    int WordColumn(Pos p, bool forward) const {
        const QString t = Text(p.line);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Word, t);
        finder.setPosition(p.column);
        qsizetype c = forward ? finder.toNextBoundary() : finder.toPreviousBoundary();
        // Land on the start of a word, skipping the gap between words.
        if (forward)
            while (c >= 0 && c < t.size() && t[c].isSpace()) c = finder.toNextBoundary();
        else
            while (c > 0 && !(finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem)) c = finder.toPreviousBoundary();
        return c < 0 ? (forward ? static_cast<int>(t.size()) : 0) : static_cast<int>(c);
    }

    void Backspace() {
        if (!(anchor == caret)) return ReplaceSelection({});
        if (caret.column > 0) return Replace({caret.line, PrevColumn(caret)}, caret, {});
        if (caret.line > 0) Replace({caret.line - 1, Length(caret.line - 1)}, caret, {});
    }

    void Delete() {
        if (!(anchor == caret)) return ReplaceSelection({});
        if (caret.column < Length(caret.line)) return Replace(caret, {caret.line, NextColumn(caret)}, {});
        if (caret.line + 1 < Count()) Replace(caret, {caret.line + 1, 0}, {});
    }

    // --- the saves' view of the content ------------------------------------

    class Content : public DisplayContent {
    public:
        explicit Content(const Impl& d) : d_(d) {}
        int LineCount() const override { return d_.Count(); }
        void LineRuns(int line, std::vector<TextRun>& runs) const override {
            runs.clear();
            const LineRec* r = d_.Rec(line);
            if (!r) return;
            if (r->chunk == kEditedChunk) {
                const QString& text = d_.editedTexts[r->offset];
                if (!text.isEmpty()) runs.push_back({r->colour, true, {}, QStringView(text)});
            } else if (r->length > 0) {
                runs.push_back({r->colour, false, d_.Bytes(*r), {}});
            }
        }
        std::uint32_t EmptyLineColour(int line) const override { return d_.Colour(line); }

    private:
        const Impl& d_;
    };
};

namespace {

bool SaveWith(const QString& path, const DisplayContent& content,
              bool (*writer)(const DisplayContent&, QIODevice&)) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!writer(content, file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace

// ----------------------------------------------------------------------------

LogDisplay::LogDisplay(QWidget* parent) : QAbstractScrollArea(parent), d(new Impl(this)) {
    InstallLogDisplayAccessibleFactory();
    d->font = ViewerFont();
    setFont(d->font);
    d->UpdateMetrics();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    d->lines.reserve(1024);
    d->UpdateScrollBars();
}

LogDisplay::~LogDisplay() { delete d; }

void LogDisplay::Clear() {
    const bool hadSelection = HasSelection();
    d->ReleaseStore();
    d->anchor = d->caret = {};
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    d->UpdateScrollBars();
    viewport()->update();
    if (hadSelection) emit selectionChanged();
}

void LogDisplay::AppendLine(std::string_view sjisBytes, std::uint32_t displayColour) {
    d->Append(sjisBytes, displayColour);
    if (!d->endOfBatchPosted) {
        // A caller that never ends its batch still gets its lines shown.
        d->endOfBatchPosted = true;
        QMetaObject::invokeMethod(this, [this] { EndOfBatch(); }, Qt::QueuedConnection);
    }
}

void LogDisplay::EndOfBatch() {
    d->endOfBatchPosted = false;
    d->UpdateScrollBars();
    viewport()->update();
}

void LogDisplay::SetBackgroundColour(std::uint32_t displayColour) {
    d->background = displayColour & 0xFFFFFF;
    viewport()->update();
}

int LogDisplay::LineCount() const { return d->Count(); }

QString LogDisplay::LineText(int line) const { return d->Text(line); }

std::uint32_t LogDisplay::LineColour(int line) const { return d->Colour(line); }

bool LogDisplay::HasSelection() const { return !(d->anchor == d->caret); }

QString LogDisplay::SelectedText() const { return d->RangeText(d->SelStart(), d->SelEnd()); }

void LogDisplay::Copy() {
    if (!HasSelection()) return;
    QGuiApplication::clipboard()->setText(SelectedText());
}

void LogDisplay::SelectAll() {
    const int last = d->Count() - 1;
    d->SetCursor({0, 0}, {last, d->Length(last)});
}

void LogDisplay::SetSelection(int fromLine, int fromColumn, int toLine, int toColumn) {
    d->SetCursor(d->Clamp({fromLine, fromColumn}), d->Clamp({toLine, toColumn}));
}

bool LogDisplay::IsEditing() const { return d->edited; }

void LogDisplay::InsertText(const QString& text) { d->ReplaceSelection(text); }

bool LogDisplay::SaveRtf(const QString& path) const { return SaveWith(path, Impl::Content(*d), &WriteRtf); }

bool LogDisplay::SavePlainText(const QString& path) const {
    return SaveWith(path, Impl::Content(*d), &WritePlainText);
}

// --- flat offsets -----------------------------------------------------------

int LogDisplay::CharacterCount() const {
    d->EnsureLineStarts();
    return static_cast<int>(std::min<qint64>(d->lineStarts.back() - 1, INT_MAX));
}

int LogDisplay::OffsetOf(int line, int column) const {
    const Pos p = d->Clamp({line, column});
    d->EnsureLineStarts();
    return static_cast<int>(std::min<qint64>(d->lineStarts[static_cast<std::size_t>(p.line)] + p.column, INT_MAX));
}

void LogDisplay::PositionOf(int offset, int* line, int* column) const {
    offset = std::clamp(offset, 0, CharacterCount());
    auto it = std::upper_bound(d->lineStarts.begin(), d->lineStarts.end() - 1, static_cast<qint64>(offset));
    *line = std::max(0, static_cast<int>(it - d->lineStarts.begin()) - 1);
    *column = static_cast<int>(offset - d->lineStarts[static_cast<std::size_t>(*line)]);
}

QString LogDisplay::TextRange(int start, int end) const {
    const int count = CharacterCount();
    start = std::clamp(start, 0, count);
    end = std::clamp(end, start, count);
    Pos s, e;
    PositionOf(start, &s.line, &s.column);
    PositionOf(end, &e.line, &e.column);
    return d->RangeText(s, e);
}

int LogDisplay::CaretOffset() const { return OffsetOf(d->caret.line, d->caret.column); }

void LogDisplay::SelectionOffsets(int* start, int* end) const {
    const Pos s = d->SelStart(), e = d->SelEnd();
    *start = OffsetOf(s.line, s.column);
    *end = s == e ? *start : OffsetOf(e.line, e.column);
}

void LogDisplay::SetCaretOffset(int offset) { SetSelectionOffsets(offset, offset); }

void LogDisplay::SetSelectionOffsets(int start, int end) {
    Pos s, e;
    PositionOf(start, &s.line, &s.column);
    PositionOf(end, &e.line, &e.column);
    d->SetCursor(s, e);
}

QRect LogDisplay::CharacterRect(int offset) const {
    int line = 0, column = 0;
    PositionOf(offset, &line, &column);
    const int row = line - d->FirstRow();
    if (row < 0 || row > d->VisibleRows()) return {};
    auto layout = d->Layout(d->Text(line));
    QTextLine tl = layout->lineAt(0);
    if (!tl.isValid()) return {};
    const int x1 = static_cast<int>(tl.cursorToX(column));
    const int x2 = static_cast<int>(tl.cursorToX(column + 1));
    const QPoint topLeft(d->OriginX() + x1, kMargin + row * d->lineHeight);
    return QRect(viewport()->mapToGlobal(topLeft), QSize(std::max(1, x2 - x1), d->lineHeight));
}

int LogDisplay::OffsetAtPoint(const QPoint& screenPos) const {
    const QPoint p = viewport()->mapFromGlobal(screenPos);
    if (!viewport()->rect().contains(p)) return -1;
    const Pos pos = d->HitTest(p);
    return OffsetOf(pos.line, pos.column);
}

// --- events -----------------------------------------------------------------

void LogDisplay::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), ToQColor(d->background));
    painter.setFont(d->font);

    const int first = d->FirstRow();
    const int rows = viewport()->height() / d->lineHeight + 1;
    const int count = d->Count();
    const int x0 = d->OriginX();
    const Pos selStart = d->SelStart(), selEnd = d->SelEnd();
    const bool hasSelection = !(selStart == selEnd);
    const QPalette& pal = palette();
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor highlightedText = pal.color(QPalette::Active, QPalette::HighlightedText);
    int widest = d->measuredWidth;

    for (int row = 0; row < rows && first + row < count; ++row) {
        const int line = first + row;
        const int y = kMargin + row * d->lineHeight;
        const QString text = d->Text(line);
        const bool caretLine = line == d->caret.line;
        auto layout = d->Layout(text, caretLine ? d->caret.column : -1);
        QTextLine tl = layout->lineAt(0);
        if (!tl.isValid()) continue;
        widest = std::max(widest, static_cast<int>(tl.naturalTextWidth() + 0.999));

        QList<QTextLayout::FormatRange> selections;
        if (hasSelection && line >= selStart.line && line <= selEnd.line) {
            const int from = line == selStart.line ? selStart.column : 0;
            const int to = line == selEnd.line ? selEnd.column : static_cast<int>(text.size());
            if (to > from) {
                QTextLayout::FormatRange range;
                range.start = from;
                range.length = to - from;
                range.format.setBackground(highlight);
                range.format.setForeground(highlightedText);
                selections.append(range);
            }
            if (line < selEnd.line) {
                // The line break is part of the selection: mark it after the text.
                painter.fillRect(QRectF(x0 + tl.naturalTextWidth(), y, d->byteWidth, d->lineHeight), highlight);
            }
        }
        painter.setPen(ToQColor(d->Colour(line)));
        layout->draw(&painter, QPointF(x0, y), selections);
        if (caretLine && hasFocus()) {
            painter.setPen(ToQColor(~d->background & 0xFFFFFF));
            layout->drawCursor(&painter, QPointF(x0, y), d->caret.column + static_cast<int>(d->preedit.size()), 1);
        }
    }
    if (widest > d->measuredWidth) {
        d->measuredWidth = widest;
        if (d->ContentWidth() - viewport()->width() > horizontalScrollBar()->maximum())
            QMetaObject::invokeMethod(this, [this] { d->UpdateScrollBars(); }, Qt::QueuedConnection);
    }
}

void LogDisplay::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    d->UpdateScrollBars();
}

void LogDisplay::scrollContentsBy(int, int) { viewport()->update(); }

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
        case Qt::Key_Backspace:
            return d->Backspace();
        case Qt::Key_Delete:
            return d->Delete();
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return d->ReplaceSelection(QStringLiteral("\n"));
        default:
            break;
    }
    if (TypesText(e)) return d->ReplaceSelection(e->text());

    const bool extend = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    Pos p = d->caret;
    switch (e->key()) {
        case Qt::Key_Left:
            if (p.column > 0)
                p.column = ctrl ? d->WordColumn(p, false) : d->PrevColumn(p);
            else if (p.line > 0)
                p = {p.line - 1, d->Length(p.line - 1)};
            break;
        case Qt::Key_Right:
            if (p.column < d->Length(p.line))
                p.column = ctrl ? d->WordColumn(p, true) : d->NextColumn(p);
            else if (p.line + 1 < d->Count())
                p = {p.line + 1, 0};
            break;
        case Qt::Key_Up:
            --p.line;
            break;
        case Qt::Key_Down:
            ++p.line;
            break;
        case Qt::Key_PageUp:
            p.line -= d->VisibleRows();
            verticalScrollBar()->setValue(verticalScrollBar()->value() - d->VisibleRows());
            break;
        case Qt::Key_PageDown:
            p.line += d->VisibleRows();
            verticalScrollBar()->setValue(verticalScrollBar()->value() + d->VisibleRows());
            break;
        case Qt::Key_Home:
            p = ctrl ? Pos{0, 0} : Pos{p.line, 0};
            break;
        case Qt::Key_End:
            p = ctrl ? Pos{d->Count() - 1, d->Length(d->Count() - 1)} : Pos{p.line, d->Length(p.line)};
            break;
        default:
            QAbstractScrollArea::keyPressEvent(e);
            return;
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
        case Qt::ImEnabled:
            return true;
        case Qt::ImFont:
            return d->font;
        case Qt::ImCursorRectangle: {
            const int y = kMargin + (d->caret.line - d->FirstRow()) * d->lineHeight;
            auto layout = d->Layout(d->Text(d->caret.line));
            QTextLine tl = layout->lineAt(0);
            const int x = d->OriginX() + (tl.isValid() ? static_cast<int>(tl.cursorToX(d->caret.column)) : 0);
            return QRect(viewport()->mapTo(this, QPoint(x, y)), QSize(1, d->lineHeight));
        }
        case Qt::ImCursorPosition:
            return d->caret.column;
        case Qt::ImAnchorPosition:
            return d->anchor.line == d->caret.line ? d->anchor.column : d->caret.column;
        case Qt::ImSurroundingText:
            return d->Text(d->caret.line);
        case Qt::ImCurrentSelection:
            return d->anchor.line == d->caret.line ? SelectedText() : QString();
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
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
    const QString text = d->Text(p.line);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(p.column);
    qsizetype start = finder.isAtBoundary() && (finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem)
                          ? p.column
                          : std::max<qsizetype>(0, finder.toPreviousBoundary());
    finder.setPosition(p.column);
    qsizetype end = finder.toNextBoundary();
    if (end < 0) end = text.size();
    d->SetCursor({p.line, static_cast<int>(start)}, {p.line, static_cast<int>(end)});
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
