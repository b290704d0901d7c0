// The find bar's matcher against a plain model: each character folded on its
// own (decomposed, case folded, decomposed again), the folded line searched
// front to back, a match that a combining mark follows refused, and the
// columns taken from the characters each folded unit came from.
#include <QChar>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "find/text_matcher.h"
#include "fuzz_files.h"
#include "sjis/shift_jis.h"

using namespace chatscope;
using fuzzfiles::Fail;

namespace {

// Letters whose folded forms differ in length, width or case, and marks.
constexpr std::u16string_view kAlphabet =
    u"aAbBsS1 \uFF21\uFF41\uFF22\uFF11\uFF76\uFF9E\u30AC\u30AB\u3099\u0301\u00DF\uFB03"
    u"\u03A3\u03C3\u03C2\uFB00\u0130\u2460\u00BC\u00E9\u1E9E\u0345\u01C4\uAC00\U0001D400";

// The units as they are (a conversion from UTF-16 would take a leading U+FEFF for a byte order mark).
QString Units(const std::u16string& s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

void FoldChar(char32_t c, std::u16string& out, int depth) {
    const QString parts = QChar::decomposition(c);
    if (!parts.isEmpty() && depth < 8) {
        for (char32_t p : parts.toStdU32String()) FoldChar(p, out, depth + 1);
    } else if (const char32_t folded = QChar::toCaseFolded(c); folded != c && depth < 8) {
        FoldChar(folded, out, depth + 1);
    } else {
        const char16_t pair[] = {QChar::highSurrogate(c), QChar::lowSurrogate(c)};
        QChar::requiresSurrogates(c) ? out.append(pair, 2) : out.append(1, static_cast<char16_t>(c));
    }
}

std::vector<TextMatch> Reference(const std::u16string& line, const std::u16string& pattern, bool exact) {
    std::u16string hay;
    std::vector<int> origin;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (exact || QChar::isSurrogate(line[i]))
            hay += line[i];
        else
            FoldChar(line[i], hay, 0);
        origin.resize(hay.size(), static_cast<int>(i));
    }
    std::u16string folded;
    for (char16_t c : pattern) {
        if (exact || QChar::isSurrogate(c))
            folded += c;
        else
            FoldChar(c, folded, 0);
    }
    std::vector<TextMatch> out;
    if (folded.empty()) return out;
    for (std::size_t at = 0; at + folded.size() <= hay.size();) {
        const std::size_t end = at + folded.size();
        const bool mark = !exact && end < hay.size() && hay[end] >= 0x300 && QChar::combiningClass(hay[end]) != 0;
        if (hay.compare(at, folded.size(), folded) != 0 || mark) {
            ++at;
            continue;
        }
        out.push_back({origin[at], origin[end - 1] + 1});
        at = end;
    }
    return out;
}

void Check(TextMatcher& matcher, const std::u16string& line, const std::u16string& pattern, bool exact) {
    const QString text = Units(line);
    const std::vector<TextMatch> expected = Reference(line, pattern, exact);
    std::vector<TextMatch> found;
    matcher.FindAll(text, found);
    if (found != expected) Fail("matches");
    if (matcher.Count(text) != static_cast<int>(expected.size())) Fail("count");
    if (matcher.Contains(text) != !expected.empty()) Fail("contains");
    const int middle = static_cast<int>(line.size() / 2);
    TextMatch from, before;
    for (const TextMatch& m : expected) {
        if (from.end == 0 && m.start >= middle) from = m;
        if (m.end <= middle) before = m;
    }
    if (!(matcher.FindFrom(text, middle) == from)) Fail("match from a column");
    if (!(matcher.FindBefore(text, middle) == before)) Fail("match before a column");
    if (!exact) {
        std::u16string all;
        for (char16_t c : line) QChar::isSurrogate(c) ? void(all += c) : FoldChar(c, all, 0);
        if (FoldForSearch(text).toStdU16String() != all) Fail("folded text");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const bool exact = data[0] & 1;
    std::size_t patternUnits = data[0] >> 1 & 7;
    std::u16string pattern, line;
    for (std::size_t i = 1; i < size; ++i) {
        char16_t unit;
        if (data[i] < 0xF0 || i + 2 >= size) {
            unit = kAlphabet[data[i] % kAlphabet.size()];
        } else {  // any unit at all
            unit = static_cast<char16_t>(data[i + 1] | data[i + 2] << 8);
            i += 2;
        }
        (pattern.size() < patternUnits ? pattern : line) += unit;
    }
    TextMatcher matcher(Units(pattern), exact);
    if (matcher.Empty() != pattern.empty()) Fail("empty pattern");
    Check(matcher, line, pattern, exact);
    // The scratch of a longer line is reused for a shorter one.
    Check(matcher, line.substr(0, line.size() / 3), pattern, exact);
    // A byte line counts as its decoded text does.
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (matcher.CountBytes(bytes) != matcher.Count(sjis::Decode(bytes))) Fail("count of a byte line");
    if (matcher.ContainsBytes(bytes) != (matcher.Count(sjis::Decode(bytes)) > 0)) Fail("byte line contains");
    return 0;
}
