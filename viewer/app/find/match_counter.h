// MatchCounter: counts the matches of a search in a frozen copy of the
// display's lines on a worker thread, so typing never waits for a million
// lines. It reports the first line with a match after a given line as soon as
// it is found, then the whole count: which lines hold matches and how many.
// A new search or Cancel() drops the one running; its results never arrive.
#pragma once

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "find/text_matcher.h"

namespace chatscope {

class FrozenLines;

// Which lines hold matches and how many matches come before each of them.
struct MatchIndex {
    std::vector<int> lines;      // ascending
    std::vector<qint64> before;  // matches in the lines before lines[i]
    qint64 total = 0;

    // Adds `count` matches in `line`, after every line added so far.
    void Add(int line, int count) {
        lines.push_back(line);
        before.push_back(total);
        total += count;
    }
    // Number of matches in lines before `line`.
    qint64 MatchesBefore(int line) const;
    // The first line with a match after `line` (or before it, backwards), -1 when none.
    int LineAfter(int line) const;
    int LineBefore(int line) const;
};

class MatchCounter : public QObject {
    Q_OBJECT
public:
    explicit MatchCounter(QObject* parent = nullptr);
    ~MatchCounter() override;

    // Starts counting `matcher` in `lines`; the first match is looked for after `fromLine`, wrapping.
    void Start(std::shared_ptr<const FrozenLines> lines, const TextMatcher& matcher, int fromLine);
    void Cancel();
    bool Running() const { return running_; }
    // Follows lines appended to (or taken back from) the end of what the last
    // search counted: forgets the lines from `first` on and counts `tail`, the
    // lines from `first` on now, here and at once.
    void RecountTail(int first, const FrozenLines& tail, TextMatcher& matcher);
    // The result of the last finished search.
    const MatchIndex& Index() const { return index_; }

signals:
    // The first line with a match after the start line (wrapping; the start line itself last), or -1.
    void FirstMatchFound(int line);
    void Finished();

private:
    struct Job;
    void Deliver(std::uint64_t generation, MatchIndex index);

    std::shared_ptr<Job> job_;
    std::thread worker_;
    std::uint64_t generation_ = 0;
    bool running_ = false;
    MatchIndex index_;
};

}  // namespace chatscope
