// Shift-JIS (Windows-31J) byte strings to and from Qt text: the one converter
// of both programs. Decoding never fails; encoding has one policy for what
// Windows-31J cannot hold: Encode writes "?" for each such character,
// EncodeExact refuses the whole text.
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sjis {

// Decodes Windows-31J bytes. Every byte that starts no valid character (a lone
// or cut-off lead byte, 0x80, 0xA0, 0xFD-0xFF) gives one U+FFFD, and so does a
// well-formed double-byte code without a character; nothing is dropped. Each
// single byte or byte pair becomes exactly one QChar, and control bytes stay
// themselves.
QString Decode(std::string_view bytes);
// The same into `out`, reusing its storage (for decoding many lines in turn).
void DecodeInto(std::string_view bytes, QString& out);
std::string DecodeToUtf8(std::string_view bytes);
// The same appended to `out` (for output built of many lines).
void AppendUtf8(std::string_view bytes, std::string& out);

namespace detail {
constexpr bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
constexpr bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
constexpr bool IsKana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }

// Every double-byte character, index lead << 8 | trail (U+FFFD where there is none).
const char16_t* PairTable();

// Decodes the unit at bytes[i] and moves i past it. Never gives a surrogate.
inline char16_t DecodeUnit(const char16_t* pairs, std::string_view bytes, std::size_t& i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
        ++i;
        return b;
    }
    if (IsKana(b)) {
        ++i;
        return static_cast<char16_t>(0xFF61 + (b - 0xA1));
    }
    if (IsLead(b) && i + 1 < bytes.size() && IsTrail(static_cast<unsigned char>(bytes[i + 1]))) {
        const char16_t c = pairs[b << 8 | static_cast<unsigned char>(bytes[i + 1])];
        i += 2;
        return c;
    }
    ++i;
    return QChar::ReplacementCharacter;
}
}  // namespace detail

// Calls f(char16_t) for each QChar that Decode gives, in order, without
// building the string: for loops that fold or search as they decode.
template <typename F> void DecodeEach(std::string_view bytes, F&& f) {
    const char16_t* pairs = detail::PairTable();
    for (std::size_t i = 0; i < bytes.size();) f(detail::DecodeUnit(pairs, bytes, i));
}

// Number of QChars Decode gives, without decoding.
int CharCount(std::string_view bytes);

// Byte offset of QChar column `column` of the decoded text (clamped to the end).
std::size_t ByteOffset(std::string_view bytes, int column);

// Appends the Windows-31J bytes of one code point to `out`; false (nothing
// appended) when Windows-31J cannot hold it.
bool EncodeChar(char32_t codePoint, std::string& out);

// Encodes `text`, calling onUnencodable(codePoint, out) for each code point that
// Windows-31J cannot hold (a lone surrogate counts as one).
template <typename Fallback> void EncodeEach(QStringView text, std::string& out, Fallback&& onUnencodable) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t c = text[i].unicode();
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char32_t cp = c;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            cp = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            ++i;
        }
        if (!EncodeChar(cp, out)) onUnencodable(cp, out);
    }
}

// Encodes to Windows-31J; a character it cannot hold becomes "?".
std::string Encode(QStringView text);

// Encodes to Windows-31J; nothing when any character cannot be held.
std::optional<std::string> EncodeExact(QStringView text);

// The longest start of `text` whose encoded form (as Encode writes it) fits in
// maxBytes bytes; a character is never split.
QString CutToBytes(const QString& text, std::size_t maxBytes);

}  // namespace sjis
