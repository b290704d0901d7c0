// Work on many items spread over threads, its results handed on in item
// order: files searched in parallel, their output printed as if read one
// after another. At most `window` results wait at any time, so memory stays
// bounded by a few items whatever their number.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace chatscope {

// Runs work(i) for i in [0, count) on `threads` threads of its own and calls
// handOn(i, result) on the calling thread in ascending i; one thread: all of it
// on the calling thread.
// handOn returning false stops the work: items not yet started are not run.
// An exception thrown by work or handOn stops the work and is rethrown here.
template <typename Result, typename Work, typename HandOn>
void RunInOrder(std::size_t count, unsigned threads, std::size_t window, Work work, HandOn handOn) {
    threads = std::max(1u, threads);
    window = std::max<std::size_t>(window, 1);
    if (threads == 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            if (!handOn(i, work(i))) return;
        return;
    }
    std::mutex m;
    std::condition_variable changed;
    std::deque<std::optional<Result>> ready;  // results of items [emitted, emitted + ready.size())
    std::size_t next = 0, emitted = 0;
    bool stop = false;
    std::exception_ptr failure;

    auto worker = [&] {
        std::unique_lock lock(m);
        for (;;) {
            changed.wait(lock, [&] { return stop || next >= count || next < emitted + window; });
            if (stop || next >= count) return;
            const std::size_t i = next++;
            if (ready.size() < i - emitted + 1) ready.resize(i - emitted + 1);
            lock.unlock();
            std::optional<Result> r;
            std::exception_ptr error;
            try {
                r.emplace(work(i));
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (error) {
                if (!failure) failure = error;
                stop = true;
            } else if (i >= emitted) {
                ready[i - emitted] = std::move(r);
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(worker);

    std::unique_lock lock(m);
    while (emitted < count) {
        changed.wait(lock, [&] { return stop || (!ready.empty() && ready.front()); });
        if (stop) break;
        Result r = std::move(*ready.front());
        ready.pop_front();
        const std::size_t i = emitted++;
        changed.notify_all();
        lock.unlock();
        bool more = false;
        try {
            more = handOn(i, std::move(r));
        } catch (...) {
            lock.lock();
            failure = std::current_exception();
            stop = true;
            break;
        }
        lock.lock();
        if (!more) {
            stop = true;
            break;
        }
    }
    stop = true;
    changed.notify_all();
    lock.unlock();
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace chatscope
