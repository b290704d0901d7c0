#include "chatscope/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace chatscope {

namespace {

std::size_t LastComponentStart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

std::size_t ExtensionStart(const std::string& path) {
    const std::size_t start = LastComponentStart(path);
    const std::size_t dot = path.find_last_of('.');
    return dot == std::string::npos || dot < start ? std::string::npos : dot;
}

std::string FolderOf(const std::string& path) {
    const std::size_t start = LastComponentStart(path);
    if (start == 0) return ".";
    if (start == 1) return "/";
    return path.substr(0, start - 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

enum class ProgramPlace { BuildTree, Installed, Portable };

// A build tree holds the marker in the executable's folder or one above it.
// An installed program lies under a system prefix, or in the bin folder of a
// prefix whose share/applications holds its desktop entry. Anything else is a
// copy the user put somewhere.
ProgramPlace PlaceOf(const SettingsLocation& where) {
    const std::string& exe = where.executablePath;
    if (!where.fileExists) return ProgramPlace::Portable;
    for (std::string folder = FolderOf(exe);; folder = FolderOf(folder)) {
        if (where.fileExists(Join(folder, kBuildTreeMarker))) return ProgramPlace::BuildTree;
        if (folder == "/" || folder == ".") break;
    }
    for (const char* prefix : {"/usr/", "/opt/"})
        if (exe.rfind(prefix, 0) == 0) return ProgramPlace::Installed;
    const std::string name = exe.substr(LastComponentStart(exe));
    if (where.fileExists(Join(FolderOf(FolderOf(exe)), "share/applications/" + name + ".desktop")))
        return ProgramPlace::Installed;
    return ProgramPlace::Portable;
}

}  // namespace

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const std::size_t dot = ExtensionStart(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + extension;
}

std::string LowerExtension(const std::string& path) {
    const std::size_t dot = ExtensionStart(path);
    if (dot == std::string::npos) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

SettingsPaths LocateSettingsFiles(const SettingsLocation& where) {
    // The program has no extension to replace: the endings are appended.
    SettingsPaths beside{where.executablePath + ".cnf", where.executablePath + ".flt"};
    const ProgramPlace place = PlaceOf(where);
    if (place != ProgramPlace::Installed) {
        const bool exists =
            where.fileExists && (where.fileExists(beside.settingsFile) || where.fileExists(beside.filterFile));
        const bool writable = place == ProgramPlace::BuildTree && where.folderWritable &&
                              where.folderWritable(FolderOf(where.executablePath));
        if (exists || writable) return beside;
    }

    std::string base;
    if (!where.xdgConfigHome.empty() && where.xdgConfigHome.front() == '/')
        base = where.xdgConfigHome;  // a relative value is to be ignored
    else if (!where.home.empty())
        base = where.home + "/.config";
    else
        return beside;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    const std::string name = where.executablePath.substr(LastComponentStart(where.executablePath));
    const std::string folder = base + "/chatscope/" + name;
    return {folder + ".cnf", folder + ".flt"};
}

std::string CurrentExecutablePath(const std::string& fallback) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || self.empty()) return fallback;
    return self.string();
}

SettingsPaths LocateSettingsFilesFor(const std::string& executablePath) {
    SettingsLocation where;
    where.executablePath = executablePath;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) where.xdgConfigHome = xdg;
    if (const char* home = std::getenv("HOME")) where.home = home;
    where.fileExists = [](const std::string& p) {
        struct stat st;
        return ::stat(p.c_str(), &st) == 0;
    };
    where.folderWritable = [](const std::string& p) { return ::access(p.c_str(), W_OK) == 0; };
    return LocateSettingsFiles(where);
}

bool EnsureFolderOf(const std::string& file) {
    const std::string folder = FolderOf(file);
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    std::filesystem::create_directories(folder, ec);
    if (ec) return false;
    ::chmod(folder.c_str(), 0700);
    return true;
}

}  // namespace chatscope
