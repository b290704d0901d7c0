// The viewer's own per-user state: the files opened last and whether the
// display follows the loaded file as it grows. It lives in a small text file of
// its own beside the settings file, so the 8-byte settings file keeps its form.
//
// The file holds one item a line: "follow=1" (or "follow=0"), and the recent
// files, newest first, each an absolute path as the file system's bytes. Other
// lines are ignored.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace chatscope {

inline constexpr std::size_t kMaxRecentFiles = 8;

struct UserState {
    std::vector<std::string> recentFiles;  // absolute paths, newest first, at most kMaxRecentFiles
    bool follow = false;

    bool operator==(const UserState&) const = default;
};

// Puts `path` first in the list, dropping an older entry of it and any beyond
// the limit. A path the file cannot hold (relative, empty, with a line break) is
// left out.
void AddRecentFile(UserState& state, const std::string& path);
void RemoveRecentFile(UserState& state, const std::string& path);

// The state file beside a settings file: "chatscope.cnf" -> "chatscope.recent".
std::string UserStatePathFor(const std::string& settingsFile);

// Reads the state file; a file that is missing, unreadable or not a regular file
// gives the defaults.
UserState LoadUserState(const std::string& path);
// Replaces the state file as a whole (a new temporary file, synced, renamed over
// it); false, the old file left as it was, when that fails.
bool SaveUserState(const std::string& path, const UserState& state);

}  // namespace chatscope
