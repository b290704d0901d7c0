// Path helpers: extensions and where the viewer keeps its settings files.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "fileio/settings_place.h"

namespace chatscope {

// The path with the extension of its last component (from its last ".")
// replaced by `extension`, or `extension` appended when there is none.
std::string ReplaceExtension(const std::string& path, const std::string& extension);

// The extension of the last path component, dot included, lower-cased ASCII;
// empty when there is none.
std::string LowerExtension(const std::string& path);

struct SettingsPaths {
    std::string settingsFile;  // ".cnf"
    std::string filterFile;    // ".flt"
};

// What the locator needs to know of the file system and the environment.
struct SettingsLocation {
    std::string executablePath;
    std::string xdgConfigHome;  // $XDG_CONFIG_HOME, may be empty
    std::string home;           // $HOME
    std::function<bool(const std::string&)> fileExists;
    std::function<bool(const std::string&)> folderWritable;
};

// The build system writes this file at the top of every build tree.
inline constexpr const char* kBuildTreeMarker = chatlog::fileio::kBuildTreeMarker;

// Beside the executable (its path with ".cnf"/".flt" appended) for a program in
// a build tree when that file exists or its folder is writable, and for a copy
// outside any prefix when that file exists. Otherwise, and always for an
// installed program (under /usr or /opt, or in the bin folder of a prefix whose
// share/applications holds its desktop entry): $XDG_CONFIG_HOME/chatscope/
// (default ~/.config/chatscope/), named after the executable.
SettingsPaths LocateSettingsFiles(const SettingsLocation& where);

// An XDG base folder: `variable` (e.g. $XDG_CONFIG_HOME) when it is an absolute
// path (a relative value is to be ignored), else `home` + "/" + `underHome`
// (".config", ".cache"); without a trailing slash; empty when there is neither.
std::string XdgBaseFolder(const std::string& variable, const std::string& home, std::string_view underHome);

// The running program's own path (from /proc/self/exe); `fallback` when that
// cannot be read.
std::string CurrentExecutablePath(const std::string& fallback = std::string());

// LocateSettingsFiles with the real file system and environment.
SettingsPaths LocateSettingsFilesFor(const std::string& executablePath);

// Creates the folder that holds `file` (and its parents) when missing, so the
// settings file can be written there. True when the folder exists afterwards.
bool EnsureFolderOf(const std::string& file);

}  // namespace chatscope
