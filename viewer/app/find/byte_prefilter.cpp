#include "find/byte_prefilter.h"

#include <QChar>

#include <algorithm>
#include <string>
#include <tuple>

#include "find/fold_table.h"
#include "sjis/shift_jis.h"

#if defined(__SSE2__) && !defined(CHATSCOPE_PORTABLE_BYTES)
#include <emmintrin.h>
#define CHATSCOPE_PREFILTER_VECTOR 1
#endif

namespace chatscope {

namespace {

constexpr std::size_t kMostUnits = 3;

// Every unit << 16 | code such that the character `code` decodes to (folded
// unless exact) holds that unit. A code is a single byte or lead << 8 | trail.
// U+FFFD is left out: any stray byte gives it.
std::vector<std::uint32_t> BuildSourceIndex(bool exact) {
    const FoldTable& folds = FoldTable::Get();
    const char16_t* pairs = sjis::detail::PairTable();
    std::vector<std::uint32_t> index;
    std::u16string units;
    const auto add = [&](char16_t c, std::uint32_t code) {
        if (c == QChar::ReplacementCharacter) return;
        units.clear();
        exact ? void(units.push_back(c)) : folds.Append(c, units);
        for (char16_t u : units) index.push_back(std::uint32_t{u} << 16 | code);
    };
    for (std::uint32_t b = 0; b < 0x100; ++b) {
        const char one = static_cast<char>(b);
        std::size_t i = 0;
        add(sjis::detail::DecodeUnit(pairs, std::string_view(&one, 1), i), b);
    }
    for (std::uint32_t lead = 0x81; lead < 0x100; ++lead) {
        if (!sjis::detail::IsLead(static_cast<unsigned char>(lead))) continue;
        for (std::uint32_t trail = 0x40; trail < 0x100; ++trail)
            if (sjis::detail::IsTrail(static_cast<unsigned char>(trail)))
                add(pairs[lead << 8 | trail], lead << 8 | trail);
    }
    std::sort(index.begin(), index.end());
    index.erase(std::unique(index.begin(), index.end()), index.end());
    return index;
}

const std::vector<std::uint32_t>& SourceIndex(bool exact) {
    if (exact) {
        static const std::vector<std::uint32_t> asIs = BuildSourceIndex(true);
        return asIs;
    }
    static const std::vector<std::uint32_t> folded = BuildSourceIndex(false);
    return folded;
}

bool Has(const std::array<std::uint64_t, 4>& bits, unsigned char b) { return bits[b >> 6] >> (b & 63) & 1; }
void Set(std::array<std::uint64_t, 4>& bits, unsigned char b) { bits[b >> 6] |= std::uint64_t{1} << (b & 63); }

// How rarely a unit turns up in chat, for the order of the looks: letters by
// their frequency in English text, the rarest last; everything else in the middle.
int Rarity(char16_t u) {
    constexpr std::u16string_view kByFrequency = u"etaoinshrdlcumwfgypbvkjxqz";
    const std::size_t at = kByFrequency.find(u);
    return at == std::u16string_view::npos ? 13 : static_cast<int>(at);
}

}  // namespace

BytePrefilter::BytePrefilter(std::u16string_view pattern, bool exact) {
    const std::vector<std::uint32_t>& index = SourceIndex(exact);
    std::u16string seen;
    std::vector<std::pair<int, Sources>> all;  // rarity, sources
    for (char16_t u : pattern) {
        if (u == QChar::ReplacementCharacter || seen.find(u) != std::u16string::npos) continue;
        seen.push_back(u);
        Sources s;
        std::vector<std::uint16_t> pairs;
        const auto first = std::lower_bound(index.begin(), index.end(), std::uint32_t{u} << 16);
        for (auto it = first; it != index.end() && (*it >> 16) == u; ++it) {
            const auto code = static_cast<std::uint16_t>(*it & 0xFFFF);
            if (code < 0x100) {
                ++s.singles;
                s.order.push_back(static_cast<std::uint8_t>(code));
                Set(s.singleBits, static_cast<unsigned char>(code));
            } else {
                pairs.push_back(code);  // in order, so those of one lead come together
            }
        }
        for (std::size_t k = 0; k < pairs.size(); ++k) {
            const auto lead = static_cast<unsigned char>(pairs[k] >> 8);
            if (s.leadSlot[lead] == 0) {
                s.trailBits.emplace_back();
                s.leadSlot[lead] = static_cast<std::uint8_t>(s.trailBits.size());
                s.order.push_back(lead);
                s.seconds.push_back(0);
            }
            Set(s.trailBits[s.leadSlot[lead] - 1], static_cast<unsigned char>(pairs[k] & 0xFF));
            s.order.push_back(static_cast<std::uint8_t>(pairs[k] & 0xFF));
            ++s.seconds.back();
            ++s.pairs;
        }
        for (std::uint8_t b : s.order) s.splat.emplace_back().fill(b);
        if (s.singles == 0 && s.pairs == 0) {
            never_ = true;
            return;
        }
        all.emplace_back(Rarity(u), std::move(s));
    }
    // Those looked for sixteen bytes at a time first, then the rarest first, then the cheapest.
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        const auto key = [](const std::pair<int, Sources>& x) {
            return std::tuple(x.second.Compares() > Sources::kMostCompares, -x.first, x.second.Compares());
        };
        return key(a) < key(b);
    });
    for (auto& [rarity, s] : all) {
        // A unit of many characters is worth a look only when it is the only one.
        if (units_.size() == kMostUnits || (!units_.empty() && s.Compares() > Sources::kMostCompares)) break;
        units_.push_back(std::move(s));
    }
}

