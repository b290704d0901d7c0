#include "document/large_pages.h"

#include <sys/mman.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace chatscope {
namespace {

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer every block is the heap's, so that it sees each block's bounds.
constexpr std::size_t kPieceFrom = std::size_t{1} << 20;
#else
constexpr std::size_t kPieceFrom = std::size_t{4} << 10;  // smaller blocks come from the heap
#endif
constexpr std::size_t kMappedFrom = std::size_t{1} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedSize(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

// `bytes` mapped on huge-page boundaries and marked for huge pages.
void* MapHuge(std::size_t bytes) {
    // Mapped one huge page larger, then trimmed to a huge-page boundary at both ends.
    const std::size_t size = MappedSize(bytes);
    void* const raw = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start) ::munmap(raw, aligned - start);
    if (const std::size_t tail = kHugePage - (aligned - start); tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* const p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    ::madvise(p, size, MADV_HUGEPAGE);  // only advice: without it the pages are small
#endif
    return p;
}

// Blocks from 4 KiB up to 1 MiB, in power-of-two sizes, cut from huge pages. A
// freed block waits in its size's free list for the next one of that size (the
// document's blocks come and go in a few sizes, load after load); the huge pages
// themselves stay with the process.
class PiecePool {
public:
    static std::size_t ClassOf(std::size_t bytes) {
        return static_cast<std::size_t>(std::bit_width(std::bit_ceil(bytes) / kPieceFrom)) - 1;
    }
    void* Take(std::size_t bytes) {
        const std::size_t c = ClassOf(bytes);
        const std::lock_guard<std::mutex> lock(mutex_);
        if (free_[c] == nullptr) {
            const std::size_t size = kPieceFrom << c;
            char* slab = static_cast<char*>(MapHuge(kHugePage));
            for (std::size_t at = kHugePage; at >= size; at -= size) Give(c, slab + at - size);
        }
        Piece* piece = free_[c];
        free_[c] = piece->next;
        return piece;
    }
    void Return(void* p, std::size_t bytes) noexcept {
        const std::lock_guard<std::mutex> lock(mutex_);
        Give(ClassOf(bytes), p);
    }

private:
    struct Piece {
        Piece* next;
    };
    void Give(std::size_t c, void* p) noexcept { free_[c] = new (p) Piece{free_[c]}; }

    std::mutex mutex_;
    std::array<Piece*, std::bit_width(kMappedFrom / kPieceFrom)> free_{};  // kPieceFrom << class, up to 1 MiB
};

PiecePool& Pieces() {
    static PiecePool* const pool = new PiecePool;  // never destroyed: blocks may be freed at exit
    return *pool;
}

}  // namespace

void* AllocateLarge(std::size_t bytes) {
    if (bytes < kPieceFrom) {
        if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
        throw std::bad_alloc();
    }
    if (bytes < kMappedFrom) return Pieces().Take(bytes);
    if (bytes > static_cast<std::size_t>(-1) - 2 * kHugePage) throw std::bad_alloc();
    return MapHuge(bytes);
}

void FreeLarge(void* p, std::size_t bytes) noexcept {
    if (p == nullptr) return;
    if (bytes < kPieceFrom)
        std::free(p);
    else if (bytes < kMappedFrom)
        Pieces().Return(p, bytes);
    else
        ::munmap(p, MappedSize(bytes));
}

}  // namespace chatscope
