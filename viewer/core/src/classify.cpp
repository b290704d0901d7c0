// Message categories by type code and the filter bit of each category.
#include "chatscope/classify.h"

#include "classify_table.h"

namespace chatscope {

const std::array<std::uint32_t, kCategoryCount> CategoryFilterBits = {
    0x0, 0x1, 0x10, 0x10, 0x2,      0x4,     0x8,     0x20,    0x40,    0x1,      0x10,     0x10,     0x2,
    0x4, 0x8, 0x20, 0x40, 0x400000, 0x10000, 0x20000, 0x40000, 0x80000, 0x100000, 0x200000, 0x800000, 0x1000000,
};

int ClassifyMessage(std::uint8_t typeCode, std::string_view text, const UserList& users) {
    return detail::Classify(typeCode, text, users);
}

}  // namespace chatscope
