// The reading pass split over two threads (see LineFeed).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
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
// output of the records.
class LineFeed {
public:
    LineFeed(int fd, ReadPosition from, std::size_t chunkBytes) {
        for (Batch& b : batches_) b.data.reset(new char[kBatchBytes]);
        for (int i = kBatches - 1; i >= 0; --i) free_[freeCount_++] = i;
        thread_ = std::thread([this, fd, from, chunkBytes] { Produce(fd, from, chunkBytes); });
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

    // Hands every line to `onLine(line, ended)` in file order, as BlockScanner::Run does.
    template <typename OnLine> PassEnd Consume(OnLine&& onLine) {
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
                const std::size_t n = len[0] | (std::size_t{len[1]} & 0x7F) << 8;
                onLine(std::string_view(p + 2, n), (len[1] & 0x80) == 0);
                p += 2 + n;
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                free_[freeCount_++] = index;
            }
            changed_.notify_all();
        }
        if (error_) std::rethrow_exception(error_);
        return pass_;
    }

private:
    static constexpr std::size_t kBatchBytes = std::size_t{256} << 10;
    static constexpr int kBatches = 4;
    static constexpr std::size_t kSlack = ChunkSource::kSlack;
    // A batch holds each line as two length bytes (the top bit set for a line that
    // the file ends inside of) and the line.
    static_assert(kMaxKeptLineBytes + 2 + kSlack <= kBatchBytes && kMaxKeptLineBytes < 0x8000);

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

    void Produce(int fd, ReadPosition from, std::size_t chunkBytes) {
        PassEnd pass;
        std::exception_ptr error;
        try {
            int index = TakeFree();
            if (index < 0) throw Stopped{};
            BlockScanner scanner(fd, from, chunkBytes);
            pass = scanner.Run([&](std::string_view line, bool ended) {
                if (kBatchBytes - batches_[index].used < 2 + line.size() + kSlack) {
                    Publish(index);
                    index = TakeFree();
                    if (index < 0) throw Stopped{};
                }
                Batch& b = batches_[index];
                char* p = b.data.get() + b.used;
                p[0] = static_cast<char>(line.size() & 0xFF);
                p[1] = static_cast<char>(line.size() >> 8 | (ended ? 0 : 0x80));
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
            pass_ = pass;
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
    PassEnd pass_;
    std::exception_ptr error_;
    std::thread thread_;  // last: starts once the rest is set up
};

}  // namespace chatscope::detail
