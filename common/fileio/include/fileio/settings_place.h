// Where a program of this project keeps its settings files: beside itself,
// or in the user's configuration folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace chatlog::fileio {

// The build system writes this file at the top of every build tree.
inline constexpr char kBuildTreeMarker[] = "chatlogtools-build-tree";

// What the rule needs to know of the file system.
struct ProgramFiles {
    std::string executablePath;  // absolute
    std::function<bool(const std::string&)> fileExists;
    std::function<bool(const std::string&)> folderWritable;
};

// True when the settings files (`besideFiles`, the executable's path with
// their endings appended) are kept beside the executable: for a program in a
// build tree when one of them exists or the executable's folder is writable,
// and for a copy outside any prefix when one of them exists. Never for an
// installed program (under /usr or /opt, or in the bin folder of a prefix
// whose share/applications holds its desktop entry), which keeps them in the
// user's configuration folder.
bool KeepsSettingsBeside(const ProgramFiles& program, const std::vector<std::string>& besideFiles);

// ProgramFiles of `executablePath` with the real file system.
ProgramFiles RealProgramFiles(const std::string& executablePath);

}  // namespace chatlog::fileio
