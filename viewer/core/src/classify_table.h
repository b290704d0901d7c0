// Classification by type code, inline so the reading pass can use it without a call.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "chatscope/classify.h"

namespace chatscope::detail {

inline constexpr std::string_view kLevelPhrase = "\x83\x8C\x83\x78\x83\x8B";  // "レベル"

inline constexpr int kNotFixed = -1;
inline constexpr int kLevelOrEtc = -2;  // type code 191: decided by the text

constexpr std::array<int, 256> MakeFixedCategories() {
    std::array<int, 256> t{};
    for (auto& v : t) v = kNotFixed;
    t[18] = 17;
    t[36] = 24;
    t[37] = 24;
    t[127] = 18;
    t[129] = 22;
    t[131] = 19;
    t[191] = kLevelOrEtc;
    t[204] = 20;
    t[205] = 21;
    return t;
}
inline constexpr std::array<int, 256> kFixedCategory = MakeFixedCategories();

inline int Classify(std::uint8_t typeCode, std::string_view text, const UserList& users) {
    const int fixed = kFixedCategory[typeCode];
    if (fixed >= 0) return fixed;
    if (fixed == kLevelOrEtc) return text.find(kLevelPhrase) != std::string_view::npos ? 23 : 16;
    if (users.Matches(typeCode)) return kUserCategory;
    return typeCode < 16 ? typeCode : 16;
}

}  // namespace chatscope::detail
