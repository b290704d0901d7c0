// Text conversions of the catcher.
//
// The settings file keeps the texts of the edit boxes as Shift-JIS
// (Windows-31J) bytes, so that the file stays exchangeable with the original
// record layout. Paths handed to the file system use the local file-name
// encoding (UTF-8 on every current Linux desktop): a folder such as
// ~/ドキュメント must be reachable, which it would not be with Shift-JIS bytes.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <string>

namespace chatkeeper::app {

// Qt text -> Shift-JIS bytes; characters that Shift-JIS lacks become '?'.
std::string ToShiftJis(const QString& text);
// Shift-JIS bytes -> Qt text.
QString FromShiftJis(const std::string& bytes);

// Qt text -> bytes of the local file-name encoding, and back.
std::string ToFileName(const QString& text);
QString FromFileName(const std::string& bytes);

// The part of text whose Shift-JIS form fits in maxBytes bytes, cut at a
// character boundary (a double-byte character is never split).
QString CutToShiftJisBytes(const QString& text, std::size_t maxBytes);

}  // namespace chatkeeper::app
