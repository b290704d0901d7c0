#include "find/match_counter.h"

#include <QMetaObject>

#include <algorithm>
#include <utility>

#include "document/frozen_lines.h"

namespace chatscope {

qint64 MatchIndex::MatchesBefore(int line) const {
    const auto it = std::lower_bound(lines.begin(), lines.end(), line);
    if (it == lines.end()) return total;
    return before[static_cast<std::size_t>(it - lines.begin())];
}

int MatchIndex::LineAfter(int line) const {
    const auto it = std::upper_bound(lines.begin(), lines.end(), line);
    return it == lines.end() ? -1 : *it;
}

int MatchIndex::LineBefore(int line) const {
    const auto it = std::lower_bound(lines.begin(), lines.end(), line);
    return it == lines.begin() ? -1 : *(it - 1);
}

struct MatchCounter::Job {
    std::atomic<bool> cancelled{false};
};

MatchCounter::MatchCounter(QObject* parent) : QObject(parent) {}

MatchCounter::~MatchCounter() { Cancel(); }

void MatchCounter::Cancel() {
    if (job_) job_->cancelled = true;
    if (worker_.joinable()) worker_.join();
    job_.reset();
    running_ = false;
    ++generation_;
}

void MatchCounter::Start(std::shared_ptr<const FrozenLines> lines, const TextMatcher& matcher, int fromLine) {
    Cancel();
    index_ = {};
    running_ = true;
    job_ = std::make_shared<Job>();
    const std::uint64_t generation = generation_;
    worker_ = std::thread(
        [this, job = job_, lines = std::move(lines), matcher = TextMatcher(matcher), fromLine, generation]() mutable {
            const int n = lines->Count();
            // Lines with matches and their counts, from the start line on and then
            // (after wrapping) before it: no table of every line to clear first.
            std::vector<std::pair<int, int>> found[2];
            int pass = 0;
            const int start = std::clamp(fromLine + 1, 0, std::max(n, 1)) % std::max(n, 1);
            bool reported = false;
            bool cancelled = false;
            auto count = [&](int line, const LineRec& r) {
                if ((line & 1023) == 0 && job->cancelled) return !(cancelled = true);
                const int c = FrozenLines::IsEdited(r) ? matcher.Count(lines->EditedText(r))
                                                       : matcher.CountBytes(lines->Bytes(r));
                if (c > 0) found[pass].emplace_back(line, c);
                if (c > 0 && !reported) {
                    reported = true;
                    QMetaObject::invokeMethod(
                        this,
                        [this, generation, line] {
                            if (generation == generation_) emit FirstMatchFound(line);
                        },
                        Qt::QueuedConnection);
                }
                return true;
            };
            lines->ForEach(start, n - start, count);
            pass = 1;
            if (!cancelled) lines->ForEach(0, start, count);
            if (cancelled) return;
            MatchIndex index;
            for (const auto& [line, c] : found[1]) index.Add(line, c);
            for (const auto& [line, c] : found[0]) index.Add(line, c);
            if (!reported)
                QMetaObject::invokeMethod(
                    this,
                    [this, generation] {
                        if (generation == generation_) emit FirstMatchFound(-1);
                    },
                    Qt::QueuedConnection);
            QMetaObject::invokeMethod(
                this, [this, generation, index = std::move(index)]() mutable { Deliver(generation, std::move(index)); },
                Qt::QueuedConnection);
        });
}

void MatchCounter::RecountTail(int first, const FrozenLines& tail, TextMatcher& matcher) {
    MatchIndex& index = index_;
    const auto kept = std::lower_bound(index.lines.begin(), index.lines.end(), first);
    const std::size_t keep = static_cast<std::size_t>(kept - index.lines.begin());
    if (keep < index.lines.size()) index.total = index.before[keep];
    index.lines.resize(keep);
    index.before.resize(keep);
    for (int k = 0; k < tail.Count(); ++k) {
        const int c = tail.IsEdited(k) ? matcher.Count(tail.EditedText(k)) : matcher.CountBytes(tail.Bytes(k));
        if (c > 0) index.Add(first + k, c);
    }
}

void MatchCounter::Deliver(std::uint64_t generation, MatchIndex index) {
    if (generation != generation_) return;
    if (worker_.joinable()) worker_.join();
    index_ = std::move(index);
    running_ = false;
    emit Finished();
}

}  // namespace chatscope
