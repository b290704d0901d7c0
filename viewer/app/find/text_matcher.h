// TextMatcher: finds a search text in lines of the display. By default a match
// ignores case and width: both sides are compared in a folded form (the
// compatibility decomposition of each character, case folded), so "ＡＢＣ",
// "ABC" and "abc" match each other, as do "ｶﾞ" and "ガ" or "１２３" and "123".
// A match is given as columns of the original line. With `exact`, the texts are
// compared as they are.
#pragma once

#include <QString>
#include <QStringView>

#include <string_view>
#include <vector>

#include "find/byte_prefilter.h"

namespace chatscope {

// A match in a line: columns [start, end) of the line's decoded text.
struct TextMatch {
    int start = 0;
    int end = 0;
    friend bool operator==(const TextMatch&, const TextMatch&) = default;
};

class TextMatcher {
public:
    TextMatcher() = default;
    TextMatcher(const QString& pattern, bool exact);

    bool Empty() const { return pattern_.empty(); }
    bool Exact() const { return exact_; }
    const QString& Pattern() const { return text_; }

    // The matches of `line`, in order and not overlapping, appended to `out`.
    void FindAll(QStringView line, std::vector<TextMatch>& out);
    // The first match starting at or after column `from` (end == 0 when none).
    TextMatch FindFrom(QStringView line, int from);
    // The last match ending at or before column `to` (end == 0 when none).
    TextMatch FindBefore(QStringView line, int to);
    int Count(QStringView line);
    bool Contains(QStringView line);
    // The same on a line of Windows-31J bytes, as the display holds loaded lines.
    int CountBytes(std::string_view sjisLine);
    bool ContainsBytes(std::string_view sjisLine);

private:
    // `line` folded into folded_ (with origin_ when `map`).
    std::u16string_view Fold(QStringView line, bool map);
    // Gives the matches of `line` to `visit` until it returns false: in columns
    // of `line` with kMap, else only counted (their columns unset).
    template <bool kMap, typename Visit> void Scan(QStringView line, Visit&& visit);
    // The same over a line already folded (or, when exact, decoded) into units.
    template <bool kMap, typename Visit> void ScanFolded(std::u16string_view hay, Visit&& visit);
    // A Windows-31J line decoded and, unless exact, folded into folded_ at once.
    std::u16string_view DecodeAndFold(std::string_view sjisLine);

    QString text_;
    bool exact_ = false;
    std::u16string pattern_;   // folded unless exact
    BytePrefilter prefilter_;  // turns byte lines away that cannot match
    std::u16string folded_;    // scratch: the folded line (its size is only a capacity)
    std::vector<int> origin_;  // scratch: column of the original character of each folded unit
    std::vector<TextMatch> matches_;
};

// The folded form of `text`, as the matcher compares it (exposed for tests).
QString FoldForSearch(QStringView text);

}  // namespace chatscope
