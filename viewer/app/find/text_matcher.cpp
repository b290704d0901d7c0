#include "find/text_matcher.h"

#include <QChar>

#include <algorithm>
#include <cstdint>
#include <string>

#include "find/fold_table.h"
#include "sjis/shift_jis.h"

namespace chatscope {

namespace {

// The most units the folded form of one decoded Windows-31J unit takes.
std::size_t MostFoldedUnitsPerByteUnit() {
    static const std::size_t most = [] {
        const FoldTable& folds = FoldTable::Get();
        std::size_t m = 1;
        for (int b = 0; b < 0x100; ++b) {
            const std::string one(1, static_cast<char>(b));
            sjis::DecodeEach(one, [&](char16_t c) { m = std::max(m, folds.Size(c)); });
        }
        const char16_t* pairs = sjis::detail::PairTable();
        for (int pair = 0; pair < 0x10000; ++pair) m = std::max(m, folds.Size(pairs[pair]));
        return m;
    }();
    return most;
}

// A combining mark after a match belongs to the matched character ("カ" must not match "ガ").
bool IsCombining(char16_t c) { return c >= 0x300 && QChar::combiningClass(c) != 0; }

std::u16string_view View(QStringView s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

}  // namespace

QString FoldForSearch(QStringView text) {
    std::u16string out;
    for (QChar c : text) FoldTable::Get().Append(c.unicode(), out);
    // Unit for unit: a conversion from UTF-16 would drop a leading byte order mark.
    return QString(reinterpret_cast<const QChar*>(out.data()), static_cast<qsizetype>(out.size()));
}

TextMatcher::TextMatcher(const QString& pattern, bool exact) : text_(pattern), exact_(exact) {
    if (exact_) {
        pattern_ = View(pattern);
    } else {
        for (QChar c : pattern) FoldTable::Get().Append(c.unicode(), pattern_);
    }
    prefilter_ = BytePrefilter(pattern_, exact_);
}

std::u16string_view TextMatcher::Fold(QStringView line, bool map) {
    // Written through raw pointers: this is the inner loop of every count.
    const FoldTable& folds = FoldTable::Get();
    const std::uint32_t* entries = folds.Entries();
    const std::size_t n = static_cast<std::size_t>(line.size());
    const char16_t* in = reinterpret_cast<const char16_t*>(line.utf16());
    if (folded_.size() < n) folded_.resize(n);
    if (map && origin_.size() < n) origin_.resize(n);
    char16_t* out = folded_.data();
    int* origin = origin_.data();
    std::size_t used = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t e = entries[in[i]];
        if (!(e & FoldTable::kRun)) {
            if (map) origin[used] = static_cast<int>(i);
            out[used++] = static_cast<char16_t>(e);
            continue;
        }
        const std::size_t length = e & 0xFF;
        if (const std::size_t need = used + length + (n - i - 1); folded_.size() < need) {
            folded_.resize(need * 2);
            out = folded_.data();
            if (map) {
                origin_.resize(need * 2);
                origin = origin_.data();
            }
        }
        std::copy_n(folds.Pool() + ((e & ~FoldTable::kRun) >> 8), length, out + used);
        if (map) std::fill_n(origin + used, length, static_cast<int>(i));
        used += length;
    }
    return {out, used};
}

std::u16string_view TextMatcher::DecodeAndFold(std::string_view sjisLine) {
    // Each unit is decoded and folded in one step: no decoded copy of the line.
    const std::size_t room = sjisLine.size() * (exact_ ? 1 : MostFoldedUnitsPerByteUnit());
    if (folded_.size() < room) folded_.resize(room);
    char16_t* const out = folded_.data();
    std::size_t used = 0;
    if (exact_) {
        sjis::DecodeEach(sjisLine, [&](char16_t c) { out[used++] = c; });
        return {out, used};
    }
    const FoldTable& folds = FoldTable::Get();
    const std::uint32_t* entries = folds.Entries();
    sjis::DecodeEach(sjisLine, [&](char16_t c) {
        const std::uint32_t e = entries[c];
        if (!(e & FoldTable::kRun)) [[likely]] {
            out[used++] = static_cast<char16_t>(e);
            return;
        }
        const std::size_t length = e & 0xFF;
        std::copy_n(folds.Pool() + ((e & ~FoldTable::kRun) >> 8), length, out + used);
        used += length;
    });
    return {out, used};
}

template <bool kMap, typename Visit> void TextMatcher::Scan(QStringView line, Visit&& visit) {
    if (pattern_.empty()) return;
    ScanFolded<kMap>(exact_ ? View(line) : Fold(line, kMap), visit);
}

template <bool kMap, typename Visit> void TextMatcher::ScanFolded(std::u16string_view hay, Visit&& visit) {
    const char16_t head = pattern_[0];
    const std::size_t m = pattern_.size();
    if (hay.size() < m) return;
    const char16_t* const data = hay.data();
    const std::size_t last = hay.size() - m;  // the last place a match can start
    for (std::size_t at = 0; at <= last; ++at) {
        if (data[at] != head) continue;
        if (std::char_traits<char16_t>::compare(data + at + 1, pattern_.data() + 1, m - 1) != 0) continue;
        const std::size_t end = at + m;
        if (!exact_ && end < hay.size() && IsCombining(data[end])) continue;
        TextMatch match{static_cast<int>(at), static_cast<int>(end)};
        if (kMap && !exact_) match = {origin_[at], origin_[end - 1] + 1};
        if (!visit(match)) return;
        at = end - 1;
    }
}

void TextMatcher::FindAll(QStringView line, std::vector<TextMatch>& out) {
    Scan<true>(line, [&](const TextMatch& m) {
        out.push_back(m);
        return true;
    });
}

TextMatch TextMatcher::FindFrom(QStringView line, int from) {
    TextMatch found;
    Scan<true>(line, [&](const TextMatch& m) {
        if (m.start < from) return true;
        found = m;
        return false;
    });
    return found;
}

TextMatch TextMatcher::FindBefore(QStringView line, int to) {
    TextMatch found;
    Scan<true>(line, [&](const TextMatch& m) {
        if (m.end > to) return false;
        found = m;
        return true;
    });
    return found;
}

int TextMatcher::Count(QStringView line) {
    int count = 0;
    Scan<false>(line, [&](const TextMatch&) {
        ++count;
        return true;
    });
    return count;
}

bool TextMatcher::Contains(QStringView line) {
    bool found = false;
    Scan<false>(line, [&](const TextMatch&) { return !(found = true); });
    return found;
}

int TextMatcher::CountBytes(std::string_view sjisLine) {
    if (pattern_.empty() || !prefilter_.MayContain(sjisLine)) return 0;
    int count = 0;
    ScanFolded<false>(DecodeAndFold(sjisLine), [&](const TextMatch&) {
        ++count;
        return true;
    });
    return count;
}

bool TextMatcher::ContainsBytes(std::string_view sjisLine) {
    if (pattern_.empty() || !prefilter_.MayContain(sjisLine)) return false;
    bool found = false;
    ScanFolded<false>(DecodeAndFold(sjisLine), [&](const TextMatch&) { return !(found = true); });
    return found;
}

}  // namespace chatscope
