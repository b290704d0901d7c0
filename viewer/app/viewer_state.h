// What the viewer's three windows share for the whole run: the settings record,
// the user list (both loaded and saved by the settings dialog) and the
// statistics of the last pass (counted by the main window's reader, shown by
// the statistics window).
#pragma once

#include <string>

#include "chatscope/statistics.h"
#include "chatscope/user_list.h"
#include "chatscope/viewer_settings.h"

namespace chatscope {

struct ViewerState {
    ViewerSettings settings;
    UserList users;
    LogStatistics stats;
    std::string settingsFile;  // ".cnf"
    std::string filterFile;    // ".flt"
};

}  // namespace chatscope
