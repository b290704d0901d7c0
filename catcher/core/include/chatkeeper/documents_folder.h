// The user's documents folder, by the desktop's user-dirs rule, and the
// catcher's default archive folder inside it.
#pragma once

#include <string>
#include <string_view>

namespace chatkeeper {

// $XDG_DOCUMENTS_DIR when set to an absolute path; else the
// XDG_DOCUMENTS_DIR line of userDirs (the text of user-dirs.dirs, its
// "$HOME" expanded); else home + "/Documents". A value that is the home
// folder itself means "no documents folder" and gives home + "/Documents".
std::string DocumentsFolder(const std::string& home, const char* documentsVariable, std::string_view userDirs);

// DocumentsFolder for the running user: $HOME, $XDG_DOCUMENTS_DIR and
// $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config/user-dirs.dirs).
std::string UserDocumentsFolder();

// UserDocumentsFolder() + "/chatkeeper".
std::string DefaultArchiveFolder();

}  // namespace chatkeeper
