#include "find/text_matcher.h"

#include <QChar>

#include <cstdint>
#include <memory>

#include "sjis/shift_jis.h"

namespace chatscope {

namespace {

// The folded form of every UTF-16 unit: one unit, or a run in a shared pool.
// Surrogates stay themselves.
class FoldTable {
public:
    FoldTable() : entries_(std::make_unique<std::uint32_t[]>(0x10000)) {
        std::u16string out;
        for (char32_t c = 0; c < 0x10000; ++c) {
            out.clear();
            if (QChar::isSurrogate(c))
                out.push_back(static_cast<char16_t>(c));
            else
                Fold(c, out, 0);
            if (out.size() == 1) {
                entries_[c] = out[0];
            } else {
                entries_[c] =
                    kRun | static_cast<std::uint32_t>(pool_.size()) << 8 | static_cast<std::uint32_t>(out.size());
                pool_ += out;
            }
        }
    }

    void Append(char16_t c, std::u16string& out) const {
        const std::uint32_t e = entries_[c];
        if (!(e & kRun)) {
            out.push_back(static_cast<char16_t>(e));
            return;
        }
        out.append(pool_, (e & ~kRun) >> 8, e & 0xFF);
    }
    // Units the folded form of `c` takes.
    std::size_t Size(char16_t c) const {
        const std::uint32_t e = entries_[c];
        return (e & kRun) ? (e & 0xFF) : 1;
    }

private:
    static constexpr std::uint32_t kRun = 0x80000000u;

    // The compatibility decomposition of `c`, case folded, decomposed again.
    static void Fold(char32_t c, std::u16string& out, int depth) {
        const QString decomposition = QChar::decomposition(c);
        if (!decomposition.isEmpty() && depth < 8) {
            const std::u32string parts = decomposition.toStdU32String();
            for (char32_t part : parts) Fold(part, out, depth + 1);
            return;
        }
        const char32_t folded = QChar::toCaseFolded(c);
        if (folded != c && depth < 8) return Fold(folded, out, depth + 1);
        if (QChar::requiresSurrogates(folded)) {
            out.push_back(QChar::highSurrogate(folded));
            out.push_back(QChar::lowSurrogate(folded));
        } else {
            out.push_back(static_cast<char16_t>(folded));
        }
    }

    std::unique_ptr<std::uint32_t[]> entries_;
    std::u16string pool_;
};

const FoldTable& Folds() {
    static const FoldTable table;
    return table;
}

// A combining mark after a match belongs to the matched character ("カ" must not match "ガ").
bool IsCombining(char16_t c) { return c >= 0x300 && QChar::combiningClass(c) != 0; }

std::u16string_view View(QStringView s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

}  // namespace

QString FoldForSearch(QStringView text) {
    std::u16string out;
    for (QChar c : text) Folds().Append(c.unicode(), out);
    return QString::fromStdU16String(out);
}

TextMatcher::TextMatcher(const QString& pattern, bool exact) : text_(pattern), exact_(exact) {
    if (exact_) {
        pattern_ = View(pattern);
    } else {
        for (QChar c : pattern) Folds().Append(c.unicode(), pattern_);
    }
}

template <typename Visit> void TextMatcher::Scan(QStringView line, Visit&& visit) {
    if (pattern_.empty()) return;
    std::u16string_view hay;
    if (exact_) {
        hay = View(line);
    } else {
        const FoldTable& folds = Folds();
        folded_.clear();
        origin_.clear();
        const qsizetype n = line.size();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = line[i].unicode();
            folds.Append(c, folded_);
            origin_.resize(folded_.size(), static_cast<int>(i));
        }
        hay = folded_;
    }
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = hay.find(pattern_, from);
        if (at == std::u16string_view::npos) return;
        const std::size_t end = at + pattern_.size();
        if (!exact_ && end < hay.size() && IsCombining(hay[end])) {
            from = at + 1;
            continue;
        }
        TextMatch m;
        if (exact_) {
            m = {static_cast<int>(at), static_cast<int>(end)};
        } else {
            m = {origin_[at], origin_[end - 1] + 1};
        }
        if (!visit(m)) return;
        from = end;
    }
}

void TextMatcher::FindAll(QStringView line, std::vector<TextMatch>& out) {
    Scan(line, [&](const TextMatch& m) {
        out.push_back(m);
        return true;
    });
}

TextMatch TextMatcher::FindFrom(QStringView line, int from) {
    TextMatch found;
    Scan(line, [&](const TextMatch& m) {
        if (m.start < from) return true;
        found = m;
        return false;
    });
    return found;
}

TextMatch TextMatcher::FindBefore(QStringView line, int to) {
    TextMatch found;
    Scan(line, [&](const TextMatch& m) {
        if (m.end > to) return false;
        found = m;
        return true;
    });
    return found;
}

int TextMatcher::Count(QStringView line) {
    int count = 0;
    Scan(line, [&](const TextMatch&) {
        ++count;
        return true;
    });
    return count;
}

int TextMatcher::CountBytes(std::string_view sjisLine) {
    sjis::DecodeInto(sjisLine, decoded_);
    return Count(decoded_);
}

bool TextMatcher::ContainsBytes(std::string_view sjisLine) {
    sjis::DecodeInto(sjisLine, decoded_);
    return Contains(decoded_);
}

}  // namespace chatscope
