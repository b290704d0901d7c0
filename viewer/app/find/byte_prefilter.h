// BytePrefilter: a quick look at the Windows-31J bytes of a line that tells
// when the line cannot hold a search text, before anything is decoded.
//
// Each unit of the text, as the matcher compares it (folded, or as it is when
// exact), comes from one decoded character of the line, so the line must hold
// the bytes of one of the characters whose form holds that unit: "a" needs one
// of "a", "A", "ａ" or "Ａ". Those bytes are looked for anywhere in the line; a
// find that is really the second byte of another character only costs a closer
// look, never a missed line. Up to three units, those with the fewest
// characters, are checked, sixteen bytes at a time where the machine has SSE2.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace chatscope {

class BytePrefilter {
public:
    // Lets every line through.
    BytePrefilter() = default;
    // For `pattern` in the units the matcher compares: folded unless `exact`.
    BytePrefilter(std::u16string_view pattern, bool exact);

    // False only when `line` cannot contain the pattern.
    bool MayContain(std::string_view line) const { return MayContain(line, true); }
    // The same answer byte by byte, as machines without SSE2 give it (for tests).
    bool MayContainPortable(std::string_view line) const { return MayContain(line, false); }

private:
    // The characters one unit can come from: single bytes and byte pairs.
    struct Sources {
        static constexpr int kMostCompares = 12;  // looked for sixteen bytes at a time up to this
        int singles = 0;
        int pairs = 0;
        std::array<std::uint64_t, 4> singleBits{};
        std::array<std::uint8_t, 256> leadSlot{};  // 1 + index into trailBits, 0 for none
        std::vector<std::array<std::uint64_t, 4>> trailBits;
        // For the vector look: the single bytes, then each lead byte followed by its second bytes.
        std::vector<std::uint8_t> order;
        std::vector<std::uint8_t> seconds;                // how many second bytes each lead of `order` has
        std::vector<std::array<std::uint8_t, 16>> splat;  // each byte of `order` sixteen times

        int Compares() const { return singles + static_cast<int>(trailBits.size()) + pairs; }
        bool InPortable(std::string_view line) const;
        bool InVector(std::string_view line) const;
    };
    bool MayContain(std::string_view line, bool vector) const;

    std::vector<Sources> units_;  // checked in order, cheapest first
    bool never_ = false;          // some unit comes from no character at all
};

}  // namespace chatscope
