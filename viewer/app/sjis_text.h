// Shift-JIS (Windows-31J) byte strings to and from Qt text.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace chatscope {

// Decodes Windows-31J bytes. Every byte that starts no valid character (a lone
// or cut-off lead byte, 0x80, 0xA0, 0xFD-0xFF) gives one U+FFFD, and so does a
// well-formed double-byte code without a character; nothing is dropped.
QString SjisToQString(std::string_view bytes);
std::string SjisToUtf8(std::string_view bytes);

// Encodes to Windows-31J; a character it cannot hold becomes "?".
std::string QStringToSjis(const QString& text);

}  // namespace chatscope
