#include "library/library_search.h"

#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <deque>
#include <mutex>
#include <thread>

#include "chatscope/log_reader.h"
#include "chatscope/ordered_work.h"
#include "find/text_matcher.h"
#include "library/background_priority.h"
#include "library/numbered_line_sink.h"

namespace chatscope {

namespace {

// Files whose matches may wait to be handed on at any time.
constexpr std::size_t kFilesInFlight = 8;
// Rows listed per turn of the event loop.
constexpr std::size_t kRowsPerDrain = 4096;

// Thrown out of a pass when its search was dropped.
struct Cancelled {};

// What the search of one file found.
struct FileHits {
    std::size_t file = 0;
    std::vector<std::int64_t> lines;  // at most kShownLimit
    std::int64_t matches = 0;
};

}  // namespace

struct LibrarySearch::Job {
    std::vector<std::string> files;
    QString text;
    bool exact = false;
    SearchFilters filters;
    std::atomic<bool> cancelled{false};
    std::mutex m;
    std::deque<FileHits> pending;  // handed on, not yet drained
    // The interface thread's own: files drained, not yet all listed, and the rows taken of the first.
    std::deque<FileHits> arrived;
    std::size_t frontTaken = 0;
    bool drainPosted = false;
    bool ended = false;     // the coordinator is done: nothing more comes
    bool complete = false;  // every file was searched
    std::thread coordinator;

    FileHits Search(std::size_t i) const {
        thread_local const bool lowered = LowerThisThread();
        (void)lowered;
        FileHits hits;
        hits.file = i;
        TextMatcher matcher(text, exact);
        std::size_t seen = 0;
        auto visit = [&](std::int64_t number, std::string_view line, std::uint32_t) {
            // Looked at every 64 shown records: a dropped search ends within microseconds.
            if ((++seen & 63) == 0 && cancelled.load(std::memory_order_relaxed)) throw Cancelled{};
            if (!matcher.ContainsBytes(line)) return;
            ++hits.matches;
            if (hits.lines.size() < kShownLimit) hits.lines.push_back(number);
        };
        NumberedLineSink sink(visit);
        ReadLogs({files[i]}, &sink, PassFilter{filters.filterWord, filters.users, false});
        return hits;
    }
};

LibrarySearch::LibrarySearch(QObject* parent) : QObject(parent) {}

LibrarySearch::~LibrarySearch() {
    Retire();
    for (const std::shared_ptr<Job>& job : retired_) job->coordinator.join();
}

void LibrarySearch::Start(std::vector<std::string> files, const QString& text, bool exact, SearchFilters filters,
                          unsigned threads) {
    Retire();
    files_ = std::move(files);
    text_ = text;
    exact_ = exact;
    filters_ = std::move(filters);
    hits_.clear();
    hits_.shrink_to_fit();
    total_ = 0;
    filesDone_ = filesWithMatches_ = 0;
    running_ = true;
    emit Started();
    if (text.isEmpty() || files_.empty()) {
        running_ = false;
        emit Finished(true);
        return;
    }
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    auto job = std::make_shared<Job>();
    job->files = files_;
    job->text = text;
    job->exact = exact;
    job->filters = filters_;
    job_ = job;
    Job* j = job.get();
    job->coordinator = std::thread([this, j, threads] {
        bool complete = false;
        try {
            RunInOrder<FileHits>(
                j->files.size(), threads, kFilesInFlight, [j](std::size_t i) { return j->Search(i); },
                [this, j](std::size_t, FileHits hits) {
                    std::lock_guard lock(j->m);
                    j->pending.push_back(std::move(hits));
                    if (!j->drainPosted) {
                        j->drainPosted = true;
                        QMetaObject::invokeMethod(this, &LibrarySearch::Drain, Qt::QueuedConnection);
                    }
                    return !j->cancelled.load();
                });
            complete = !j->cancelled.load();
        } catch (const Cancelled&) {
        } catch (const std::exception&) {
            // A file that could not be read to its end (memory): the search ends there.
        }
        std::lock_guard lock(j->m);
        j->ended = true;
        j->complete = complete;
        j->drainPosted = true;
        // Also when a drain is pending: a dropped search's one is for the search after it.
        QMetaObject::invokeMethod(this, &LibrarySearch::Drain, Qt::QueuedConnection);
    });
}

void LibrarySearch::Stop() {
    if (!running_) return;
    Retire();
    running_ = false;
    emit Finished(false);
}

void LibrarySearch::Retire() {
    if (!job_) return;
    job_->cancelled = true;
    retired_.push_back(std::move(job_));
    job_.reset();
}

void LibrarySearch::Reap() {
    // Threads of dropped searches that have ended are joined; the others go on ending.
    std::erase_if(retired_, [](const std::shared_ptr<Job>& job) {
        std::lock_guard lock(job->m);
        if (!job->ended) return false;
        job->coordinator.join();  // only returns from the lambda's end: immediate
        return true;
    });
}

void LibrarySearch::Drain() {
    Reap();
    if (!job_) return;  // a dropped search's batch
    Job& job = *job_;
    bool ended = false, complete = false;
    {
        std::lock_guard lock(job.m);
        for (FileHits& file : job.pending) job.arrived.push_back(std::move(file));
        job.pending.clear();
        job.drainPosted = false;
        ended = job.ended;
        complete = job.complete;
    }
    // A few thousand rows at a time, so the views that follow never hold up the event loop for long.
    const std::size_t first = hits_.size();
    std::size_t budget = kRowsPerDrain;
    bool filesMoved = false;
    while (!job.arrived.empty()) {
        const FileHits& file = job.arrived.front();
        const std::size_t take = std::min({file.lines.size() - job.frontTaken, kShownLimit - hits_.size(), budget});
        for (std::size_t k = 0; k < take; ++k)
            hits_.push_back({static_cast<std::uint32_t>(file.file), file.lines[job.frontTaken + k]});
        job.frontTaken += take;
        budget -= take;
        if (job.frontTaken < file.lines.size() && hits_.size() < kShownLimit) break;  // the rest next time
        ++filesDone_;
        total_ += file.matches;
        if (file.matches > 0) ++filesWithMatches_;
        job.arrived.pop_front();
        job.frontTaken = 0;
        filesMoved = true;
    }
    if (filesMoved || hits_.size() > first) emit Progressed(first, hits_.size() - first);
    if (!job.arrived.empty()) {
        QMetaObject::invokeMethod(this, &LibrarySearch::Drain, Qt::QueuedConnection);
        return;
    }
    if (!ended) return;
    job.coordinator.join();
    job_.reset();
    running_ = false;
    emit Finished(complete);
}

}  // namespace chatscope
