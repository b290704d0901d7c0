// Shift-JIS (Windows-31J) byte strings to and from Qt text: the one converter
// of the viewer, used by the command line, the windows and the log display.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <string>
#include <string_view>

namespace chatscope {

// Decodes Windows-31J bytes. Every byte that starts no valid character (a lone
// or cut-off lead byte, 0x80, 0xA0, 0xFD-0xFF) gives one U+FFFD, and so does a
// well-formed double-byte code without a character; nothing is dropped. Each
// single byte or byte pair becomes exactly one QChar, and control bytes stay
// themselves.
QString SjisToQString(std::string_view bytes);
std::string SjisToUtf8(std::string_view bytes);

// Number of QChars SjisToQString gives, without decoding.
int SjisCharCount(std::string_view bytes);

// Byte offset of QChar column `column` of the decoded text (clamped to the end).
std::size_t SjisByteOffset(std::string_view bytes, int column);

// Appends the Windows-31J bytes of one code point to `out`; false (nothing
// appended) when Windows-31J cannot hold it.
bool EncodeSjisChar(char32_t codePoint, std::string& out);

// Encodes `text`, calling onUnencodable(codePoint, out) for each code point that
// Windows-31J cannot hold (a lone surrogate counts as one).
template <typename Fallback> void EncodeSjis(QStringView text, std::string& out, Fallback&& onUnencodable) {
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
        if (!EncodeSjisChar(cp, out)) onUnencodable(cp, out);
    }
}

// Encodes to Windows-31J; a character it cannot hold becomes "?".
std::string QStringToSjis(QStringView text);

}  // namespace chatscope
