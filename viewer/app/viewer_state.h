// What the viewer's three windows share for the whole run: the settings record,
// the user list (both loaded and saved by Form2) and the statistics of the last pass
// (counted by Form1's reader, shown by Form3).
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
