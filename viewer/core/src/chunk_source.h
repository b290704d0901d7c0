// The chunks of a file for the block loop, each with a bit map of its NUL and
// escape bytes, so that finding a line's end costs a bit scan.
#pragma once

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <unistd.h>

#include "byte_classes.h"

namespace chatscope::detail {

// Marks the special bytes (NUL and the escape bytes) of data[0, n) in `bits`
// (bit i % 64 of word i / 64 for byte i). `bits` holds n / 64 + 1 words; the bits
// from n on are clear.
inline void MarkSpecialBytes(const char* data, std::size_t n, std::uint64_t* bits) {
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const char* p = data + i;
        bits[i / 64] = std::uint64_t{ClassMask16<kSpecialByte>(p)} |
                       std::uint64_t{ClassMask16<kSpecialByte>(p + 16)} << 16 |
                       std::uint64_t{ClassMask16<kSpecialByte>(p + 32)} << 32 |
                       std::uint64_t{ClassMask16<kSpecialByte>(p + 48)} << 48;
    }
    for (std::size_t w = i / 64; w <= n / 64; ++w) bits[w] = 0;
    for (; i < n; ++i)
        if (kByteClasses[static_cast<unsigned char>(data[i])] & kSpecialByte)
            bits[i / 64] |= std::uint64_t{1} << (i % 64);
}

class ChunkSource {
public:
    // Bytes to spare after each chunk for reads in 16-byte steps.
    static constexpr std::size_t kSlack = 16;

    struct Chunk {
        char* data = nullptr;                 // `size` bytes, then kSlack spare bytes
        std::size_t size = 0;                 // 0: the end of the file
        const std::uint64_t* bits = nullptr;  // bit i: byte i is special; bit `size` set
        std::int64_t offset = 0;              // file offset of data[0]
    };

    // Reads `fd` from its current position, which is taken to be file offset `offset`.
    ChunkSource(int fd, std::int64_t offset, std::size_t chunkBytes)
        : fd_(fd),
          offset_(offset),
          chunkBytes_(chunkBytes == 0 ? 1 : chunkBytes),
          data_(new char[chunkBytes_ + kSlack]),
          bits_(new std::uint64_t[chunkBytes_ / 64 + 1]) {}

    ChunkSource(const ChunkSource&) = delete;
    ChunkSource& operator=(const ChunkSource&) = delete;

    // The next chunk, in the same buffer as the one before. A read error ends the
    // file there, as its end would.
    Chunk Next() {
        if (!ended_) {
            offset_ += static_cast<std::int64_t>(size_);
            size_ = ReadSome();
            MarkSpecialBytes(data_.get(), size_, bits_.get());
            bits_[size_ / 64] |= std::uint64_t{1} << (size_ % 64);
            ended_ = size_ == 0;
        }
        return {data_.get(), size_, bits_.get(), offset_};
    }

private:
    std::size_t ReadSome() {
        for (;;) {
            const ssize_t n = ::read(fd_, data_.get(), chunkBytes_);
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno != EINTR) return 0;
        }
    }

    int fd_;
    std::int64_t offset_;
    std::size_t chunkBytes_;
    std::unique_ptr<char[]> data_;
    std::unique_ptr<std::uint64_t[]> bits_;
    std::size_t size_ = 0;
    bool ended_ = false;
};

}  // namespace chatscope::detail
