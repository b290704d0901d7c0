// Windows-31J (Shift-JIS) conversion for the display: decoding one line for
// painting and encoding edited text back for the saves.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <string_view>

namespace chatscope {

// Decodes one line. Every byte that is not part of a valid character shows as
// U+FFFD; each single byte or byte pair becomes exactly one QChar.
QString DecodeW31JLine(std::string_view bytes);

// Number of QChars DecodeW31JLine gives, without decoding.
int W31JCharCount(std::string_view bytes);

// Byte offset of QChar column `column` of the decoded line (clamped to the end).
std::size_t W31JByteOffset(std::string_view bytes, int column);

// Appends the Windows-31J bytes of one code point to `out`; false (nothing
// appended) when Windows-31J cannot hold it.
bool EncodeW31JChar(char32_t codePoint, std::string& out);

// Encodes `text`, calling onUnencodable(codePoint, out) for each code point that
// Windows-31J cannot hold (a lone surrogate counts as one).
template <typename Fallback>
void EncodeW31J(QStringView text, std::string& out, Fallback&& onUnencodable) {
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
        if (!EncodeW31JChar(cp, out)) onUnencodable(cp, out);
    }
}

// Windows-31J bytes of `text`, "?" for each character it cannot hold.
std::string EncodeW31JOrQuestionMark(QStringView text);

}  // namespace chatscope
