// The chunks of a file for the block loop, each with a bit map of its NUL and
// escape bytes. A file larger than one chunk is read ahead on a second thread
// while the lines of the current chunk are parsed, so the copying out of the
// page cache and the marking overlap the parsing. The thread lives only inside
// one reading pass and touches nothing but its own two buffers.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace chatscope::detail {

// Bytes that end a plain run of a line: NUL and the escape bytes.
inline constexpr std::array<bool, 256> kSpecialByte = [] {
    std::array<bool, 256> t{};
    t[0x00] = t[0x1E] = t[0x1F] = t[0x7F] = true;
    return t;
}();

// Marks the special bytes of data[0, n) in `bits` (bit i % 64 of word i / 64 for
// byte i). `bits` holds n / 64 + 1 words; the bits from n on are clear.
inline void MarkSpecialBytes(const char* data, std::size_t n, std::uint64_t* bits) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowBitOff = _mm_set1_epi8(static_cast<char>(0xFE));
    const __m128i esc1E = _mm_set1_epi8(0x1E);
    const __m128i esc7F = _mm_set1_epi8(0x7F);
    auto mask16 = [&](const char* p) -> std::uint64_t {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_cmpeq_epi8(_mm_and_si128(v, lowBitOff), esc1E)),
            _mm_cmpeq_epi8(v, esc7F));
        return static_cast<std::uint32_t>(_mm_movemask_epi8(hit));
    };
    for (; i + 64 <= n; i += 64) {
        const char* p = data + i;
        bits[i / 64] = mask16(p) | mask16(p + 16) << 16 | mask16(p + 32) << 32 | mask16(p + 48) << 48;
    }
#endif
    for (std::size_t w = i / 64; w <= n / 64; ++w) bits[w] = 0;
    for (; i < n; ++i)
        if (kSpecialByte[static_cast<unsigned char>(data[i])]) bits[i / 64] |= std::uint64_t{1} << (i % 64);
}

class ChunkSource {
public:
    // Bytes to spare after each chunk for reads in 16-byte steps.
    static constexpr std::size_t kSlack = 16;

    struct Chunk {
        char* data = nullptr;          // `size` bytes, then kSlack spare bytes
        std::size_t size = 0;          // 0: the end of the file
        const std::uint64_t* bits = nullptr;  // bit i: byte i is special; bit `size` set
    };

    ChunkSource(std::FILE* file, std::size_t chunkBytes, bool readAhead)
        : file_(file), chunkBytes_(chunkBytes == 0 ? 1 : chunkBytes), readAhead_(readAhead) {
        for (Slot& s : slots_) {
            s.data.reset(new char[chunkBytes_ + kSlack]);
            s.bits.reset(new std::uint64_t[chunkBytes_ / 64 + 1]);
        }
    }

    ~ChunkSource() {
        if (thread_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                stop_ = true;
            }
            changed_.notify_all();
            thread_.join();
        }
    }

    ChunkSource(const ChunkSource&) = delete;
    ChunkSource& operator=(const ChunkSource&) = delete;

    // The next chunk; the one given before is no longer used by the caller.
    Chunk Next() {
        if (ended_) return {slots_[current_].data.get(), 0, slots_[current_].bits.get()};
        if (!thread_.joinable()) {
            Slot& s = slots_[current_];
            Fill(s);
            if (readAhead_ && s.size == chunkBytes_ && !started_) StartReadAhead();
            ended_ = s.size == 0;
            return {s.data.get(), s.size, s.bits.get()};
        }
        std::unique_lock<std::mutex> lock(mutex_);
        slots_[current_].full = false;  // handed back to the reading thread
        changed_.notify_all();
        current_ ^= 1;
        Slot& s = slots_[current_];
        changed_.wait(lock, [&] { return s.full; });
        ended_ = s.size == 0;
        return {s.data.get(), s.size, s.bits.get()};
    }

private:
    struct Slot {
        std::unique_ptr<char[]> data;
        std::unique_ptr<std::uint64_t[]> bits;
        std::size_t size = 0;
        bool full = false;
    };

    void Fill(Slot& s) {
        s.size = std::fread(s.data.get(), 1, chunkBytes_, file_);
        MarkSpecialBytes(s.data.get(), s.size, s.bits.get());
        s.bits[s.size / 64] |= std::uint64_t{1} << (s.size % 64);
    }

    // The slot now in use stays with the caller; the thread fills the other one.
    void StartReadAhead() {
        started_ = true;
        slots_[current_].full = true;
        slots_[current_ ^ 1].full = false;
        const int next = current_ ^ 1;
        try {
            thread_ = std::thread([this, next] { ReadAhead(next); });
        } catch (const std::system_error&) {
            // No thread to be had: read on this one.
            slots_[current_].full = false;
        }
    }

    void ReadAhead(int slot) {
        for (;;) {
            Slot& s = slots_[slot];
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || !s.full; });
                if (stop_) return;
            }
            Fill(s);
            const bool end = s.size == 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                s.full = true;
            }
            changed_.notify_all();
            if (end) return;
            slot ^= 1;
        }
    }

    std::FILE* file_;
    std::size_t chunkBytes_;
    bool readAhead_;
    bool started_ = false;
    bool ended_ = false;
    Slot slots_[2];
    int current_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
};

}  // namespace chatscope::detail