bool BytePrefilter::Sources::InPortable(std::string_view line) const {
    const std::size_t n = line.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        if (Has(singleBits, b)) return true;
        if (const std::uint8_t slot = leadSlot[b];
            slot != 0 && i + 1 < n && Has(trailBits[slot - 1], static_cast<unsigned char>(line[i + 1])))
            return true;
    }
    return false;
}

#if defined(CHATSCOPE_PREFILTER_VECTOR)
bool BytePrefilter::Sources::InVector(std::string_view line) const {
    const std::size_t n = line.size();
    if (n < 16) return InPortable(line);
    const auto at = [this](int k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(splat[k].data())); };
    const int groups = static_cast<int>(seconds.size());
    // Nonzero when a character of the unit starts in v0; v1 holds the bytes one further on.
    const auto hits = [&](__m128i v0, __m128i v1) {
        __m128i hit = _mm_setzero_si128();
        int k = 0;
        for (; k < singles; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v0, at(k)));
        for (int g = 0; g < groups; ++g) {
            const __m128i lead = _mm_cmpeq_epi8(v0, at(k++));
            __m128i second = _mm_cmpeq_epi8(v1, at(k++));
            for (int t = 1; t < seconds[g]; ++t) second = _mm_or_si128(second, _mm_cmpeq_epi8(v1, at(k++)));
            hit = _mm_or_si128(hit, _mm_and_si128(lead, second));
        }
        return _mm_movemask_epi8(hit) != 0;
    };
    const char* p = line.data();
    std::size_t i = 0;
    for (; i + 16 < n; i += 16) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (hits(v0, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1)))) return true;
    }
    // The last sixteen bytes, again in part: the last byte has no byte after it, so a zero stands there.
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
    return hits(v0, _mm_srli_si128(v0, 1));
}
#else
bool BytePrefilter::Sources::InVector(std::string_view line) const { return InPortable(line); }
#endif

bool BytePrefilter::MayContain(std::string_view line, bool vector) const {
    if (never_) return false;
    for (const Sources& s : units_) {
        const bool in = vector && s.Compares() <= Sources::kMostCompares ? s.InVector(line) : s.InPortable(line);
        if (!in) return false;
    }
    return true;
}

}  // namespace chatscope
