#include "settings_files.h"

#include <cstdio>

#include "chatscope/filter_file.h"

namespace chatscope {

namespace {

void WarnIfSpecial(LoadResult result, const char* what, const std::string& path, const char* instead) {
    if (result.state != FileState::NotARegularFile) return;
    std::fprintf(stderr, "chatscope: %s %s is not a regular file; %s\n", what, path.c_str(), instead);
}

}  // namespace

void LoadSettingsFiles(const std::string& settingsFile, const std::string& filterFile, ViewerSettings& settings,
                       UserList& users) {
    WarnIfSpecial(LoadViewerSettings(settingsFile, settings), "settings file", settingsFile, "using the defaults");
    WarnIfSpecial(LoadUserFilters(filterFile, users), "filter file", filterFile, "using no user list");
}

}  // namespace chatscope
