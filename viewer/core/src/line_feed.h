// The reading pass split over two threads (see LineFeed).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "block_scanner.h"

namespace chatscope::detail {

// The block loop of a pass run on a helper thread: it reads the file, finds the
// kept lines and copies them into batches, which the calling thread takes in order
// and parses. Reading and line finding thus overlap the parsing, counting and
// output of the records. A batch holds each line as two length bytes and the line.
class LineFeed {
public:
    LineFeed(std::FILE* file, std::size_t chunkBytes) {
        for (Batch& b : batches_) b.data.reset(new char[kBatchBytes]);
        for (int i = kBatches - 1; i >= 0; --i) free_[freeCount_++] = i;
        thread_ = std::thread([this, file, chunkBytes] { Produce(file, chunkBytes); });
    }

    ~LineFeed() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    LineFeed(const LineFeed&) = delete;
    LineFeed& operator=(const LineFeed&) = delete;

    // Hands every line to `onLine` in file order; gives the count of lines.
    template <typename OnLine> std::int64_t Consume(OnLine&& onLine) {
        for (;;) {
            int index;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return readyCount_ > 0 || done_; });
                if (readyCount_ == 0) break;
                index = ready_[readyHead_];
                readyHead_ = (readyHead_ + 1) % kBatches;
                --readyCount_;
            }
            const Batch& b = batches_[index];
            for (const char* p = b.data.get(); p != b.data.get() + b.used;) {
                const auto* len = reinterpret_cast<const unsigned char*>(p);
                const std::size_t n = len[0] | std::size_t{len[1]} << 8;
                onLine(std::string_view(p + 2, n));
                p += 2 + n;
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                free_[freeCount_++] = index;
            }
            changed_.notify_all();
        }
        if (error_) std::rethrow_exception(error_);
        return total_;
    }

private:
    static constexpr std::size_t kBatchBytes = std::size_t{256} << 10;
    static constexpr int kBatches = 4;
    static constexpr std::size_t kSlack = ChunkSource::kSlack;
    static_assert(kMaxKeptLineBytes + 2 + kSlack <= kBatchBytes && kMaxKeptLineBytes < 0x10000);

    struct Batch {
        std::unique_ptr<char[]> data;
        std::size_t used = 0;
    };
    struct Stopped {};

    // A free batch (emptied), or -1 once the consumer has gone.
    int TakeFree() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return freeCount_ > 0 || stop_; });
        if (stop_) return -1;
        const int index = free_[--freeCount_];
        batches_[index].used = 0;
        return index;
    }

    void Publish(int index) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ready_[(readyHead_ + readyCount_) % kBatches] = index;
            ++readyCount_;
        }
        changed_.notify_all();
    }

    void Produce(std::FILE* file, std::size_t chunkBytes) {
        std::int64_t total = 0;
        std::exception_ptr error;
        try {
            int index = TakeFree();
            if (index < 0) throw Stopped{};
            BlockScanner scanner(file, chunkBytes);
            total = scanner.Run([&](std::string_view line) {
                if (kBatchBytes - batches_[index].used < 2 + line.size() + kSlack) {
                    Publish(index);
                    index = TakeFree();
                    if (index < 0) throw Stopped{};
                }
                Batch& b = batches_[index];
                char* p = b.data.get() + b.used;
                p[0] = static_cast<char>(line.size() & 0xFF);
                p[1] = static_cast<char>(line.size() >> 8);
                // In 16-byte steps, like the scanner's own copies: lines are short, and
                // the scanner leaves kSlack readable bytes after every line it gives.
                for (std::size_t i = 0; i < line.size(); i += kSlack) std::memcpy(p + 2 + i, line.data() + i, kSlack);
                b.used += 2 + line.size();
            });
            Publish(index);
        } catch (const Stopped&) {
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            total_ = total;
            error_ = error;
            done_ = true;
        }
        changed_.notify_all();
    }

    Batch batches_[kBatches];
    // Batches in file order waiting to be parsed (a ring), and the free ones.
    int ready_[kBatches] = {};
    int readyHead_ = 0, readyCount_ = 0;
    int free_[kBatches] = {};
    int freeCount_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false, done_ = false;
    std::int64_t total_ = 0;
    std::exception_ptr error_;
    std::thread thread_;  // last: starts once the rest is set up
};

}  // namespace chatscope::detail
