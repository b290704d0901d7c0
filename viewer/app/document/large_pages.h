// Memory for the display's big arrays, asked of the system in whole huge pages
// where it has them. Filling a million lines touches some hundred megabytes of
// fresh memory; in 4 KiB pages each first touch is a page fault, and those faults
// cost more than the whole reading pass. Blocks of a megabyte or more are mapped
// directly and marked for transparent huge pages; blocks from 4 KiB are cut from
// such pages; smaller ones come from the heap.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace chatscope {

// `bytes` (> 0) of memory, or throws std::bad_alloc.
void* AllocateLarge(std::size_t bytes);
// Gives back memory of AllocateLarge(bytes).
void FreeLarge(void* p, std::size_t bytes) noexcept;

// A byte buffer of AllocateLarge, freed with its last owner.
inline std::shared_ptr<char[]> LargeBuffer(std::size_t bytes) {
    return std::shared_ptr<char[]>(static_cast<char*>(AllocateLarge(bytes)), [bytes](char* p) { FreeLarge(p, bytes); });
}

// An allocator of AllocateLarge, for vectors that grow to megabytes.
template <typename T> struct LargePageAllocator {
    using value_type = T;
    LargePageAllocator() = default;
    template <typename U> LargePageAllocator(const LargePageAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateLarge(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
    template <typename U> bool operator==(const LargePageAllocator<U>&) const noexcept { return true; }
};

}  // namespace chatscope
