#include "fileio/settings_place.h"

#include <sys/stat.h>
#include <unistd.h>

#include "fileio/posix_io.h"

namespace chatlog::fileio {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

enum class ProgramPlace { BuildTree, Installed, Portable };

// A build tree holds the marker in the executable's folder or one above it.
// An installed program lies under a system prefix, or in the bin folder of a
// prefix whose share/applications holds its desktop entry. Anything else is a
// copy the user put somewhere.
ProgramPlace PlaceOf(const ProgramFiles& program) {
    const std::string& exe = program.executablePath;
    if (!program.fileExists) return ProgramPlace::Portable;
    for (std::string folder = FolderOf(exe);; folder = FolderOf(folder)) {
        if (program.fileExists(Join(folder, kBuildTreeMarker))) return ProgramPlace::BuildTree;
        if (folder == "/" || folder == ".") break;
    }
    for (const char* prefix : {"/usr/", "/opt/"})
        if (exe.rfind(prefix, 0) == 0) return ProgramPlace::Installed;
    const std::string name = exe.substr(exe.rfind('/') + 1);
    if (program.fileExists(Join(FolderOf(FolderOf(exe)), "share/applications/" + name + ".desktop")))
        return ProgramPlace::Installed;
    return ProgramPlace::Portable;
}

}  // namespace

bool KeepsSettingsBeside(const ProgramFiles& program, const std::vector<std::string>& besideFiles) {
    const ProgramPlace place = PlaceOf(program);
    if (place == ProgramPlace::Installed) return false;
    bool exists = false;
    for (const std::string& file : besideFiles) exists = exists || (program.fileExists && program.fileExists(file));
    if (exists) return true;
    return place == ProgramPlace::BuildTree && program.folderWritable &&
           program.folderWritable(FolderOf(program.executablePath));
}

ProgramFiles RealProgramFiles(const std::string& executablePath) {
    ProgramFiles program;
    program.executablePath = executablePath;
    program.fileExists = [](const std::string& p) {
        struct stat st;
        return ::stat(p.c_str(), &st) == 0;
    };
    program.folderWritable = [](const std::string& p) { return ::access(p.c_str(), W_OK) == 0; };
    return program;
}

}  // namespace chatlog::fileio
