#include "library_counter.h"

#include <algorithm>
#include <chrono>

#include "background_priority.h"

namespace chatscope {

namespace {

// A batch goes to the GUI thread when it is this old or the queue ran dry.
constexpr auto kBatchAge = std::chrono::milliseconds(40);

}  // namespace

LibraryCounter::LibraryCounter(QObject* parent) : QObject(parent) {
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Run(); });
}

LibraryCounter::~LibraryCounter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void LibraryCounter::Restart(std::vector<Job> jobs) {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        queue_.assign(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end()));
    }
    outstanding_ = static_cast<int>(jobs.size());
    wake_.notify_all();
    if (outstanding_ == 0) emit Idle();
}

void LibraryCounter::Prepend(Job job) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_front(std::move(job));
    }
    ++outstanding_;
    wake_.notify_all();
}

void LibraryCounter::Deliver(std::uint64_t generation, std::vector<Result> batch, int jobsDone) {
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_) return;  // a Restart came after these
    }
    outstanding_ -= jobsDone;
    emit Counted(batch);
    if (outstanding_ <= 0) {
        outstanding_ = 0;
        emit Idle();
    }
}

void LibraryCounter::Run() {
    LowerThisThread();
    std::vector<Result> batch;
    auto batchStart = std::chrono::steady_clock::now();
    std::uint64_t batchGeneration = 0;
    auto flush = [&] {
        if (batch.empty()) return;
        const int done = static_cast<int>(batch.size());
        QMetaObject::invokeMethod(
            this, [this, g = batchGeneration, b = std::move(batch), done]() mutable { Deliver(g, std::move(b), done); },
            Qt::QueuedConnection);
        batch.clear();
    };
    for (;;) {
        Job job;
        std::uint64_t generation;
        {
            std::unique_lock lock(mutex_);
            if (queue_.empty()) {
                lock.unlock();
                flush();
                lock.lock();
                wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            }
            if (stop_) return;
            job = std::move(queue_.front());
            queue_.pop_front();
            generation = generation_;
        }
        if (generation != batchGeneration) {
            batch.clear();  // results of a list that was replaced
            batchGeneration = generation;
        }
        if (batch.empty()) batchStart = std::chrono::steady_clock::now();
        std::optional<FileCount> count = CountLogFile(job.path);
        batch.push_back({std::move(job.path), job.stamp, count});
        if (std::chrono::steady_clock::now() - batchStart >= kBatchAge) flush();
    }
}

}  // namespace chatscope
