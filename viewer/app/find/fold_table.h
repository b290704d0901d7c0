// The folded form of every UTF-16 unit, as the find bar compares texts: the
// compatibility decomposition of the character, case folded, decomposed again
// ("Ａ" and "A" both give "a", "ｶﾞ" and "ガ" give "カ" and a combining mark).
// Built once, on first use, and shared by every matcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace chatscope {

class FoldTable {
public:
    FoldTable();

    // The table everybody uses.
    static const FoldTable& Get();

    void Append(char16_t c, std::u16string& out) const {
        const std::uint32_t e = entries_[c];
        if (!(e & kRun)) {
            out.push_back(static_cast<char16_t>(e));
            return;
        }
        out.append(pool_, (e & ~kRun) >> 8, e & 0xFF);
    }
    static constexpr std::uint32_t kRun = 0x80000000u;
    // The entry of `c`: its folded unit, or kRun | pool offset << 8 | length.
    const std::uint32_t* Entries() const { return entries_.get(); }
    const char16_t* Pool() const { return pool_.data(); }

    // Units the folded form of `c` takes.
    std::size_t Size(char16_t c) const {
        const std::uint32_t e = entries_[c];
        return (e & kRun) ? (e & 0xFF) : 1;
    }

private:
    static void Fold(char32_t c, std::u16string& out, int depth);

    std::unique_ptr<std::uint32_t[]> entries_;
    std::u16string pool_;
};

}  // namespace chatscope
