// The chunks of a file for the block loop, each followed by a NUL that stops any
// search for the next special byte at the chunk's end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "fileio/posix_io.h"

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

    // Several files read as one: at the end of each file, NextFile gives the
    // descriptor of the next one (-1: none is left), given the offset in the
    // whole where it begins, and sets `limit` to the bytes of it to read at most
    // (-1: to its end). The descriptor stays the giver's.
    using NextFile = std::function<int(std::int64_t startOffset, std::int64_t& limit)>;

    // Reads `fd` from its current position, which is taken to be file offset `offset`.
    ChunkSource(int fd, std::int64_t offset, std::size_t chunkBytes)
        : fd_(fd),
          offset_(offset),
          chunkBytes_(chunkBytes == 0 ? 1 : chunkBytes),
          data_(new char[chunkBytes_ + kSlack]()) {}
    // Reads the files that `next` gives, one after another, from offset 0.
    ChunkSource(NextFile next, std::size_t chunkBytes) : ChunkSource(-1, 0, chunkBytes) { next_ = std::move(next); }

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
            std::size_t want = chunkBytes_;
            if (limit_ >= 0 && static_cast<std::uint64_t>(limit_) < want) want = static_cast<std::size_t>(limit_);
            const std::int64_t n = fd_ < 0 || want == 0 ? 0 : chatlog::fileio::ReadSome(fd_, data_.get(), want);
            if (n > 0) {
                if (limit_ >= 0) limit_ -= n;
                return static_cast<std::size_t>(n);
            }
            // The end of this file; a read error ends it there too.
            if (!next_) return 0;
            limit_ = -1;
            fd_ = next_(offset_, limit_);
            if (fd_ < 0) return 0;
        }
    }

    int fd_;
    NextFile next_;
    std::int64_t limit_ = -1;
    std::int64_t offset_;
    std::size_t chunkBytes_;
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    bool ended_ = false;
};

}  // namespace chatscope::detail
