// Counts archives on threads of its own (one a core, at most two), taking the
// jobs in the order given (the window gives the newest first); the results go
// back to the GUI thread in batches, so the event loop never waits on a file.
#pragma once

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "chatscope/library_count.h"

namespace chatscope {

class LibraryCounter : public QObject {
    Q_OBJECT
public:
    struct Job {
        std::string path;
        FileStamp stamp;  // the stamp the file had when listed
    };
    struct Result {
        std::string path;
        FileStamp stamp;
        std::optional<FileCount> count;  // none: unreadable
    };

    explicit LibraryCounter(QObject* parent = nullptr);
    ~LibraryCounter() override;  // stops the threads; results not yet handed on are dropped

    // Drops the jobs not yet started (and the results of the one under way) and
    // queues these.
    void Restart(std::vector<Job> jobs);
    // Queues one more job in front of the others (a file that grew).
    void Prepend(Job job);
    // Jobs queued or under way.
    bool Busy() const { return outstanding_ > 0; }
    int Outstanding() const { return outstanding_; }

signals:
    // A batch of results, in the order counted.
    void Counted(const std::vector<chatscope::LibraryCounter::Result>& batch);
    // No job is left.
    void Idle();

private:
    void Run();
    void Deliver(std::uint64_t generation, std::vector<Result> batch, int jobsDone);

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::uint64_t generation_ = 0;  // guarded by mutex_; a Restart starts a new one
    bool stop_ = false;
    int outstanding_ = 0;  // GUI thread only
};

}  // namespace chatscope
