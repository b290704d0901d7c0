// Where the catcher keeps its archives, as the library window's first guess of
// a folder: the archive-folder text of the catcher's settings file in the
// user's configuration folder, read and nothing else.
//
// The field (bytes 1024-2047 of the 3088-byte record) holds the Shift-JIS text
// up to its first NUL; a folder name Shift-JIS cannot hold is kept behind that
// NUL too, after ESC "%G", exactly as the file system names it, up to the next
// NUL.
#pragma once

#include <optional>
#include <string>

namespace chatscope {

struct CatcherFolderText {
    std::string shiftJis;
    std::optional<std::string> exact;  // the file-system bytes, when the catcher kept them
};

// $XDG_CONFIG_HOME/chatkeeper/chatkeeper.cnf (an absolute XDG_CONFIG_HOME
// only), else ~/.config/chatkeeper/chatkeeper.cnf; empty without either.
std::string CatcherSettingsPath(const std::string& xdgConfigHome, const std::string& home);

// The archive-folder text of the settings file; none when the file is
// missing, unreadable, shorter than a record or no regular file.
std::optional<CatcherFolderText> ReadCatcherArchiveFolder(const std::string& settingsFile);

}  // namespace chatscope
