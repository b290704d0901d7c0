// The user list of the filter file: entries that move chosen type codes into
// the user-specified category unless their tick box is ticked.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace chatscope {

struct UserFilterEntry {
    std::string name;           // Shift-JIS, no whitespace
    std::int32_t typeCode = 0;  // as read; only 0-255 can match
    bool ticked = false;
};

class UserList {
public:
    void Clear();
    void Append(UserFilterEntry entry);
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const UserFilterEntry& operator[](std::size_t i) const { return entries_[i]; }
    const std::vector<UserFilterEntry>& entries() const { return entries_; }
    void SetTicked(std::size_t index, bool ticked);

    // The user filter test: true when at least one unticked entry has exactly this type code.
    bool Matches(std::uint8_t typeCode) const { return untickedPerCode_[typeCode] != 0; }

private:
    std::vector<UserFilterEntry> entries_;
    std::array<std::uint32_t, 256> untickedPerCode_{};
};

}  // namespace chatscope
