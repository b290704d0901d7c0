#include "document/large_pages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace chatscope {
namespace {

constexpr std::size_t kMappedFrom = std::size_t{1} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedSize(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* AllocateLarge(std::size_t bytes) {
    if (bytes < kMappedFrom) {
        if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
        throw std::bad_alloc();
    }
    if (bytes > static_cast<std::size_t>(-1) - kHugePage) throw std::bad_alloc();
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

void FreeLarge(void* p, std::size_t bytes) noexcept {
    if (p == nullptr) return;
    if (bytes < kMappedFrom)
        std::free(p);
    else
        ::munmap(p, MappedSize(bytes));
}

}  // namespace chatscope
