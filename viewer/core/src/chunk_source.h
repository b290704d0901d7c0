// The chunks of a file for the block loop, each followed by a NUL that stops any
// search for the next special byte at the chunk's end.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <unistd.h>

namespace chatscope::detail {

class ChunkSource {
public:
    // Bytes to spare after each chunk for reads in 16-byte steps (the first holds the NUL).
    static constexpr std::size_t kSlack = 16;

    struct Chunk {
        char* data = nullptr;     // `size` bytes, a NUL, then kSlack - 1 more readable bytes
        std::size_t size = 0;     // 0: the end of the file
        std::int64_t offset = 0;  // file offset of data[0]
    };

    // Reads `fd` from its current position, which is taken to be file offset `offset`.
    ChunkSource(int fd, std::int64_t offset, std::size_t chunkBytes)
        : fd_(fd),
          offset_(offset),
          chunkBytes_(chunkBytes == 0 ? 1 : chunkBytes),
          data_(new char[chunkBytes_ + kSlack]()) {}

    ChunkSource(const ChunkSource&) = delete;
    ChunkSource& operator=(const ChunkSource&) = delete;

    // The next chunk, in the same buffer as the one before. A read error ends the
    // file there, as its end would.
    Chunk Next() {
        if (!ended_) {
            offset_ += static_cast<std::int64_t>(size_);
            size_ = ReadSome();
            data_[size_] = '\0';
            ended_ = size_ == 0;
        }
        return {data_.get(), size_, offset_};
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
    std::size_t size_ = 0;
    bool ended_ = false;
};

}  // namespace chatscope::detail
