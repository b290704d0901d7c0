// FindSession: finding in the display. Ties the find bar to the display: each
// change of the search text selects the first match from the caret at once
// and counts all matches in the background; next and previous step through
// the matches, wrapping at the ends; the matches in sight are marked; and,
// when asked, the display shows only the lines with a match.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string_view>

#include "find/match_counter.h"
#include "find/text_matcher.h"

class QTimer;

namespace chatscope {

class FindBar;
class FrozenLines;
class LogDisplay;

class FindSession : public QObject {
    Q_OBJECT
public:
    FindSession(LogDisplay* display, FindBar* bar, QObject* parent = nullptr);
    ~FindSession() override;

    void OpenBar();
    void CloseBar();
    void FindNext();
    void FindPrevious();
    // Shows only the lines with a match of the search text (all while it is empty).
    void SetMatchingLinesOnly(bool on);
    bool MatchingLinesOnly() const { return matchingOnly_; }
    // True while the display shows only matching lines; RecordFilter then tells
    // whether a record's display line (Shift-JIS bytes) is among them (else it is empty).
    bool Filtering() const { return matchingOnly_ && !matcher_.Empty(); }
    std::function<bool(std::string_view displayLine)> RecordFilter() const;
    // False while the count runs.
    bool Counted() const { return !counter_.Running() && countValid_; }
    // True while a count runs or is about to start.
    bool Busy() const;

signals:
    // A count finished and the display shows what it should (for tests and benchmarks).
    void Settled();

private:
    void SearchChanged();
    void ContentChanged();
    void Recount(bool jumpToFirst);
    void FirstMatchFound(int wholeLine);
    void CountFinished();
    void ApplyFilter();
    void UpdateCount();
    bool SelectFrom(int line, int column, bool forward);
    // Selects the first match in the lines after `line`, if one is found quickly.
    bool SelectNearby(int line);
    // The next or previous line with a match after `line`, wrapping; -1 when none.
    int NextLine(int line, bool forward);

    LogDisplay* display_;
    FindBar* bar_;
    TextMatcher matcher_;
    TextMatcher paintMatcher_;  // the same, for the marks painted
    MatchCounter counter_;
    QTimer* recountTimer_;
    std::shared_ptr<const FrozenLines> frozen_;
    bool countValid_ = false;
    bool waitingForFirst_ = false;
    bool matchingOnly_ = false;
    bool refilter_ = true;  // the text or the choice changed since the lines shown were chosen
};

}  // namespace chatscope
