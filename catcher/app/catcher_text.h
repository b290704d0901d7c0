// File names of the catcher.
//
// The settings file keeps the texts of the edit boxes as Shift-JIS
// (Windows-31J) bytes (see sjis/shift_jis.h), so that the file stays
// exchangeable with the original record layout. Paths handed to the file
// system use the local file-name encoding (UTF-8 on every current Linux
// desktop): a folder such as ~/ドキュメント must be reachable, which it would
// not be with Shift-JIS bytes.
#pragma once

#include <QString>

#include <string>

namespace chatkeeper::app {

// Qt text -> bytes of the local file-name encoding, and back.
std::string ToFileName(const QString& text);
QString FromFileName(const std::string& bytes);

}  // namespace chatkeeper::app
