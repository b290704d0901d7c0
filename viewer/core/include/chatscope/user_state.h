// The viewer's own per-user state: the files opened last and whether the
// display follows the loaded file as it grows. It lives in a small text file of
// its own beside the settings file, so the 8-byte settings file keeps its form.
//
// The file holds one item a line: "follow=1" (or "follow=0"), the folder the
// archive library showed last ("library=/abs/path"), and the recent files,
// newest first, each an absolute path as the file system's bytes. Other lines
// are ignored; a reader that knows no "library=" line ignores it too.
//
// A recent entry may be a set of files loaded together as one log: its first
// path on a line of its own, each further path on the line after it behind a
// "+" ("+/logs/b.log"). A reader that knows no sets ignores the "+" lines and
// so reads a set as its first file. In a UserState such an entry is one string,
// its paths joined by "\n" (RecentEntry, RecentEntryFiles).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace chatscope {

inline constexpr std::size_t kMaxRecentFiles = 8;

struct UserState {
    // Entries, newest first, at most kMaxRecentFiles: an absolute path, or a set's paths joined by "\n".
    std::vector<std::string> recentFiles;
    bool follow = false;
    // The archive library's last folder: an absolute path, or empty.
    std::string libraryFolder;

    bool operator==(const UserState&) const = default;
};

// The entry of a set of files (one file: its path); the files of an entry.
std::string RecentEntry(const std::vector<std::string>& files);
std::vector<std::string> RecentEntryFiles(const std::string& entry);

// Puts the entry `path` first in the list, dropping an older equal entry and any
// beyond the limit. An entry the file cannot hold (a path relative, empty, with a
// carriage return) is left out.
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
