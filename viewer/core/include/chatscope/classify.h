// Message categories and the filter bits that hide them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "chatscope/user_list.h"

namespace chatscope {

inline constexpr int kCategoryCount = 26;
inline constexpr int kUserCategory = 25;

// Filter bit of each message category (index 0-25).
extern const std::array<std::uint32_t, kCategoryCount> CategoryFilterBits;

// Channel filter bits 0-6 and the nine etc-checklist bits 16-24.
namespace FilterBit {
inline constexpr std::uint32_t Say = 0x1, Tell = 0x2, Party = 0x4, LinkShell = 0x8, Shout = 0x10, Emote = 0x20,
                               Etc = 0x40;
inline constexpr std::uint32_t ItemDrop = 0x10000, Experience = 0x20000, SearchComment = 0x40000,
                               LinkShellMessage = 0x80000, SkillUp = 0x100000, LevelChange = 0x200000,
                               ServiceMessage = 0x400000, MonsterDefeated = 0x800000, UserSpecified = 0x1000000;
inline constexpr int kChecklistFirstBit = 16;
inline constexpr int kChecklistItems = 9;
}  // namespace FilterBit

int ClassifyMessage(std::uint8_t typeCode, std::string_view text, const UserList& users);

inline bool IsHidden(int category, std::uint32_t filterWord) {
    return (CategoryFilterBits[category] & filterWord) != 0;
}

}  // namespace chatscope
