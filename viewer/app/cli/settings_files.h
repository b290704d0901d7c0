// Loading the viewer's settings file and filter file at start-up, for the
// windows and the command-line modes alike.
#pragma once

#include <string>

#include "chatscope/user_list.h"
#include "chatscope/viewer_settings.h"

namespace chatscope {

// Loads both files. A missing file leaves the defaults silently; a path that
// names a FIFO, device, socket or folder is used as a missing file, with a
// warning on standard error (the saves never write over it either).
void LoadSettingsFiles(const std::string& settingsFile, const std::string& filterFile, ViewerSettings& settings,
                       UserList& users);

}  // namespace chatscope
