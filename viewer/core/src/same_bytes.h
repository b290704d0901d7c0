// Equality of two short byte strings without a library call.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace chatscope::detail {

inline bool SameBytes(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const char* p = a.data();
    const char* q = b.data();
    std::size_t n = a.size();
    for (; n >= 8; n -= 8, p += 8, q += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, p, 8);
        std::memcpy(&y, q, 8);
        if (x != y) return false;
    }
    for (; n > 0; --n, ++p, ++q)
        if (*p != *q) return false;
    return true;
}

}  // namespace chatscope::detail
