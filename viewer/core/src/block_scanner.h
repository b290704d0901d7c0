// The block loop of a reading pass: skip each block's 100-byte header, read its
// 50 lines with escape stripping, hand every non-empty kept line on, and go on
// to the next block until the file is exhausted.
//
// The file is read in chunks, and a line's end (its NUL, or an escape byte
// before it) is found sixteen bytes at a time. A line
// that lies wholly in a chunk is handed on as a view into the chunk (its escape
// bytes removed in place); a line that goes on past the chunk is assembled in a
// 1024-byte line buffer. Either way the line keeps its first 1023 kept bytes and
// the rest of it is dropped.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "byte_classes.h"
#include "chatscope/log_format.h"
#include "chunk_source.h"

namespace chatscope::detail {

// Where a pass stands between two whole units of a file (a block header or a
// NUL-ended line), so that a later pass can go on from there.
struct ReadPosition {
    std::int64_t offset = 0;    // file offset of the next unit
    int line = kLinesPerBlock;  // the block's next line; kLinesPerBlock: a block header is next
};

// What a pass found.
struct PassEnd {
    std::int64_t lines = 0;     // non-empty kept lines handed on
    ReadPosition resume;        // just after the last whole unit read
    std::int64_t end = 0;       // file offset where the file ended
    bool lastLineOpen = false;  // the last line handed on ended with the file, not with a NUL
};

class BlockScanner {
    static constexpr std::size_t kSlack = ChunkSource::kSlack;

public:
    // Reads `fd` from its current position, which must be `from.offset`.
    BlockScanner(int fd, ReadPosition from, std::size_t chunkBytes)
        : source_(fd, from.offset, chunkBytes), from_(from) {}
    // Reads the files that `next` gives as one, from the start of the first.
    BlockScanner(ChunkSource::NextFile next, std::size_t chunkBytes) : source_(std::move(next), chunkBytes) {}

    // Runs the block loop to the end of the file; `onLine(std::string_view line,
    // bool ended)` gets each non-empty kept line (valid only during the call), with
    // `ended` false for a last line that the file ends inside of.
    template <typename OnLine> PassEnd Run(OnLine&& onLine) {
        PassEnd pass;
        pass.resume = from_;
        int next = from_.line;
        // A block is read only when at least one byte of it is in the file; the rest
        // of a block that the file ends inside of reads as empty lines.
        while (Available()) {
            if (next == kLinesPerBlock) {
                if (!SkipHeader()) break;
                next = 0;
                pass.resume = {Offset(), 0};
                continue;
            }
            const std::string_view line = ReadLine();
            if (!line.empty()) {
                onLine(line, lineEnded_);
                ++pass.lines;
                pass.lastLineOpen = !lineEnded_;
            }
            if (!lineEnded_) break;
            pass.resume = {Offset(), ++next};
        }
        pass.end = Offset();
        return pass;
    }

private:
    // True when an unread byte is at hand, refilling the chunk as needed.
    bool Available() {
        if (p_ != end_) return true;
        if (eof_) return false;
        const ChunkSource::Chunk c = source_.Next();
        base_ = c.data;
        baseOffset_ = c.offset;
        p_ = c.data;
        end_ = c.data + c.size;
        eof_ = c.size == 0;
        return !eof_;
    }

    std::int64_t Offset() const { return baseOffset_ + (p_ - base_); }

    // False when the file ends inside the header.
    bool SkipHeader() {
        std::size_t left = kBlockHeaderBytes;
        while (left > 0 && Available()) {
            const std::size_t k = std::min<std::size_t>(left, static_cast<std::size_t>(end_ - p_));
            p_ += k;
            left -= k;
        }
        return left == 0;
    }

    // First special byte at or after p, or end_ (p <= end_): the NUL after the
    // chunk stops the search there.
    const char* FindSpecial(const char* p) const {
        for (;; p += 16)
            if (const std::uint32_t mask = ClassMask16<kSpecialByte>(p)) return p + std::countr_zero(mask);
    }

    // Copies in 16-byte steps (runs are short, and a library call costs more than
    // the copy); the chunk and the line buffer have kSlack bytes to spare for that.
    void Append(const char* from, const char* to) {
        const std::size_t room = kMaxKeptLineBytes - kept_;
        const std::size_t n = std::min<std::size_t>(room, static_cast<std::size_t>(to - from));
        char* dst = line_.data() + kept_;
        for (std::size_t i = 0; i < n; i += kSlack) std::memcpy(dst + i, from + i, kSlack);
        kept_ += n;
    }

    // Reads one line up to and including its NUL, or to the end of the file
    // (lineEnded_ tells which).
    std::string_view ReadLine() {
        lineEnded_ = true;
        const char* q = FindSpecial(p_);
        if (q != end_ && *q == '\0') {
            const std::string_view line(p_, std::min<std::size_t>(q - p_, kMaxKeptLineBytes));
            p_ = q + 1;
            return line;
        }
        return q == end_ ? ReadLineAcrossChunks(q) : ReadLineWithEscapes(q);
    }

    // A line with an escape byte at q: its kept bytes are moved down over the dropped
    // ones inside the chunk, so the part before the first escape stays where it is.
    std::string_view ReadLineWithEscapes(const char* q) {
        char* const start = const_cast<char*>(p_);
        char* dst = const_cast<char*>(q);  // end of the kept bytes so far
        const char* p = q;                 // at an escape byte
        for (;;) {
            // Escape byte at p: it and the byte after it are dropped. When that byte
            // is an escape too it only clears the state again, so it is dropped as well.
            ++p;
            if (p == end_) return Spill(start, dst, p, true);
            if (*p == '\0') break;
            ++p;
            q = FindSpecial(p);
            std::memmove(dst, p, static_cast<std::size_t>(q - p));
            dst += q - p;
            p = q;
            if (p == end_) return Spill(start, dst, p, false);
            if (*p == '\0') break;
        }
        p_ = p + 1;
        return std::string_view(start, std::min<std::size_t>(dst - start, kMaxKeptLineBytes));
    }

    // The kept bytes [from, to) of a line that goes on past the chunk move to the line
    // buffer; reading continues at `next` (end_) with the given skip state.
    std::string_view Spill(const char* from, const char* to, const char* next, bool skip) {
        kept_ = 0;
        Append(from, to);
        p_ = next;
        return ContinueLine(skip);
    }

    std::string_view ReadLineAcrossChunks(const char* q) {
        kept_ = 0;
        Append(p_, q);
        p_ = q;
        return ContinueLine(false);
    }

    // Goes on assembling a line in the line buffer, byte state by byte state.
    std::string_view ContinueLine(bool skip) {
        for (;;) {
            if (!Available()) {
                lineEnded_ = false;
                break;
            }
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (skip) {
                ++p_;
                if (c == 0) break;
                skip = false;  // an escape byte inverts the state back; any other byte is dropped
                continue;
            }
            const char* q = FindSpecial(p_);
            Append(p_, q);
            p_ = q;
            if (p_ == end_) continue;
            const unsigned char s = static_cast<unsigned char>(*p_++);
            if (s == 0) break;
            skip = true;
        }
        return std::string_view(line_.data(), kept_);
    }

    ChunkSource source_;
    ReadPosition from_;
    const char* base_ = nullptr;   // the current chunk
    std::int64_t baseOffset_ = 0;  // its file offset
    const char* p_ = nullptr;
    const char* end_ = nullptr;
    bool eof_ = false;
    std::array<char, kLineBufferBytes + kSlack> line_{};
    std::size_t kept_ = 0;
    bool lineEnded_ = true;
};

}  // namespace chatscope::detail
