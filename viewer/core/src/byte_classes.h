// The byte classes the reading pass and the export look for, sixteen bytes at a
// time. ClassMask16 is the only place in the viewer's core with vector
// instructions: everything that scans bytes quickly (cutting lines, checking a
// record prefix, finding a number, finding markup to escape) asks it. Where the
// machine has no SSE2, or built with CHATSCOPE_PORTABLE_BYTES, a table gives the
// same masks byte by byte. The tests compare both paths over every byte value,
// and the core tests run a second time against a core built the portable way.
#pragma once

#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace chatscope::detail {

enum ByteClass : std::uint8_t {
    kSpecialByte = 1,  // NUL and the escape bytes 1E, 1F and 7F: a plain run of a line ends there
    kHexByte = 2,      // 0-9, A-F, a-f
    kCommaByte = 4,    // ,
    kDigitByte = 8,    // 0-9
    kMarkupByte = 16,  // & < >: replaced in HTML
};

inline constexpr std::array<std::uint8_t, 256> kByteClasses = [] {
    std::array<std::uint8_t, 256> t{};
    t[0x00] = t[0x1E] = t[0x1F] = t[0x7F] = kSpecialByte;
    for (int c = '0'; c <= '9'; ++c) t[c] = kHexByte | kDigitByte;
    for (int c = 'a'; c <= 'f'; ++c) t[c] = t[c - 32] = kHexByte;
    t[','] = kCommaByte;
    t['&'] = t['<'] = t['>'] = kMarkupByte;
    return t;
}();

// Bit i set when byte p[i] (i < 16) is of class C: the table's way.
template <ByteClass C> inline std::uint32_t ClassMask16Portable(const char* p) {
    std::uint32_t mask = 0;
    for (int i = 0; i < 16; ++i)
        if (kByteClasses[static_cast<unsigned char>(p[i])] & C) mask |= std::uint32_t{1} << i;
    return mask;
}

#if defined(__SSE2__)
template <ByteClass C> inline std::uint32_t ClassMask16Vector(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Unsigned range test lo <= b <= lo + span, as min(b - lo, span) == b - lo.
    const auto inRange = [](__m128i b, char lo, char span) {
        const __m128i d = _mm_sub_epi8(b, _mm_set1_epi8(lo));
        return _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(span)), d);
    };
    __m128i hit;
    if constexpr (C == kSpecialByte) {
        // 1E and 1F are one compare with the low bit cleared.
        hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()),
                         _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xFE))), _mm_set1_epi8(0x1E))),
            _mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)));
    } else if constexpr (C == kHexByte) {
        // Letters of either case: 0x20 folds upper onto lower.
        hit = _mm_or_si128(inRange(v, '0', 9), inRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 5));
    } else if constexpr (C == kCommaByte) {
        hit = _mm_cmpeq_epi8(v, _mm_set1_epi8(','));
    } else if constexpr (C == kDigitByte) {
        hit = inRange(v, '0', 9);
    } else {
        static_assert(C == kMarkupByte);
        hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')), _mm_cmpeq_epi8(v, _mm_set1_epi8('<'))),
                           _mm_cmpeq_epi8(v, _mm_set1_epi8('>')));
    }
    return static_cast<std::uint32_t>(_mm_movemask_epi8(hit));
}
inline constexpr bool kHaveVectorPath = true;
#else
template <ByteClass C> inline std::uint32_t ClassMask16Vector(const char* p) { return ClassMask16Portable<C>(p); }
inline constexpr bool kHaveVectorPath = false;
#endif

// The masks the pass uses. CHATSCOPE_PORTABLE_BYTES builds the table's way everywhere.
template <ByteClass C> inline std::uint32_t ClassMask16(const char* p) {
#if defined(CHATSCOPE_PORTABLE_BYTES)
    return ClassMask16Portable<C>(p);
#else
    return ClassMask16Vector<C>(p);
#endif
}

}  // namespace chatscope::detail
