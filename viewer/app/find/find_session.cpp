#include "find/find_session.h"

#include <QColor>
#include <QElapsedTimer>
#include <QTimer>

#include <climits>

#include "display/log_display.h"
#include "document/frozen_lines.h"
#include "find/find_bar.h"
#include "find/match_marks.h"
#include "sjis/shift_jis.h"

namespace chatscope {

namespace {

// How long edits of the display settle before the matches are counted again.
constexpr int kRecountDelayMs = 150;
// How long a change of the search text looks for the first match below the caret
// itself before it leaves that to the count.
constexpr qint64 kNearbyLookMs = 5;

}  // namespace

FindSession::FindSession(LogDisplay* display, FindBar* bar, QObject* parent)
    : QObject(parent), display_(display), bar_(bar), recountTimer_(new QTimer(this)) {
    recountTimer_->setSingleShot(true);
    recountTimer_->setInterval(kRecountDelayMs);
    connect(recountTimer_, &QTimer::timeout, this, [this] { Recount(false); });
    connect(bar_, &FindBar::SearchChanged, this, &FindSession::SearchChanged);
    connect(bar_, &FindBar::NextRequested, this, &FindSession::FindNext);
    connect(bar_, &FindBar::PreviousRequested, this, &FindSession::FindPrevious);
    connect(bar_, &FindBar::CloseRequested, this, &FindSession::CloseBar);
    connect(display_, &LogDisplay::contentChanged, this, &FindSession::ContentChanged);
    connect(display_, &LogDisplay::selectionChanged, this, &FindSession::UpdateCount);
    connect(&counter_, &MatchCounter::FirstMatchFound, this, &FindSession::FirstMatchFound);
    connect(&counter_, &MatchCounter::Finished, this, &FindSession::CountFinished);
    display_->SetHighlighter([this](const QString& text, QList<QTextLayout::FormatRange>& marks) {
        if (bar_->isVisible()) AppendMatchMarks(paintMatcher_, text, marks);
    });
}

FindSession::~FindSession() = default;

bool FindSession::Busy() const { return counter_.Running() || recountTimer_->isActive(); }

void FindSession::OpenBar() {
    bar_->Open();
    display_->viewport()->update();
}

void FindSession::CloseBar() {
    bar_->hide();
    display_->setFocus(Qt::OtherFocusReason);
    display_->viewport()->update();
}

void FindSession::SearchChanged() {
    matcher_ = TextMatcher(bar_->Text(), bar_->Exact());
    refilter_ = true;
    paintMatcher_ = matcher_;
    display_->viewport()->update();
    Recount(true);
}

void FindSession::ContentChanged() {
    frozen_.reset();
    const int unchanged = display_->TakeUnchangedLines();
    if (Counted() && unchanged > 0 && !matcher_.Empty()) {
        // Lines appended or taken back at the end (a file followed): count only
        // those, at once. The display already filtered them as they came.
        counter_.RecountTail(unchanged, display_->Document().FreezeFrom(unchanged), matcher_);
        ApplyFilter();
        UpdateCount();
        return;
    }
    countValid_ = false;
    counter_.Cancel();  // it counts lines that changed: a new count follows
    if (!matcher_.Empty()) recountTimer_->start();
}

void FindSession::Recount(bool jumpToFirst) {
    recountTimer_->stop();
    counter_.Cancel();
    countValid_ = false;
    waitingForFirst_ = false;
    if (matcher_.Empty()) {
        frozen_.reset();
        if (display_->Document().ShowingSome()) display_->ShowAll();
        bar_->SetCountText({});
        emit Settled();
        return;
    }
    const auto [line, column] = display_->SelectionRange().from;
    // Typing on extends the match in place: look from the start of the selection.
    if (jumpToFirst && !SelectFrom(line, column, true) && !SelectNearby(line)) waitingForFirst_ = true;
    if (!frozen_) {
        frozen_ = std::make_shared<const FrozenLines>(display_->Document().Freeze());
        display_->TakeUnchangedLines();  // changes from here on are to the lines counted now
    }
    bar_->SetCountText(QStringLiteral("…"));
    counter_.Start(frozen_, matcher_, display_->Document().WholeLine(line));
}

void FindSession::FirstMatchFound(int wholeLine) {
    if (!waitingForFirst_ || wholeLine < 0) return;
    const int line = display_->Document().ShownLine(wholeLine);
    if (line < 0) return;  // hidden until the filter follows the new text
    waitingForFirst_ = false;
    SelectFrom(line, 0, true);
}

void FindSession::CountFinished() {
    countValid_ = true;
    ApplyFilter();
    if (waitingForFirst_) {
        waitingForFirst_ = false;
        const MatchIndex& index = counter_.Index();
        if (!index.lines.empty()) {
            const int caretLine = display_->CaretPosition().line;
            int whole = index.LineAfter(display_->Document().WholeLine(caretLine));
            if (whole < 0) whole = index.lines.front();
            const int shown = display_->Document().ShownLine(whole);
            if (shown >= 0) SelectFrom(shown, 0, true);
        }
    }
    UpdateCount();
    emit Settled();
}

void FindSession::SetMatchingLinesOnly(bool on) {
    matchingOnly_ = on;
    refilter_ = true;
    ApplyFilter();
    if (!Busy()) emit Settled();
}

void FindSession::ApplyFilter() {
    if (!Filtering()) {
        if (display_->Document().ShowingSome()) display_->ShowAll();
        return;
    }
    if (!countValid_) return;  // follows when the count is done
    // Edits of the lines shown keep them shown (and undo possible) until the search changes.
    if (display_->Document().ShowingSome() && !refilter_) return;
    refilter_ = false;
    const MatchIndex& index = counter_.Index();
    std::vector<bool> keep(index.lines.empty() ? 0 : static_cast<std::size_t>(index.lines.back()) + 1, false);
    for (int line : index.lines) keep[static_cast<std::size_t>(line)] = true;
    // Lines appended later (a file followed) are shown as they come when they match.
    display_->ShowOnly(keep, RecordFilter());
    UpdateCount();
}

std::function<bool(std::string_view)> FindSession::RecordFilter() const {
    if (!Filtering()) return {};
    auto matcher = std::make_shared<TextMatcher>(matcher_);
    return [matcher](std::string_view line) { return matcher->ContainsBytes(line); };
}

bool FindSession::SelectNearby(int line) {
    // The count finds the first match too, but its thread may wait for a core
    // on a busy machine (a game running beside the viewer): the lines just below
    // the caret are looked at here, for a few milliseconds at most.
    QElapsedTimer clock;
    clock.start();
    const int count = display_->LineCount();
    for (int next = line + 1; next < count; ++next) {
        if (matcher_.Contains(display_->LineText(next))) return SelectFrom(next, 0, true);
        if (next % 64 == 0 && clock.elapsed() >= kNearbyLookMs) break;
    }
    return false;
}

bool FindSession::SelectFrom(int line, int column, bool forward) {
    const QString text = display_->LineText(line);
    const TextMatch m = forward ? matcher_.FindFrom(text, column) : matcher_.FindBefore(text, column);
    if (m.end == 0) return false;
    display_->ShowRange(line, m.start, m.end);
    return true;
}

int FindSession::NextLine(int line, bool forward) {
    if (Counted() && !display_->Document().ShowingSome()) {
        const MatchIndex& index = counter_.Index();
        if (index.lines.empty()) return -1;
        int next = forward ? index.LineAfter(line) : index.LineBefore(line);
        if (next < 0) next = forward ? index.lines.front() : index.lines.back();
        return next;
    }
    // While counting (or with only some lines shown): look line by line.
    const int count = display_->LineCount();
    for (int k = 1; k <= count; ++k) {
        const int candidate = ((forward ? line + k : line - k) % count + count) % count;
        if (matcher_.Contains(display_->LineText(candidate))) return candidate;
    }
    return -1;
}

void FindSession::FindNext() {
    if (matcher_.Empty()) return OpenBar();
    const Pos to = display_->SelectionRange().to;
    if (SelectFrom(to.line, to.column, true)) return;
    const int next = NextLine(to.line, true);
    if (next >= 0) SelectFrom(next, 0, true);
}

void FindSession::FindPrevious() {
    if (matcher_.Empty()) return OpenBar();
    const Pos from = display_->SelectionRange().from;
    if (SelectFrom(from.line, from.column, false)) return;
    const int previous = NextLine(from.line, false);
    if (previous >= 0) SelectFrom(previous, INT_MAX, false);
}

void FindSession::UpdateCount() {
    if (matcher_.Empty()) return bar_->SetCountText({});
    if (!Counted()) return;
    const MatchIndex& index = counter_.Index();
    if (index.total == 0) return bar_->SetCountText(QStringLiteral("0 件"));
    const auto [from, to] = display_->SelectionRange();
    const int fromLine = from.line, fromColumn = from.column, toLine = to.line, toColumn = to.column;
    QString current = QStringLiteral("-");
    if (fromLine == toLine) {
        const QString text = display_->LineText(fromLine);
        std::vector<TextMatch> found;
        matcher_.FindAll(text, found);
        for (std::size_t k = 0; k < found.size(); ++k) {
            if (found[k].start == fromColumn && found[k].end == toColumn) {
                current =
                    QString::number(index.MatchesBefore(display_->Document().WholeLine(fromLine)) + qint64(k) + 1);
                break;
            }
        }
    }
    bar_->SetCountText(current + QStringLiteral(" / ") + QString::number(index.total));
}

}  // namespace chatscope
